#include "support/dump.h"

#include <cstdio>

#include "pelt/value/text.h"

namespace pelt::testing {

std::string U8(std::u16string_view text) { return value::ToUtf8(text); }

std::string Dump(const value::Variant& v) {
  std::string type = U8(value::TypeName(v.type()));
  char buffer[64];
  switch (v.type()) {
    case value::VarType::kEmpty:
    case value::VarType::kNull:
      return type;
    case value::VarType::kBoolean:
      return type + ":" + (v.AsBoolean() ? "True" : "False");
    case value::VarType::kInteger:
      return type + ":" + std::to_string(v.AsInteger());
    case value::VarType::kLong:
      return type + ":" + std::to_string(v.AsLong());
    case value::VarType::kDouble:
      std::snprintf(buffer, sizeof buffer, "%.17g", v.AsDouble());
      return type + ":" + buffer;
    case value::VarType::kCurrency:
      return type + ":" + std::to_string(v.AsCurrency().scaled) + "e-4";
    case value::VarType::kDate:
      std::snprintf(buffer, sizeof buffer, "%.10g", v.AsDate().serial);
      return type + ":" + buffer;
    case value::VarType::kString:
      return type + ":" + U8(v.AsText());
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
    if (e.function == language::StatementId::kNone) {
      if (formats.size() != 1) out += ".NONE";
      continue;
    }
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

std::string Dump(const language::TokenList& tokens) {
  std::string out;
  for (const language::Token& t : tokens) {
    if (!out.empty()) out += " | ";
    switch (t.kind) {
      case language::TokenKind::kField:
        out += "Field{" + U8(t.text) + "}" + Dump(t.formats);
        break;
      case language::TokenKind::kText:
        out += "Text{" + U8(t.text) + "}";
        break;
      case language::TokenKind::kReservedWord:
        out += "Word{" + U8(t.text) + "}";
        break;
    }
  }
  return out;
}

}  // namespace pelt::testing
