#include "icu_available_locales.h"

#include <unicode/locid.h>

#include <algorithm>
#include <string_view>

#include "pelt/value/nearest.h"

namespace pelt::value::internal {
namespace {

// One locale ICU lists, with the script and region its language implies
// when it names none ("de" stands for de_Latn_DE).
struct Available {
  std::string name;  // "zh_Hans_CN"
  std::string language;
  std::string region;  // as named: "" for "de"
  std::string likely_script;
  std::string likely_region;
};

icu::Locale Maximized(const icu::Locale& locale) {
  icu::Locale maximized = locale;
  UErrorCode status = U_ZERO_ERROR;
  maximized.addLikelySubtags(status);
  return U_SUCCESS(status) ? maximized : locale;
}

// ICU's list, read once: some 800 locales.
struct AvailableLocales {
  std::vector<Available> locales;
  std::vector<std::string_view> names;  // for NearestNames
};

const AvailableLocales& Listed() {
  static const AvailableLocales* listed = [] {
    auto* result = new AvailableLocales();  // used until exit
    int32_t count = 0;
    const icu::Locale* available = icu::Locale::getAvailableLocales(count);
    result->locales.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const icu::Locale maximized = Maximized(available[i]);
      result->locales.push_back({available[i].getName(), available[i].getLanguage(),
                                 available[i].getCountry(), maximized.getScript(),
                                 maximized.getCountry()});
    }
    for (const Available& locale : result->locales) result->names.emplace_back(locale.name);
    return result;
  }();
  return *listed;
}

bool HasLanguage(const icu::Locale& wanted) {
  const std::vector<Available>& locales = Listed().locales;
  return std::any_of(locales.begin(), locales.end(),
                     [&](const Available& a) { return a.language == wanted.getLanguage(); });
}

// language[_Script]_REGION, the form a user writes.
std::string Compose(const icu::Locale& wanted, std::string_view region) {
  std::string id = wanted.getLanguage();
  if (wanted.getScript()[0] != '\0') id += std::string("_") + wanted.getScript();
  if (!region.empty()) id += "_" + std::string(region);
  return id;
}

void AddOnce(std::vector<std::string>& ids, std::string id) {
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(std::move(id));
}

// For a language ICU has with a region or script it has not: the language's
// usual region, then the regions of the language one letter away from the
// named one (a slip on the keyboard), in ICU's order. A script ICU does not
// have for the language is left out.
std::vector<std::string> RegionsOfLanguage(const icu::Locale& wanted, std::size_t max_count) {
  icu::Locale base = icu::Locale::createFromName(Compose(wanted, "").c_str());
  if (!IcuHasLocale(base.getName())) base = icu::Locale(wanted.getLanguage());
  std::vector<std::string> ids;
  const std::string usual = Compose(base, Maximized(base).getCountry());
  if (IcuHasLocale(usual)) ids.push_back(usual);
  const std::string_view region = wanted.getCountry();
  if (region.empty()) return ids;
  for (const Available& a : Listed().locales) {
    if (ids.size() >= max_count) break;
    if (a.language != wanted.getLanguage() || a.region.empty()) continue;
    if (EditDistance(a.region, region) != 1) continue;
    const std::string id = Compose(base, a.region);
    if (IcuHasLocale(id)) AddOnce(ids, id);
  }
  return ids;
}

}  // namespace

bool IcuHasLocale(const std::string& canonical_id) {
  // Most ids users give are listed as they are (en_US, de_DE): found without
  // the likely subtags of every locale, which cost a few milliseconds.
  int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (int32_t i = 0; i < count; ++i) {
    if (canonical_id == available[i].getName()) return true;
  }
  const icu::Locale wanted(canonical_id.c_str());
  if (wanted.isBogus() || wanted.getLanguage()[0] == '\0') return false;
  const std::string_view script = wanted.getScript();
  const std::string_view region = wanted.getCountry();
  const std::vector<Available>& locales = Listed().locales;
  return std::any_of(locales.begin(), locales.end(), [&](const Available& a) {
    return a.language == wanted.getLanguage() && (script.empty() || a.likely_script == script) &&
           (region.empty() || a.likely_region == region);
  });
}

std::vector<std::string> IcuNearestLocales(const std::string& canonical_id, std::size_t max_count) {
  if (max_count == 0) return {};
  // ICU maps retired codes to the current ones: UK to GB, iw to he, deu to de.
  const icu::Locale canonical = icu::Locale::createCanonical(canonical_id.c_str());
  if (!canonical.isBogus() && canonical_id != canonical.getName() &&
      IcuHasLocale(canonical.getName())) {
    return {canonical.getName()};
  }
  const icu::Locale wanted(canonical_id.c_str());
  if (!wanted.isBogus() && wanted.getLanguage()[0] != '\0' && HasLanguage(wanted)) {
    std::vector<std::string> ids = RegionsOfLanguage(wanted, max_count);
    ids.resize(std::min(ids.size(), max_count));
    return ids;
  }
  const AvailableLocales& listed = Listed();
  const std::vector<std::size_t> nearest = NearestNames(canonical_id, listed.names);
  if (nearest.size() > max_count) return {};  // too many alike: none is clearly meant
  std::vector<std::string> ids;
  for (std::size_t i : nearest) ids.push_back(listed.locales[i].name);
  return ids;
}

std::string IcuLocaleWithRegion(const std::string& canonical_id) {
  const icu::Locale wanted(canonical_id.c_str());
  if (wanted.isBogus() || wanted.getCountry()[0] != '\0') return canonical_id;
  const icu::Locale maximized = Maximized(wanted);  // region views into it
  const std::string_view region = maximized.getCountry();
  return region.empty() ? canonical_id : Compose(wanted, region);
}

}  // namespace pelt::value::internal
