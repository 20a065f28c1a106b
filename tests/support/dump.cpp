#include "support/dump.h"

#include <algorithm>
#include <cstdio>

#include "pelt/value/text.h"

namespace pelt::testing {

std::string U8(std::u16string_view text) { return value::ToUtf8(text); }

std::string Dump(const value::Variant& v) {
  std::string type = U8(value::TypeName(v.type()));
  char buffer[64];
  switch (v.type()) {
    case value::VarType::kEmpty:
    case value::VarType::kNull: return type;
    case value::VarType::kBoolean: return type + ":" + (v.AsBoolean() ? "True" : "False");
    case value::VarType::kInteger: return type + ":" + std::to_string(v.AsInteger());
    case value::VarType::kLong: return type + ":" + std::to_string(v.AsLong());
    case value::VarType::kDouble:
      std::snprintf(buffer, sizeof buffer, "%.17g", v.AsDouble());
      return type + ":" + buffer;
    case value::VarType::kCurrency:
      return type + ":" + std::to_string(v.AsCurrency().scaled) + "e-4";
    case value::VarType::kDate:
      std::snprintf(buffer, sizeof buffer, "%.10g", v.AsDate().serial);
      return type + ":" + buffer;
    case value::VarType::kString: return type + ":" + U8(v.AsText());
  }
  return type;
}

namespace {

std::string DumpArgument(const language::Argument& a) {
  if (const auto* n = std::get_if<std::int32_t>(&a)) return std::to_string(*n);
  return "'" + U8(std::get<std::u16string>(a)) + "'";
}

}  // namespace

std::string Dump(const language::FormatList& formats) {
  std::string out;
  for (const language::FormatEntry& e : formats) {
    out += "." + U8(e.FunctionName());
    const language::StatementInfo* info = language::FindStatement(e.function);
    if (info == nullptr || info->arguments == language::StatementArguments::kNone) continue;
    out += "(" + DumpArgument(e.first);
    if (info->arguments == language::StatementArguments::kTwoNumbers ||
        info->arguments == language::StatementArguments::kTwoTexts) {
      out += "," + DumpArgument(e.second);
    }
    out += ")";
  }
  return out;
}

std::string SpanProblems(std::u16string_view expression, const language::TokenList& tokens) {
  std::string problems;
  std::size_t previous_end = 0;
  for (const language::Token& t : tokens) {
    const std::size_t begin = t.offset;
    const std::size_t end = begin + t.length;
    std::u16string expected;
    switch (t.kind) {
      case language::TokenKind::kField: expected = u"[" + t.text + u"]"; break;
      case language::TokenKind::kText: expected = t.text; break;
      case language::TokenKind::kReservedWord: expected = u"$$" + t.text; break;
    }
    const std::string where = " at " + std::to_string(begin) + "+" + std::to_string(t.length);
    if (end > expression.size() || begin < previous_end) {
      problems += "span out of order or outside" + where + "; ";
    } else if (expression.substr(begin, std::min(expected.size(), std::size_t{t.length})) !=
                   expected ||
               t.length < expected.size() ||
               (t.kind != language::TokenKind::kField && t.length != expected.size())) {
      problems += "span does not spell " + U8(expected) + where + "; ";
    }
    previous_end = end;
  }
  return problems;
}

std::string Dump(const language::TokenList& tokens) {
  std::string out;
  for (const language::Token& t : tokens) {
    if (!out.empty()) out += " | ";
    switch (t.kind) {
      case language::TokenKind::kField:
        out += "Field{" + U8(t.text) + "}";
        // The lone NONE entry of a field without statements goes unsaid.
        if (t.formats.size() != 1 || t.formats[0].function != language::StatementId::kNone) {
          out += t.formats.empty() ? "(no entries)" : Dump(t.formats);
        }
        break;
      case language::TokenKind::kText: out += "Text{" + U8(t.text) + "}"; break;
      case language::TokenKind::kReservedWord: out += "Word{" + U8(t.text) + "}"; break;
    }
  }
  return out;
}

}  // namespace pelt::testing
