// The WebAssembly module behind pelt.mjs, which sorts JavaScript's values
// into the shapes taken here; use pelt.mjs, not these bindings.

#include <emscripten/bind.h>

#include <string>

#include "catalogues.h"
#include "pelt/value/did_you_mean.h"
#include "pelt/value/locale.h"
#include "prepared_labels.h"
#include "verify.h"

namespace pelt::web {
namespace {

// "; did you mean 'en_GB'?" after an id ICU has no data for, or "".
std::string LocaleSuggestion(const std::string& id) {
  return value::DidYouMean(value::NearestKnownLocales(id));
}

bool IsKnownLocale(const std::string& id) { return value::IsKnownLocale(id); }

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
      .constructor<const std::string&, const val&, const std::string&>()
      .function("valid", &PreparedLabels::Valid)
      .function("message", &PreparedLabels::Message)
      .function("fieldsRead", &PreparedLabels::FieldsRead)
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
