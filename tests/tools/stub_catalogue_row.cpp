// Prints one row of the stub's catalogue as JSON {"locale", "message",
// "button"}, so end-to-end tests can compare what the stub shows with the
// table itself: stub_catalogue_row ROW
#include "messages/embedded_messages.h"
#include "stub/stub_messages.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int row = std::atoi(argv[1]);
  if (row < 0 || row > 16) return 2;
  const stub::StubMessageRow& entry = stub::allMessages[row];
  std::printf("{\"locale\": %s, \"message\": %s, \"button\": %s}\n", json(entry.locale).c_str(),
              json(wchartoNSString(entry.message)).c_str(),
              json(wchartoNSString(entry.button)).c_str());
  return 0;
}
