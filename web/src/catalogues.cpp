#include "catalogues.h"

#include <unicode/locid.h>

#include <cctype>
#include <string>

#include "builder/help_page.h"
#include "builder/tag_catalogue.h"
#include "pelt/host/host_table.h"
#include "pelt/host/run_words.h"
#include "pelt/language/statements.h"
#include "pelt/value/text.h"

namespace pelt::web {

using emscripten::val;

namespace {

std::string Utf8(std::u16string_view text) { return value::ToUtf8(text); }

val Example(const builder::HelpExample& example) {
  val shown = val::object();
  shown.set("expression", Utf8(example.expression));
  shown.set("input", Utf8(example.input));
  shown.set("output", Utf8(example.output));
  shown.set("refused", example.refused);
  return shown;
}

}  // namespace

val Statements() {
  const builder::HelpPage page = builder::MakeHelpPage(nullptr, nullptr);
  val statements = val::array();
  std::size_t i = 0;
  for (const language::StatementInfo& info : language::Statements()) {
    val statement = val::object();
    statement.set("name", Utf8(info.name));
    statement.set("entry", Utf8(info.catalogue_entry));
    statement.set("description", Utf8(info.description));
    // The help page lists every statement in the same catalogue order.
    statement.set("example", Example(page.statements.at(i++).example));
    statements.call<void>("push", statement);
  }
  return statements;
}

val ReservedWords() {
  val words = val::array();
  for (const host::RunWordInfo& info : host::RunWordTable()) {
    val word = val::object();
    word.set("name", "$$" + Utf8(info.name));
    word.set("description", Utf8(info.description));
    words.call<void>("push", word);
  }
  return words;
}

val Tags() {
  val tags = val::array();
  for (const builder::TagInfo& info : builder::Tags()) {
    val tag = val::object();
    tag.set("entry", Utf8(info.entry));
    tag.set("description", Utf8(info.description));
    tags.call<void>("push", tag);
  }
  return tags;
}

val FieldTypes() {
  val types = val::object();
#define PELT_FIELD_TYPE(id, code, name, use) types.set(Utf8(name), code);
#include "pelt/host/field_types.def"
#undef PELT_FIELD_TYPE
  return types;
}

val Locales() {
  val locales = val::array();
  std::int32_t count = 0;
  const icu::Locale* available = icu::Locale::getAvailableLocales(count);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::string country = available[i].getCountry();
    if (country.size() == 2 && std::isalpha(static_cast<unsigned char>(country[0]))) {
      locales.call<void>("push", std::string(available[i].getName()));
    }
  }
  return locales;
}

}  // namespace pelt::web
