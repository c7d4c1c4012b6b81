#pragma once

#include <string_view>

namespace quorvane::sandbox {

enum class PictureFormat { jpeg, png, gif };

std::string_view picture_bytes(PictureFormat format);

}  // namespace quorvane::sandbox
