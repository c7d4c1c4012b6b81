#pragma once

#include <string>
#include <string_view>

#include "text/time_text.h"

// Picture typing by the first bytes, and the names picture files get.
namespace quorvane {

// The first 10 bytes (or fewer) as text: a zero byte gives "00", any other
// its upper-case hexadecimal value without a leading zero (so 0x01..0x0F
// give one character). 00 00 01 00 gives "0000100".
std::string hex_signature(std::string_view bytes);

// The extension for a downloaded picture by its signature ("jpg", "png",
// "gif", ...); unrecognised content gives the first 10 signature characters
// followed by ".JPG", an empty download ".JPG".
std::string picture_file_type(std::string_view bytes);

// Name of a description picture: md5_middle16 of its address without
// "http://", a dot, and the type of the downloaded bytes.
std::string description_picture_name(std::string_view address_without_scheme,
                                     std::string_view bytes);

// Name of a main or sale-property picture: md5_text of a millisecond time
// stamp + title + num_iid, and ".tbi". The stamp is unique within the
// process (it runs ahead of the clock when pictures are named faster than
// one a millisecond), so two pictures never get the same name.
std::string main_picture_name(std::string_view title, std::string_view num_iid,
                              const Clock& clock = system_clock());

// The millisecond time stamp text, strictly increasing within the process.
std::string unique_millisecond_stamp(const Clock& clock = system_clock());

}  // namespace quorvane
