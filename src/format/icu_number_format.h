#pragma once

#include <string>

#include "pelt/value/locale.h"
#include "rounding.h"

namespace pelt::format::internal {

// The locale's own number form through ICU: d rounded half away from zero
// to `decimals` decimals (0 to 99), with the locale's grouping, digits,
// leading zero and negative form. A result of zero shows no minus.
void AppendLocaleNumber(Decimal d, int decimals, const value::LocaleData& locale,
                        std::u16string& out);

// The same as an amount of the locale's currency, with the currency's own
// number of decimals.
void AppendCurrencyText(Decimal d, const value::LocaleData& locale, std::u16string& out);

// Both of the above always through ICU's formatter, never written directly;
// for tests that hold the direct rendering against ICU's.
void AppendLocaleNumberByIcu(Decimal d, int decimals, const value::LocaleData& locale,
                             std::u16string& out);
void AppendCurrencyTextByIcu(Decimal d, const value::LocaleData& locale, std::u16string& out);

}  // namespace pelt::format::internal
