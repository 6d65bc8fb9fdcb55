// Path strings and the platform's standard folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Path helpers that behave like the desktop platform's path methods: no
// trailing slash is kept, and "/" stays "/".
std::string appendingPathComponent(std::string_view base, std::string_view component);
std::string lastPathComponent(std::string_view path);
std::string deletingLastPathComponent(std::string_view path);
// Lexical clean-up: "~" expanded, "." and empty components dropped, ".."
// folded where a parent exists. Links are not resolved.
std::string standardizingPath(std::string_view path);
bool isAbsolutePath(std::string_view path);

enum SearchPathDirectory : int {
  LibraryDirectory = 5,
  CoreServiceDirectory = 10,
  ApplicationSupportDirectory = 14,
};

enum SearchPathDomainMask : unsigned {
  UserDomainMask = 1,
  LocalDomainMask = 2,
  NetworkDomainMask = 4,
  SystemDomainMask = 8,
};

// The folders of `directory` in every domain of `domains`, in the order user,
// local, network, system. The local, network and system domains live below
// rootDirectory(); the user domain is the home folder.
std::vector<std::string> searchPathForDirectories(SearchPathDirectory directory,
                                                  unsigned domains);

// "/" unless NIMBRA_ROOT names another folder (sandboxes, tests, the demo).
std::string rootDirectory();
// HOME, else the password database's entry for the current user.
std::string homeDirectory();
// TMPDIR, else "/tmp"; never empty.
std::string temporaryDirectory();

}  // namespace platform
