// Formats values of every type with arbitrary pictures in several locales,
// and runs FormatNumber, FormatCurrency and Round on them. Checks that
// nothing crashes or hangs, that the output stays within a fixed multiple of
// the picture and value sizes, that a compiled picture gives what the
// picture text gives, and that formatting twice gives the same text.
//
// Input: byte 0 picks the value's type, byte 1 the locale and the decimals;
// the rest is "value text" NUL "picture" (UTF-8, ill-formed sequences
// becoming U+FFFD).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "pelt/format/format.h"
#include "pelt/value/conversion.h"
#include "pelt/value/locale.h"
#include "pelt/value/text.h"

namespace {

using pelt::value::Variant;

// Picks a value of the type byte's choosing from the value text.
Variant MakeValue(std::uint8_t type, std::string_view text) {
  double number = 0.0;
  std::uint64_t bits = 0;
  std::memcpy(&bits, text.data(), text.size() < 8 ? text.size() : 8);
  std::memcpy(&number, &bits, sizeof number);
  switch (type % 10) {
    case 0: return Variant::FromDouble(number);  // any bit pattern: NaN, subnormals …
    case 1: return Variant::FromDouble(std::strtod(std::string(text).c_str(), nullptr));
    case 2: return Variant::FromInteger(static_cast<std::int16_t>(bits));
    case 3: return Variant::FromLong(static_cast<std::int32_t>(bits));
    case 4: return Variant::FromCurrency(pelt::value::Currency{static_cast<std::int64_t>(bits)});
    case 5: return Variant::FromDate(pelt::value::Date{number});
    case 6: return Variant::FromText(pelt::value::FromUtf8(text));
    case 7: return Variant::FromBoolean((bits & 1) != 0);
    case 8: return Variant::Null();
    default: return Variant();
  }
}

std::size_t Size(const Variant& v) { return v.IsText() ? v.AsText().size() : 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static const char* const kLocales[] = {"en_US", "de_DE", "fr_FR", "ja_JP", "ar_EG", "hi_IN"};
  const pelt::value::LocaleData& locale = pelt::value::LocaleDataFor(kLocales[data[1] % 6]);
  const int decimals = static_cast<int>(data[1] / 6) - 2;  // -2 … 40
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::size_t nul = rest.find('\0');
  const std::string_view value_text = rest.substr(0, nul);
  const std::string_view picture_text =
      nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);

  const Variant value = MakeValue(data[0], value_text);
  const std::u16string picture = pelt::value::FromUtf8(picture_text);
  const auto first = pelt::format::Format(value, picture, locale);
  const auto again = pelt::format::Format(value, pelt::format::Picture(picture), locale);
  Check(first.error == again.error, "a compiled picture fails where its text does not");
  Check(first.value == again.value, "a compiled picture gives other text than its text");
  if (first.ok()) {
    // A picture item shows at most one grouped digit run, one date pattern
    // or the value's text form; 400 covers the longest of those.
    Check(Size(first.value) <= 64 * (picture.size() + Size(value) + 400),
          "output out of proportion to picture and value");
  }

  const auto number = pelt::format::FormatNumber(value, decimals, locale);
  if (number.ok()) Check(number.value.size() <= 1000, "FormatNumber output too long");
  const auto currency = pelt::format::FormatCurrency(value, locale);
  if (currency.ok()) Check(currency.value.size() <= 1000, "FormatCurrency output too long");
  const auto rounded = pelt::format::Round(value, decimals, locale);
  if (decimals < 0) Check(!rounded.ok(), "Round accepted a negative count");
  return 0;
}
