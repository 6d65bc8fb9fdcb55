// Property lists (XML or binary), read with libplist.
#pragma once

#include <plist/plist.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
// An owned property-list tree.
using Plist = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistFree>;

// The file's root node, or null when it cannot be read or parsed.
Plist readPlistFile(const std::string& path);
// The root node of a property list held in memory (XML or binary), or null.
Plist plistFromMemory(std::string_view data);

// The string under `key` of a dictionary node; nothing when `dict` is not a
// dictionary or the value is absent or not a string.
std::optional<std::string> dictionaryString(plist_t dict, std::string_view key);

}  // namespace platform
