#pragma once

#include <string>

#include "pelt/value/locale.h"

namespace pelt::web {

// The evaluator follows the process-wide user locale: for the life of a
// scope it is the caller's ("" keeps the environment's: the browser's first
// language, en_US in node).
// The module runs on one thread, so scopes never overlap.
class LocaleOverride {
 public:
  explicit LocaleOverride(const std::string& locale_id);
  ~LocaleOverride();
  LocaleOverride(const LocaleOverride&) = delete;
  LocaleOverride& operator=(const LocaleOverride&) = delete;
};

}  // namespace pelt::web
