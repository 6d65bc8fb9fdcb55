#include "launcher/LinkMarkup.h"

namespace {

constexpr std::string_view kOpen = "<a href='";
constexpr std::string_view kOpenEnd = "'>";
constexpr std::string_view kClose = "</a>";

}  // namespace

std::vector<LinkSegment> parseLinkMarkup(std::string_view message) {
  std::vector<LinkSegment> segments;
  std::size_t cursor = 0;
  while (cursor < message.size()) {
    const std::size_t open = message.find(kOpen, cursor);
    if (open == std::string_view::npos) break;
    const std::size_t addressStart = open + kOpen.size();
    const std::size_t addressEnd = message.find(kOpenEnd, addressStart);
    if (addressEnd == std::string_view::npos) break;
    const std::size_t textStart = addressEnd + kOpenEnd.size();
    const std::size_t textEnd = message.find(kClose, textStart);
    if (textEnd == std::string_view::npos) break;

    segments.push_back({std::string(message.substr(cursor, open - cursor)), std::nullopt});
    segments.push_back({std::string(message.substr(textStart, textEnd - textStart)),
                        std::string(message.substr(addressStart, addressEnd - addressStart))});
    cursor = textEnd + kClose.size();
  }
  if (cursor < message.size())
    segments.push_back({std::string(message.substr(cursor)), std::nullopt});
  return segments;
}
