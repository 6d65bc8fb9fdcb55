// The catalogue machinery both programs share: the choice of a language row
// and the conversion of the tables' 32-bit texts.
#pragma once

#include "messages/catalogue_rows.h"

#include <cstdint>
#include <string>
#include <vector>

// UTF-8 of a NUL-terminated text of 32-bit code units; empty for none. A unit
// that is no Unicode scalar value becomes U+FFFD.
std::string wchartoNSString(const char32_t* text);

// The row whose locale equals `locale` exactly (case-sensitive); rows 0 to 15
// only. kFallbackRow with found false when none does.
int32_t FindMessageIndex(const std::string& locale, bool& found);

// The row for the user's preferred languages, kFallbackRow when none matches.
int32_t GetFatalErrorMessageIndex();

// The choice behind GetFatalErrorMessageIndex, over a given list of canonical
// language identifiers, most preferred first: each is looked up as it is, then
// once more with the part after its last "-" cut off.
int32_t MessageIndexForLanguages(const std::vector<std::string>& canonicalLanguages);
