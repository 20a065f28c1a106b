#pragma once

#include <string_view>

namespace pelt::format::internal {

// Counts text a date picture showed as it is, when the calling thread has a
// tally installed (ScopedUnreadDateTexts).
void NoteUnreadDateText(std::u16string_view text);

}  // namespace pelt::format::internal
