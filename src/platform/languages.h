// The user's preferred languages.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Most preferred first, each as a canonical identifier (see below). Read the
// way message catalogues of the system are chosen: every entry of LANGUAGE
// (a colon-separated list), then the first set of LC_ALL, LC_MESSAGES, LANG.
// Names that denote no language ("C", "POSIX") are left out.
std::vector<std::string> preferredLanguages();

// A locale name of the form language[_territory][.codeset][@modifier] as an
// identifier "language[-Script][-TERRITORY]": codeset and modifier dropped,
// "_" written "-", a script modifier (@latin) made the script subtag, Chinese
// given its script by territory (zh_TW -> zh-Hant-TW, zh -> zh-Hans). Nothing
// when the language part is empty, "C" or "POSIX".
std::optional<std::string> canonicalLanguageIdentifier(std::string_view name);

}  // namespace platform
