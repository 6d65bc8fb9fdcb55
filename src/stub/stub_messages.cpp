#include "stub/stub_messages.h"

namespace stub {

namespace {

// The same texts as the bootstrapper's messages 0 and 2 of the row.
constexpr StubMessageRow row(int32_t index) {
  const CatalogueRow& shared = kCatalogueRows[index];
  return {shared.locale, shared.langId, shared.runtimeNotFound, shared.okButton};
}

}  // namespace

constinit const StubMessageRow allMessages[17] = {
    row(0), row(1),  row(2),  row(3),  row(4),  row(5),  row(6),  row(7), row(8),
    row(9), row(10), row(11), row(12), row(13), row(14), row(15), row(16),
};

}  // namespace stub
