#include "dispatch_arguments.h"

#include "pelt/runtime/host_objects.h"
#include "pelt/value/text.h"

namespace pelt::server {

using runtime::Result;
using runtime::Variant;
using runtime::VariantType;

namespace {

std::u16string Number(std::uint32_t n) { return value::FromAscii(std::to_string(n)); }

}  // namespace

Result CallArguments::Fail(Result result, std::u16string_view description, std::uint32_t argument) {
  runtime::FillExceptionRecord(exception_, static_cast<std::int32_t>(result), kEvaluatorSource,
                               description, argument);
  return result;
}

Result CallArguments::ExpectCount(std::uint32_t expected) {
  if (count_ == expected) return Result::kOk;
  std::u16string text(member_);
  text += u" takes " + Number(expected) + (expected == 1 ? u" argument, not " : u" arguments, not ") +
          Number(count_) + u".";
  return Fail(Result::kBadArgumentCount, text);
}

Result CallArguments::Mismatch(std::uint32_t position, std::u16string_view name,
                               std::u16string_view wanted, std::u16string_view found) {
  std::u16string text = u"Argument " + Number(position) + u" (" + std::u16string(name) + u") of " +
                        std::u16string(member_) + u" must be " + std::u16string(wanted) +
                        u", not " + std::u16string(found) + u".";
  return Fail(Result::kTypeMismatch, text, position);
}

const Variant* CallArguments::Target(std::uint32_t position, std::u16string_view name) {
  const Variant* target = runtime::VariantTarget(values_[position - 1]);
  if (target == nullptr) {
    Mismatch(position, name, u"a value or a reference to one", u"a broken reference");
  }
  return target;
}

Result CallArguments::ReadText(std::uint32_t position, std::u16string_view name, std::u16string& out) {
  const Variant* v = Target(position, name);
  if (v == nullptr) return Result::kTypeMismatch;
  if (v->type == VariantType::kText) {
    out.assign(runtime::TextView(v->text));
    return Result::kOk;
  }
  if (v->type == VariantType::kEmpty) {
    out.clear();
    return Result::kOk;
  }
  return Mismatch(position, name, u"Text", value::FromUtf8(runtime::VariantTypeName(v->type)));
}

Result CallArguments::ReadBoolean(std::uint32_t position, std::u16string_view name,
                                  runtime::Boolean& out) {
  const Variant* v = Target(position, name);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kBoolean:
      out = v->boolean != runtime::kFalse ? runtime::kTrue : runtime::kFalse;
      return Result::kOk;
    case VariantType::kInteger:
      out = v->integer != 0 ? runtime::kTrue : runtime::kFalse;
      return Result::kOk;
    case VariantType::kLong:
      out = v->long_value != 0 ? runtime::kTrue : runtime::kFalse;
      return Result::kOk;
    default:
      return Mismatch(position, name, u"Boolean", value::FromUtf8(runtime::VariantTypeName(v->type)));
  }
}

Result CallArguments::ReadAnyObject(std::uint32_t position, std::u16string_view name,
                                    runtime::Object*& out) {
  out = nullptr;
  const Variant* v = Target(position, name);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kObject:
      out = v->object;
      return Result::kOk;
    case VariantType::kEmpty:
    case VariantType::kNull:
      return Result::kOk;
    default:
      return Mismatch(position, name, u"an object", value::FromUtf8(runtime::VariantTypeName(v->type)));
  }
}

}  // namespace pelt::server
