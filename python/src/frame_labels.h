#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "column_table.h"
#include "pelt/evaluator/evaluator_members.h"
#include "pelt/format/format.h"

namespace pelt::python {

// Labels one after another in one UTF-16 buffer, as the evaluator makes
// them: label i is text[ends[i-1], ends[i]). A failed label is empty and
// counted.
struct Labels {
  std::u16string text;
  std::vector<std::size_t> ends;
  std::int64_t failed = 0;
  std::int64_t first_failed_row = -1;  // 0-based
  std::string first_failure;           // the evaluator's message for it
  std::int64_t unread_dates = 0;       // texts a date picture showed as they are
  std::int64_t first_unread_row = -1;  // 0-based
  std::u16string first_unread_date;    // the first of those texts
};

// Counts the texts a date picture shows as they are in the labels made on
// the calling thread, into out: Start before each row's label, Finish at
// the end.
class UnreadDateCount {
 public:
  explicit UnreadDateCount(Labels& out) : out_(out), scope_(tally_) {}
  UnreadDateCount(const UnreadDateCount&) = delete;
  UnreadDateCount& operator=(const UnreadDateCount&) = delete;
  void Start(std::int64_t row) { tally_.item = row; }
  void Finish() {
    out_.unread_dates = tally_.count;
    out_.first_unread_row = tally_.first_item;
    out_.first_unread_date = tally_.first;
  }

 private:
  Labels& out_;
  format::UnreadDateTexts tally_;
  format::ScopedUnreadDateTexts scope_;
};

// Labels rows [first, end) of table with an expression the caller has
// verified, on `jobs` threads (each with its own evaluator) over consecutive
// stretches of rows, one Labels per stretch in row order; the labels do not
// depend on jobs. Rows are counted from the table's first in the Labels.
// Runs without Python: call it with the GIL released.
std::vector<Labels> LabelRows(ColumnTable& table, std::size_t first, std::size_t end,
                              const std::u16string& expression,
                              const evaluator::CollectionRef& reserved_words, int jobs);

// The failures and unread date texts of all stretches as one Labels holds
// them (no text).
Labels FailureSummary(const std::vector<Labels>& stretches);

}  // namespace pelt::python
