#include "example_values.h"

#include <regex>
#include <string>

#include "pelt/value/text.h"
#include "pelt/value/typed_literal.h"

namespace pelt::reference {
namespace {

using host::FieldType;
using value::VarType;

// The field type a table holding the value declares.
FieldType TypeOf(const value::Variant& v) {
  switch (v.type()) {
    case VarType::kBoolean:
    case VarType::kInteger: return FieldType::kSmallInteger;
    case VarType::kLong: return FieldType::kInteger;
    case VarType::kDouble:
    case VarType::kCurrency: return FieldType::kDouble;
    case VarType::kDate: return FieldType::kDate;
    default: return FieldType::kString;
  }
}

std::optional<ExampleValue> FromLiteral(const std::string& literal, std::string shown) {
  std::optional<value::Variant> v = value::ParseTypedLiteral(literal);
  if (!v) return std::nullopt;
  const FieldType type = TypeOf(*v);
  return ExampleValue{std::move(*v), std::move(shown), type};
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A bare value as shown: a date's "T" before its time becomes a blank.
std::string Shown(std::string word) {
  if (word.size() > 10 && word[10] == 'T') word[10] = ' ';
  return word;
}

// The typed literal a bare word of the source stands for.
std::string LiteralOf(const std::string& word) {
  static const std::regex kInteger("-?[0-9]+");
  static const std::regex kDate("[0-9]{4}-[0-9]{2}-[0-9]{2}(T[0-9]{2}:[0-9]{2}:[0-9]{2})?");
  static const std::regex kTime("[0-9]{2}:[0-9]{2}:[0-9]{2}");
  if (word == "null") return "null:";
  if (word == "true" || word == "false") return "bool:" + word;
  if (word.starts_with("cur:")) return word;
  if (std::regex_match(word, kInteger)) return "int:" + word;
  if (std::regex_match(word, kDate)) return "date:" + word;
  if (std::regex_match(word, kTime)) return "time:" + word;
  return "num:" + word;
}

}  // namespace

std::optional<ExampleValue> ReadExampleValue(std::string_view& text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  if (text.front() == '"') {
    std::string inside;
    std::size_t at = 1;
    for (;; ++at) {
      if (at >= text.size()) return std::nullopt;
      if (text[at] != '"') {
        inside += text[at];
      } else if (at + 1 < text.size() && text[at + 1] == '"') {
        inside += text[++at];
      } else {
        break;
      }
    }
    text.remove_prefix(at + 1);
    return FromLiteral("str:" + inside, Quoted(inside));
  }
  const std::size_t end = std::min(text.find(' '), text.size());
  const std::string word(text.substr(0, end));
  text.remove_prefix(end);
  return FromLiteral(LiteralOf(word), Shown(word.starts_with("cur:") ? word.substr(4) : word));
}

std::optional<ExampleValue> ExampleValueFromLiteral(std::string_view literal) {
  const std::size_t colon = literal.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::string_view inside = literal.substr(colon + 1);
  if (literal.starts_with("str:")) return FromLiteral(std::string(literal), Quoted(inside));
  return FromLiteral(std::string(literal), Shown(std::string(inside)));
}

}  // namespace pelt::reference
