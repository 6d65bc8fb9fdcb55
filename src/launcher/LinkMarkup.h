// The link markup of dialog messages: <a href='ADDRESS'>TEXT</a>, exactly
// so. Everything else, incomplete markup included, is plain text.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct LinkSegment {
  std::string text;
  std::optional<std::string> address;  // set for a link

  bool operator==(const LinkSegment&) const = default;
};

// Splits the bytes of a message, in order: before each complete link a plain
// segment (possibly empty), then the link; after the last one the rest, if
// any is left. Works on any bytes; the markers are ASCII.
std::vector<LinkSegment> parseLinkMarkup(std::string_view message);
