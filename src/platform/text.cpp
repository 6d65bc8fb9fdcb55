#include "platform/text.h"

#include <glib.h>

namespace platform {

bool isValidUtf8(std::string_view bytes) {
  return g_utf8_validate_len(bytes.data(), bytes.size(), nullptr);
}

}  // namespace platform
