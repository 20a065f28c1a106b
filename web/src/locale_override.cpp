#include "locale_override.h"

namespace pelt::web {

LocaleOverride::LocaleOverride(const std::string& locale_id) {
  if (locale_id.empty()) {
    value::ClearUserLocaleOverride();
  } else {
    value::SetUserLocaleOverride(value::LocaleDataFor(locale_id).name);
  }
}

LocaleOverride::~LocaleOverride() { value::ClearUserLocaleOverride(); }

}  // namespace pelt::web
