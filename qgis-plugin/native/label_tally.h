#pragma once

#include <cstdint>
#include <string>

#include "pelt/format/format.h"

namespace pelt::qgis {

// What the labels made on one thread while a tally is kept there came to,
// for the warnings "Label features" gives as the library's own labelling
// gives them: failed labels and date texts left unread, each with the
// first feature's id.
struct LabelTally {
  std::int64_t labels = 0;
  std::int64_t failed = 0;
  std::int64_t first_failed_fid = -1;
  std::u16string first_failure;
  format::UnreadDateTexts unread;  // items are feature ids
};

// Starts counting the calling thread's labels afresh.
void StartThreadTally();
// The calling thread's tally while one is kept, else null.
LabelTally* ThreadTally();
// Stops counting on the calling thread; what was counted.
LabelTally TakeThreadTally();

}  // namespace pelt::qgis
