// Checks on byte strings that are to become texts.
#pragma once

#include <string_view>

namespace platform {

// True when `bytes` are well-formed UTF-8 without NUL bytes: a NUL inside a
// text would cut it short wherever it is passed on as a C string.
bool isValidUtf8(std::string_view bytes);

}  // namespace platform
