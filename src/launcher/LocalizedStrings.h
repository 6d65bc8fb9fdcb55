// The bootstrapper's texts, in the user's language.
#pragma once

#include "messages/catalogue_rows.h"

#include <cstdint>
#include <optional>
#include <string>

inline constexpr int32_t kEmbeddedMessageCount = 11;

struct MessageRow {
  const char* locale;
  int langId;
  const char32_t* messages[kEmbeddedMessageCount];
};

// The bootstrapper's catalogue: messages 0 to 10 in each language row.
extern const MessageRow allMessages[kCatalogueRowCount];

class LocalizedStrings {
 public:
  LocalizedStrings() = delete;

  // Message `index` (0 to 10) in the language chosen at the first request and
  // kept for the rest of the process; nothing for another index.
  static std::optional<std::string> getEmbeddedMessage(int32_t index);
};

// Forgets the kept language, so that the next request chooses again.
void resetEmbeddedStringLocaleForTesting();
