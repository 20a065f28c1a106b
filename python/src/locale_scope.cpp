#include "locale_scope.h"

#include <condition_variable>
#include <mutex>

namespace pelt::python {
namespace {

struct ActiveLocale {
  std::mutex mutex;
  std::condition_variable released;
  const value::LocaleData* locale = nullptr;
  int holders = 0;
};

ActiveLocale& Active() {
  static ActiveLocale active;
  return active;
}

}  // namespace

LocaleScope::LocaleScope(const value::LocaleData* locale) {
  ActiveLocale& active = Active();
  std::unique_lock lock(active.mutex);
  active.released.wait(lock, [&] { return active.holders == 0 || active.locale == locale; });
  if (active.holders++ == 0) {
    active.locale = locale;
    if (locale != nullptr) {
      value::SetUserLocaleOverride(locale->name);
    } else {
      value::ClearUserLocaleOverride();
    }
  }
}

LocaleScope::~LocaleScope() {
  ActiveLocale& active = Active();
  {
    std::lock_guard lock(active.mutex);
    // The last one out gives the environment's locale back to calls that
    // take none, such as format() without a locale.
    if (--active.holders == 0) value::ClearUserLocaleOverride();
  }
  active.released.notify_all();
}

}  // namespace pelt::python
