#include "launcher/LocalizedStrings.h"
#include "locale_env.h"
#include "messages/embedded_messages.h"
#include "stub/stub_messages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::u32string_view text(const char32_t* t) { return t ? std::u32string_view(t) : U""; }

size_t count(std::u32string_view haystack, std::u32string_view needle) {
  size_t n = 0;
  for (size_t at = haystack.find(needle); at != haystack.npos; at = haystack.find(needle, at + 1)) {
    ++n;
  }
  return n;
}

constexpr int32_t kEnglishRow = 1;

}  // namespace

TEST(WcharToString, Utf8OfCodeUnits) {
  const struct {
    const char32_t* in;
    std::string out;
  } cases[] = {
      {nullptr, ""},
      {U"", ""},
      {U"OK", "OK"},
      {U"\u00e9", "\xc3\xa9"},
      {U"you\u2019re", "you\xe2\x80\x99re"},
      {U"\u786e\u5b9a", "\xe7\xa1\xae\xe5\xae\x9a"},
      {U"\U0001F600", "\xf0\x9f\x98\x80"},
      {U"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.out);
    EXPECT_EQ(wchartoNSString(c.in), c.out);
  }
  // Units that are no scalar value cannot come out as (invalid) UTF-8.
  const char32_t surrogate[] = {U'a', 0xD800, U'b', 0};
  EXPECT_EQ(wchartoNSString(surrogate), "a\xef\xbf\xbd" "b");
  const char32_t tooLarge[] = {0x110000, 0};
  EXPECT_EQ(wchartoNSString(tooLarge), "\xef\xbf\xbd");
}

TEST(FindMessageIndex, RowsInTableOrderAndNeverTheFallback) {
  const char* locales[] = {"de", "en", "es", "fr", "it",      "ja",      "ko", "pt",
                           "ru", "zh-Hans", "zh-Hant", "cs", "nl", "pl", "sv", "tr"};
  for (int32_t row = 0; row < 16; ++row) {
    SCOPED_TRACE(locales[row]);
    bool found = false;
    EXPECT_EQ(FindMessageIndex(locales[row], found), row);
    EXPECT_TRUE(found);
  }
  bool found = true;
  EXPECT_EQ(FindMessageIndex("", found), kFallbackRow);  // the fallback row's "" is not compared
  EXPECT_FALSE(found);
  found = true;
  EXPECT_EQ(FindMessageIndex("de ", found), kFallbackRow);
  EXPECT_FALSE(found);
}

TEST(MessageIndexForLanguages, PreferredLanguageCases) {
  const struct {
    const char* name;
    std::vector<std::string> languages;
    int32_t row;
  } cases[] = {
      {"first of two matching languages", {"fr", "de"}, 3},
      {"exact", {"de"}, 0},
      {"script form directly", {"zh-Hans"}, 9},
      {"cut at the last dash", {"zh-Hant-TW"}, 10},
      {"region cut", {"pt-BR"}, 7},
      {"only one cut", {"de-Latn-AT"}, kFallbackRow},
      {"one cut, then the next language", {"de-Latn-AT", "it"}, 4},
      {"no dash and no row is skipped", {"en_GB", "sv"}, 14},
      {"unmatched language does not stop the search", {"fi", "sv"}, 14},
      {"case-sensitive", {"ZH-HANS"}, kFallbackRow},
      {"case-sensitive, then a match", {"ZH-HANS", "ko"}, 6},
      {"case-sensitive after the cut", {"De-AT"}, kFallbackRow},
      {"unmatched alone", {"fi"}, kFallbackRow},
      {"empty list", {}, kFallbackRow},
      {"empty identifier never reaches the fallback row", {""}, kFallbackRow},
      {"a cut that leaves nothing", {"-de"}, kFallbackRow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MessageIndexForLanguages(c.languages), c.row);
  }
}

using GetEmbeddedMessage = LocaleEnv;

TEST_F(GetEmbeddedMessage, FallbackIsEnglish) {
  set("LANG", "C");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(9), "Installing ");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(10),
            "This application requires an update to Zandrel Nimbra but downloading that update "
            "on your system is not allowed by your administrator. Please contact your "
            "administrator.");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(5),
            "Unable to download Zandrel Nimbra. Make sure that you\xe2\x80\x99re connected to the "
            "network and try again.");
}

TEST_F(GetEmbeddedMessage, IndexOutsideTheTableIsNothing) {
  for (int32_t index : {11, 12, -1, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(index), std::nullopt);
  }
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(0).value_or("").substr(0, 16), "This application");
}

TEST_F(GetEmbeddedMessage, ButtonTextInTheUsersLanguage) {
  const struct {
    const char* language;
    const char* button;
  } cases[] = {
      {"ko_KR.UTF-8", "\xed\x99\x95\xec\x9d\xb8"},  // 확인
      {"zh_TW", "\xe7\xa2\xba\xe5\xae\x9a"},        // 確定
      {"zh_CN.GB18030", "\xe7\xa1\xae\xe5\xae\x9a"},  // 确定
      {"es_MX", "Aceptar"},
      {"tr_TR", "Tamam"},
      {"fi_FI:de_DE", "OK"},
      {"C", "OK"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    resetEmbeddedStringLocaleForTesting();
    set("LANGUAGE", c.language);
    EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(2), c.button);
  }
}

