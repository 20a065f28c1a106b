#include "label_tally.h"

#include <memory>
#include <utility>

namespace pelt::qgis {
namespace {

struct KeptTally {
  LabelTally tally;
  // Format counts unread date texts into tally.unread while this lives.
  format::ScopedUnreadDateTexts unread_scope{tally.unread};
};

std::unique_ptr<KeptTally>& Kept() {
  thread_local std::unique_ptr<KeptTally> kept;
  return kept;
}

}  // namespace

void StartThreadTally() {
  Kept().reset();
  Kept() = std::make_unique<KeptTally>();
}

LabelTally* ThreadTally() { return Kept() != nullptr ? &Kept()->tally : nullptr; }

LabelTally TakeThreadTally() {
  if (Kept() == nullptr) return {};
  LabelTally tally = std::move(Kept()->tally);
  Kept().reset();
  return tally;
}

}  // namespace pelt::qgis
