#include "locale_env.h"
#include "messages/embedded_messages.h"
#include "platform/languages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using platform::canonicalLanguageIdentifier;

TEST(CanonicalLanguageIdentifier, PosixNames) {
  const struct {
    const char* name;
    std::optional<std::string> identifier;
  } cases[] = {
      {"pt_BR.UTF-8", "pt-BR"},
      {"de_DE@euro", "de-DE"},
      {"en", "en"},
      {"ca_ES.UTF-8@valencia", "ca-ES"},
      {"zh", "zh-Hans"},
      {"zh.UTF-8", "zh-Hans"},
      {"zh_CN.GB18030", "zh-Hans-CN"},
      {"zh_SG.GBK", "zh-Hans-SG"},
      {"zh_TW.EUC-TW", "zh-Hant-TW"},
      {"zh_HK.UTF-8", "zh-Hant-HK"},
      {"zh_MO", "zh-Hant-MO"},
      {"zh_TW@latin", "zh-Latn-TW"},
      {"sr_RS@latin", "sr-Latn-RS"},
      {"sr@latin", "sr-Latn"},
      {"nan_TW@latin", "nan-Latn-TW"},
      {"uz_UZ@cyrillic", "uz-Cyrl-UZ"},
      // Already in the identifier form, as people write LANGUAGE.
      {"zh-TW", "zh-Hant-TW"},
      {"zh-Hant-TW", "zh-Hant-TW"},
      {"zh_Hans_CN", "zh-Hans-CN"},
      // Letter case is kept; the lookup is the one that is strict.
      {"ZH_CN", "ZH-CN"},
      {"C", std::nullopt},
      {"POSIX", std::nullopt},
      {"C.UTF-8", std::nullopt},
      {"C-", std::nullopt},
      {"POSIX_US.UTF-8", std::nullopt},
      {"", std::nullopt},
      {".UTF-8", std::nullopt},
      {"_US", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(canonicalLanguageIdentifier(c.name), c.identifier);
  }
}

using PreferredLanguages = LocaleEnv;

TEST_F(PreferredLanguages, ListThenTheFirstSetLocaleVariable) {
  const struct {
    const char* name;
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    std::vector<std::string> expected;
  } cases[] = {
      {"nothing set", nullptr, nullptr, nullptr, nullptr, {}},
      {"LANG alone", nullptr, nullptr, nullptr, "de_AT.UTF-8", {"de-AT"}},
      {"list before the locale", "fr:de_CH", nullptr, nullptr, "it_IT.UTF-8",
       {"fr", "de-CH", "it-IT"}},
      {"LC_ALL wins", nullptr, "es_ES", "sv_SE", "de_DE", {"es-ES"}},
      {"LC_MESSAGES before LANG", nullptr, nullptr, "sv_SE", "de_DE", {"sv-SE"}},
      {"empty counts as unset", "", "", "sv_SE", "de_DE", {"sv-SE"}},
      {"empty list entries are skipped", "::pt_BR:", nullptr, nullptr, nullptr, {"pt-BR"}},
      {"C names no language", "C:ko", nullptr, nullptr, "C", {"ko"}},
      {"POSIX names no language", nullptr, "POSIX", "de_DE", nullptr, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    clear();
    set("LANGUAGE", c.language);
    set("LC_ALL", c.lcAll);
    set("LC_MESSAGES", c.lcMessages);
    set("LANG", c.lang);
    EXPECT_EQ(platform::preferredLanguages(), c.expected);
  }
}

namespace {

// The row each language of the system's locales should reach, written down
// independently of the catalogue's lookup.
int expectedRow(const std::string& posixName) {
  static const std::map<std::string, int> kRowOfLanguage = {
      {"de", 0},  {"en", 1},  {"es", 2},  {"fr", 3},  {"it", 4},  {"ja", 5},  {"ko", 6},
      {"pt", 7},  {"ru", 8},  {"cs", 11}, {"nl", 12}, {"pl", 13}, {"sv", 14}, {"tr", 15},
  };
  const std::string language = posixName.substr(0, posixName.find_first_of("_.@"));
  if (language == "zh") {
    const std::string territory = posixName.substr(3, 2);
    return territory == "TW" || territory == "HK" || territory == "MO" ? 10 : 9;
  }
  auto found = kRowOfLanguage.find(language);
  return found == kRowOfLanguage.end() ? 16 : found->second;
}

}  // namespace

using SystemLocales = LocaleEnv;

TEST_F(SystemLocales, EverySupportedLocaleChoosesItsLanguagesRow) {
  std::ifstream supported("/usr/share/i18n/SUPPORTED");
  ASSERT_TRUE(supported) << "the locales package provides /usr/share/i18n/SUPPORTED";
  std::set<int> rowsReached;
  int names = 0;
  std::string line;
  while (std::getline(supported, line)) {
    std::string name;
    std::istringstream(line) >> name;
    if (name.empty() || name[0] == '#') continue;
    ++names;
    SCOPED_TRACE(name);
    for (const char* variable : {"LANG", "LANGUAGE"}) {
      clear();
      set(variable, name.c_str());
      const int row = GetFatalErrorMessageIndex();
      EXPECT_EQ(row, expectedRow(name)) << "through " << variable;
      rowsReached.insert(row);
    }
  }
  EXPECT_GT(names, 400);
  EXPECT_EQ(rowsReached.size(), 17u);  // every row, the fallback included
}
