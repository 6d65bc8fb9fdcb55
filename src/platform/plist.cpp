#include "platform/plist.h"

#include <fstream>
#include <iterator>
#include <limits>

namespace platform {

Plist readPlistFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  return plistFromMemory(data);
}

Plist plistFromMemory(std::string_view data) {
  if (data.empty() || data.size() > std::numeric_limits<uint32_t>::max()) return nullptr;
  plist_t root = nullptr;
  plist_from_memory(data.data(), static_cast<uint32_t>(data.size()), &root);
  return Plist(root);
}

std::optional<std::string> dictionaryString(plist_t dict, std::string_view key) {
  if (!dict || plist_get_node_type(dict) != PLIST_DICT) return std::nullopt;
  plist_t node = plist_dict_get_item(dict, std::string(key).c_str());
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  uint64_t length = 0;
  const char* text = plist_get_string_ptr(node, &length);
  if (!text) return std::nullopt;
  return std::string(text, static_cast<std::size_t>(length));
}

}  // namespace platform
