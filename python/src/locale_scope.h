#pragma once

#include "pelt/value/locale.h"

namespace pelt::python {

// The evaluator follows the process-wide user locale. A LocaleScope sets it
// to a caller's locale (nullptr: the environment's) for the life of the
// scope. Scopes of one locale run together; a scope of another locale waits
// until they have ended, so calls from several Python threads never see
// each other's locale.
class LocaleScope {
 public:
  explicit LocaleScope(const value::LocaleData* locale);
  ~LocaleScope();
  LocaleScope(const LocaleScope&) = delete;
  LocaleScope& operator=(const LocaleScope&) = delete;
};

}  // namespace pelt::python
