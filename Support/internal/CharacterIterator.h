// The calling thread's ICU character break iterator, shared by the text
// helpers of this folder. Internal to Support: nothing outside it sees ICU.
#pragma once

#include <unicode/brkiter.h>

namespace tavro::text {

// Set its text before use; the iterator belongs to the calling thread.
icu::BreakIterator& characterIterator();

}  // namespace tavro::text
