// The stub's catalogue: the text saying that the runtime cannot be found and
// the button text, in each language row.
#pragma once

#include "messages/catalogue_rows.h"

namespace stub {

struct StubMessageRow {
  const char* locale;
  int langId;
  const char32_t* message;
  const char32_t* button;
};

extern const StubMessageRow allMessages[17];
static_assert(kCatalogueRowCount == 17);

}  // namespace stub
