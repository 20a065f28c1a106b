#include "locale_option.h"

#include "pelt/value/did_you_mean.h"
#include "pelt/value/text.h"

namespace pelt::tools {

std::string LocaleProblem(std::string_view locale_id) {
  if (value::IsKnownLocale(locale_id)) return "";
  return "unknown locale '" + std::string(locale_id) + "'" +
         value::DidYouMean(value::NearestKnownLocales(locale_id));
}

void WarnOfMissingCurrency(Streams& io, const value::LocaleData& locale, std::string_view what) {
  if (value::HasOwnCurrency(locale)) return;
  // A language alone ("de") has no currency; its country's locale has one.
  const std::string with_country = value::LocaleWithRegion(locale.name);
  ReportWarning(io, "locale '" + locale.name + "' has no currency: " + std::string(what) +
                        " shows '" + value::ToUtf8(locale.currency_symbol) +
                        "' instead of a currency symbol (a locale with a country" +
                        (with_country != locale.name ? ", such as " + with_country + "," : "") +
                        " has one)");
}

}  // namespace pelt::tools
