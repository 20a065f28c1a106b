// The WebAssembly module behind pelt.mjs, which sorts JavaScript's values
// into the shapes taken here; use pelt.mjs, not these bindings.

#include <emscripten/bind.h>

#include <string>

#include "catalogues.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/locale.h"
#include "prepared_labels.h"
#include "table_fields.h"
#include "verify.h"

namespace pelt::web {
namespace {

// "; did you mean 'en_GB'?" after an id ICU has no data for, or "".
std::string LocaleSuggestion(const std::string& id) {
  return value::DidYouMean(value::NearestKnownLocales(id));
}

bool IsKnownLocale(const std::string& id) { return value::IsKnownLocale(id); }

PreparedLabels* NewPreparedLabels(const std::string& expression, const emscripten::val& fields,
                                  const std::string& locale_id) {
  return new PreparedLabels(expression, TableFieldsOf(fields), locale_id);
}

// The indices of the fields the expression reads, as a JavaScript array.
emscripten::val FieldsRead(const PreparedLabels& p) {
  emscripten::val indices = emscripten::val::array();
  for (const std::size_t index : p.FieldsRead()) indices.call<void>("push", index);
  return indices;
}

std::uintptr_t KindsAddress(PreparedLabels& p) { return p.cells().KindsAddress(); }
std::uintptr_t NumbersAddress(PreparedLabels& p) { return p.cells().NumbersAddress(); }
std::uintptr_t TextEndsAddress(PreparedLabels& p) { return p.cells().TextEndsAddress(); }
std::uintptr_t TextAddress(PreparedLabels& p) { return p.cells().TextAddress(); }
std::uintptr_t FidsAddress(PreparedLabels& p) { return p.cells().FidsAddress(); }

}  // namespace
}  // namespace pelt::web

EMSCRIPTEN_BINDINGS(pelt_core) {
  using namespace emscripten;
  using namespace pelt::web;
  constant("version", std::string(PELT_VERSION));
  function("statements", &Statements);
  function("reservedWords", &ReservedWords);
  function("tags", &Tags);
  function("fieldTypes", &FieldTypes);
  function("locales", &Locales);
  function("isKnownLocale", &IsKnownLocale);
  function("localeSuggestion", &LocaleSuggestion);
  function("verify", &Verify);
  function("formatValue", &FormatValue);
  class_<PreparedLabels>("PreparedLabels")
      .constructor(&NewPreparedLabels, allow_raw_pointers())
      .function("valid", &PreparedLabels::Valid)
      .function("message", &PreparedLabels::Message)
      .function("fieldsRead", &FieldsRead)
      .function("giveWord", &PreparedLabels::GiveWord)
      .function("reserveCells", &PreparedLabels::ReserveCells)
      .function("kindsAddress", &KindsAddress)
      .function("numbersAddress", &NumbersAddress)
      .function("textEndsAddress", &TextEndsAddress)
      .function("textAddress", &TextAddress)
      .function("reserveFids", &PreparedLabels::ReserveFids)
      .function("fidsAddress", &FidsAddress)
      .function("labelRows", &PreparedLabels::LabelRows)
      .function("labelsAddress", &PreparedLabels::LabelsAddress)
      .function("labelsLength", &PreparedLabels::LabelsLength)
      .function("labelEndsAddress", &PreparedLabels::LabelEndsAddress)
      .function("failed", &PreparedLabels::Failed);
}
