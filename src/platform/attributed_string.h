// Text with attributes over runs of it, as a text view shows it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class Color { Blue };

// The platform's predefined blue: pure blue.
inline constexpr const char* colorName(Color) { return "#0000ff"; }

inline constexpr int UnderlineStyleSingle = 1;

// Absent attributes are not set; a run without any shows in the view's
// default font and colour.
struct TextAttributes {
  std::optional<std::string> link;
  std::optional<Color> foregroundColor;
  std::optional<int> underlineStyle;

  bool operator==(const TextAttributes&) const = default;
};

struct AttributedRun {
  std::string text;  // UTF-8
  TextAttributes attributes;

  bool operator==(const AttributedRun&) const = default;
};

using AttributedString = std::vector<AttributedRun>;

}  // namespace platform
