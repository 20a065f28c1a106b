#pragma once

#include <string>

#include "pelt/value/locale.h"

namespace pelt::value::internal {

// Reads everything LocaleData holds from ICU for a canonical locale id. The
// only place where ICU's locale services and their error codes are used.
LocaleData LoadLocaleData(const std::string& canonical_id);

}  // namespace pelt::value::internal
