// The file manager's few operations the programs use.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace platform {

// Anything at `path`, following symbolic links.
bool fileExists(const std::string& path);
// Anything at `path` (following links) that is a directory.
bool isDirectory(const std::string& path);

// The permission bits of the item itself (a final link is not followed), or
// nothing when there is no item.
std::optional<mode_t> posixPermissions(const std::string& path);
bool setPosixPermissions(const std::string& path, mode_t mode);

// Removes a file, a link or a whole folder tree. False when anything stays.
bool removeItem(const std::string& path);

// Every link of `path` resolved; the path unchanged when it cannot be.
std::string resolvingSymlinksInPath(const std::string& path);

std::string currentDirectory();

}  // namespace platform
