// A locale name canonicalised to a language identifier.
#include "check.h"
#include "platform/languages.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view name(reinterpret_cast<const char*>(data), size);
  const auto identifier = platform::canonicalLanguageIdentifier(name);
  if (!identifier) return 0;
  // Codeset and modifier are gone, "_" is written "-", and nothing comes out
  // of nothing.
  FUZZ_CHECK(!identifier->empty());
  FUZZ_CHECK(identifier->find_first_of("_.@") == std::string_view::npos);
  FUZZ_CHECK(identifier->front() != '-');
  // An identifier is already canonical.
  FUZZ_CHECK(platform::canonicalLanguageIdentifier(*identifier) == identifier);
  return 0;
}
