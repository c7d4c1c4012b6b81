#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// The leading decimal number of a text, as atof reads it (leading ASCII
// white space skipped, optional sign, digits, point, exponent), after the
// full-width digits, signs and point have become ASCII. No number gives 0.
// Only decimal forms are read: "inf", "nan" and hexadecimal give 0.
double text_to_number(std::string_view text);

// The shortest "%.13g" text: at most 13 significant digits, no trailing
// zeros, no point for whole numbers (118.8 -> "118.8", 100 -> "100").
std::string number_text(double value);

}  // namespace quorvane