TEST_F(GetEmbeddedMessage, KeepsTheRowOfTheFirstRequest) {
  set("LANGUAGE", "fr_FR");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(3), "Annuler");
  set("LANGUAGE", "de_DE");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(3), "Annuler");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(4), "Veuillez patienter.");
  // A request for an index outside the table chooses the row too.
  resetEmbeddedStringLocaleForTesting();
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(11), std::nullopt);
  set("LANGUAGE", "sv_SE");
  EXPECT_EQ(LocalizedStrings::getEmbeddedMessage(3), "Abbrechen");
}

TEST(Catalogue, RowsInTheirOrder) {
  const struct {
    const char* locale;
    int langId;
  } rows[] = {
      {"de", 0x0407}, {"en", 0x0409},      {"es", 0x0C0A},      {"fr", 0x040C}, {"it", 0x0410},
      {"ja", 0x0411}, {"ko", 0x0412},      {"pt", 0x0416},      {"ru", 0x0419},
      {"zh-Hans", 0x0804}, {"zh-Hant", 0x0404}, {"cs", 0x0405}, {"nl", 0x0413}, {"pl", 0x0415},
      {"sv", 0x041D}, {"tr", 0x041F},      {"", 0},
  };
  for (int32_t row = 0; row < kCatalogueRowCount; ++row) {
    SCOPED_TRACE(row);
    EXPECT_STREQ(allMessages[row].locale, rows[row].locale);
    EXPECT_EQ(allMessages[row].langId, rows[row].langId);
    EXPECT_STREQ(stub::allMessages[row].locale, rows[row].locale);
    EXPECT_EQ(stub::allMessages[row].langId, rows[row].langId);
  }
}

TEST(Catalogue, EveryRowHasEveryTextInTheShapeOfTheEnglish) {
  const MessageRow& english = allMessages[kEnglishRow];
  for (int32_t row = 0; row < kCatalogueRowCount; ++row) {
    for (int32_t index = 0; index < kEmbeddedMessageCount; ++index) {
      SCOPED_TRACE(std::string(allMessages[row].locale) + " message " + std::to_string(index));
      const std::u32string_view message = text(allMessages[row].messages[index]);
      const std::u32string_view original = text(english.messages[index]);
      ASSERT_NE(allMessages[row].messages[index], nullptr);
      EXPECT_EQ(message.empty(), original.empty());
      EXPECT_EQ(count(message, U"\n"), count(original, U"\n"));
      // Page addresses stand at the start of a line, as in the English.
      EXPECT_EQ(count(message, U"https://"), count(original, U"https://"));
      EXPECT_EQ(count(message, U"\nhttps://www.zandrel.com/"),
                count(original, U"\nhttps://www.zandrel.com/"));
      // The product keeps its name.
      EXPECT_EQ(count(message, U"Zandrel Nimbra"), count(original, U"Zandrel Nimbra"));
    }
    SCOPED_TRACE(allMessages[row].locale);
    // The application name follows the title prefix directly: after a space, except in the
    // languages written without spaces between words.
    const std::string_view locale = allMessages[row].locale;
    const bool spaceless = locale == "ja" || locale.starts_with("zh-");
    EXPECT_EQ(text(allMessages[row].messages[9]).back() == U' ', !spaceless);
  }
}

TEST(Catalogue, FallbackRowIsTheEnglishRow) {
  for (int32_t index = 0; index < kEmbeddedMessageCount; ++index) {
    SCOPED_TRACE(index);
    EXPECT_EQ(text(allMessages[kFallbackRow].messages[index]),
              text(allMessages[kEnglishRow].messages[index]));
  }
  const std::u32string_view downloadFailed = text(allMessages[kEnglishRow].messages[5]);
  EXPECT_NE(downloadFailed.find(U"you\u2019re"), downloadFailed.npos);
  EXPECT_EQ(downloadFailed.find(U'\''), downloadFailed.npos);
}

TEST(Catalogue, MessageEightHasExactlyOneCompleteLink) {
  for (int32_t row = 0; row < kCatalogueRowCount; ++row) {
    SCOPED_TRACE(allMessages[row].locale);
    const std::u32string_view message = text(allMessages[row].messages[8]);
    ASSERT_EQ(count(message, U"<a href='"), 1u);
    ASSERT_EQ(count(message, U"'>"), 1u);
    ASSERT_EQ(count(message, U"</a>"), 1u);
    const size_t open = message.find(U"<a href='");
    const size_t address = open + 9;
    const size_t close = message.find(U"'>");
    const size_t end = message.find(U"</a>");
    ASSERT_LT(open, close);
    ASSERT_LT(close + 2, end);  // a visible link text
    EXPECT_EQ(message.substr(address, close - address).find(U"https://www.zandrel.com/"), 0u);
    EXPECT_EQ(message.substr(address, close - address).find_first_of(U" '<>\n"),
              std::u32string_view::npos);
    for (int32_t index = 0; index < kEmbeddedMessageCount; ++index) {
      if (index != 8) {
        EXPECT_EQ(count(text(allMessages[row].messages[index]), U"<a "), 0u) << index;
      }
    }
  }
}

TEST(Catalogue, StubColumnsAreTheBootstrappersMessagesZeroAndTwo) {
  for (int32_t row = 0; row < kCatalogueRowCount; ++row) {
    SCOPED_TRACE(allMessages[row].locale);
    EXPECT_EQ(text(stub::allMessages[row].message), text(allMessages[row].messages[0]));
    EXPECT_EQ(text(stub::allMessages[row].button), text(allMessages[row].messages[2]));
  }
}
