#include "pelt/runtime/value_conversion.h"

#include <string>

namespace pelt::runtime {

Result ToRuntimeVariant(const value::Variant& in, Variant& out) {
  VariantClear(out);
  switch (in.type()) {
    case value::VarType::kEmpty: return Result::kOk;
    case value::VarType::kNull: out.type = VariantType::kNull; return Result::kOk;
    case value::VarType::kBoolean: out = MakeBooleanVariant(in.AsBoolean()); return Result::kOk;
    case value::VarType::kInteger:
      out.type = VariantType::kInteger;
      out.integer = in.AsInteger();
      return Result::kOk;
    case value::VarType::kLong: out = MakeLongVariant(in.AsLong()); return Result::kOk;
    case value::VarType::kDouble:
      out.type = VariantType::kDouble;
      out.double_value = in.AsDouble();
      return Result::kOk;
    case value::VarType::kCurrency:
      out.type = VariantType::kCurrency;
      out.currency = in.AsCurrency().scaled;
      return Result::kOk;
    case value::VarType::kDate:
      out.type = VariantType::kDate;
      out.date = in.AsDate().serial;
      return Result::kOk;
    case value::VarType::kString:
      out = MakeTextVariant(in.AsText());
      return out.type == VariantType::kText ? Result::kOk : Result::kOutOfMemory;
  }
  return Result::kTypeMismatch;
}

Result FromRuntimeVariant(const Variant& in, value::Variant& out) {
  const Variant* v = VariantTarget(in);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kEmpty: out = value::Variant(); return Result::kOk;
    case VariantType::kNull: out = value::Variant::Null(); return Result::kOk;
    case VariantType::kBoolean:
      out = value::Variant::FromBoolean(v->boolean != kFalse);
      return Result::kOk;
    case VariantType::kInteger: out = value::Variant::FromInteger(v->integer); return Result::kOk;
    case VariantType::kLong: out = value::Variant::FromLong(v->long_value); return Result::kOk;
    case VariantType::kDouble:
      out = value::Variant::FromDouble(v->double_value);
      return Result::kOk;
    case VariantType::kCurrency:
      out = value::Variant::FromCurrency(value::Currency{v->currency});
      return Result::kOk;
    case VariantType::kDate:
      out = value::Variant::FromDate(value::Date{v->date});
      return Result::kOk;
    case VariantType::kText:
      out.TextToFill().assign(TextView(v->text));
      return Result::kOk;
    case VariantType::kObject:
    case VariantType::kReference: break;
  }
  return Result::kTypeMismatch;
}

}  // namespace pelt::runtime
