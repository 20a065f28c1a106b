#include "pelt/value/locale.h"

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "icu_available_locales.h"
#include "icu_locale_data.h"

namespace pelt::value {
namespace {

// Every LocaleData ever built, by canonical id. Entries are never removed, so
// references handed out stay valid and the hot path can read them lock-free.
struct LocaleCache {
  std::mutex mutex;
  std::map<std::string, std::unique_ptr<const LocaleData>, std::less<>> by_id;
};

LocaleCache& Cache() {
  static LocaleCache* cache = new LocaleCache();  // never destroyed: used until exit
  return *cache;
}

std::atomic<const LocaleData*> g_override{nullptr};

const LocaleData& EnvironmentLocale() {
  static const LocaleData& data = LocaleDataFor(LocaleIdFromEnvironment());
  return data;
}

}  // namespace

std::string CanonicalLocaleId(std::string_view locale_id) {
  std::string id(locale_id.substr(0, locale_id.find_first_of(".@")));
  for (char& c : id) {
    if (c == '-') c = '_';
  }
  if (id.empty() || id == "C" || id == "POSIX") return "en_US";
  return id;
}

const LocaleData& LocaleDataFor(std::string_view locale_id) {
  const std::string id = CanonicalLocaleId(locale_id);
  LocaleCache& cache = Cache();
  std::lock_guard lock(cache.mutex);
  auto it = cache.by_id.find(id);
  if (it == cache.by_id.end()) {
    it = cache.by_id.emplace(id, std::make_unique<const LocaleData>(internal::LoadLocaleData(id)))
             .first;
  }
  return *it->second;
}

bool IsKnownLocale(std::string_view locale_id) {
  return internal::IcuHasLocale(CanonicalLocaleId(locale_id));
}

std::vector<std::string> NearestKnownLocales(std::string_view locale_id) {
  constexpr std::size_t kMaxSuggestions = 3;
  const std::string id = CanonicalLocaleId(locale_id);
  if (internal::IcuHasLocale(id)) return {};
  return internal::IcuNearestLocales(id, kMaxSuggestions);
}

bool HasOwnCurrency(const LocaleData& locale) { return locale.currency_code != u"XXX"; }

std::string LocaleWithRegion(std::string_view locale_id) {
  return internal::IcuLocaleWithRegion(CanonicalLocaleId(locale_id));
}

std::string LocaleIdFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return CanonicalLocaleId(value);
  }
  return "en_US";
}

const LocaleData& UserLocale() {
  const LocaleData* override_data = g_override.load(std::memory_order_acquire);
  return override_data != nullptr ? *override_data : EnvironmentLocale();
}

void SetUserLocaleOverride(std::string_view locale_id) {
  g_override.store(&LocaleDataFor(locale_id), std::memory_order_release);
}

void ClearUserLocaleOverride() { g_override.store(nullptr, std::memory_order_release); }

}  // namespace pelt::value
