#include "unread_date_texts.h"

#include <new>

#include "pelt/format/format.h"

namespace pelt::format {
namespace {

thread_local UnreadDateTexts* installed = nullptr;

}  // namespace

ScopedUnreadDateTexts::ScopedUnreadDateTexts(UnreadDateTexts& tally) : previous_(installed) {
  installed = &tally;
}

ScopedUnreadDateTexts::~ScopedUnreadDateTexts() { installed = previous_; }

namespace internal {

void NoteUnreadDateText(std::u16string_view text) {
  UnreadDateTexts* tally = installed;
  if (tally == nullptr || text.find_first_not_of(u' ') == std::u16string_view::npos) return;
  if (tally->count++ == 0) {
    tally->first_item = tally->item;
    try {
      tally->first.assign(text);
    } catch (const std::bad_alloc&) {
      // The count still tells; only the example is lost.
    }
  }
}

}  // namespace internal
}  // namespace pelt::format
