#include "dispatch_arguments.h"

#include "pelt/value/text.h"

namespace pelt::server {

using runtime::CallKind;
using runtime::Result;
using runtime::Variant;
using runtime::VariantType;

namespace {

std::u16string Number(std::uint32_t n) { return value::FromAscii(std::to_string(n)); }

std::u16string TypeName(const Variant& v) {
  return value::FromUtf8(runtime::VariantTypeName(v.type));
}

}  // namespace

bool IsRead(CallKind kind) {
  return !runtime::HasCallKind(kind, CallKind::kPut) &&
         (runtime::HasCallKind(kind, CallKind::kGet) ||
          runtime::HasCallKind(kind, CallKind::kMethod));
}

bool IsWrite(CallKind kind) { return kind == CallKind::kPut; }

Result CallArguments::Fail(Result result, std::u16string_view description, std::uint32_t argument) {
  runtime::FillExceptionRecord(exception_, static_cast<std::int32_t>(result), kEvaluatorSource,
                               description, argument);
  return result;
}

Result CallArguments::CheckCallKind(MemberKind member, CallKind kind) {
  switch (member) {
    case MemberKind::kProperty:
      if (IsRead(kind) || IsWrite(kind)) return Result::kOk;
      return Fail(Result::kBadCallKind, std::u16string(member_) + u" is read or written.");
    case MemberKind::kReadOnlyProperty:
      if (IsRead(kind)) return Result::kOk;
      return Fail(Result::kBadCallKind, std::u16string(member_) + u" is a read-only property.");
    case MemberKind::kMethod:
      if (IsRead(kind)) return Result::kOk;
      return Fail(Result::kBadCallKind, std::u16string(member_) + u" is a method.");
  }
  return Result::kUnexpected;
}

Result CallArguments::ExpectCount(std::uint32_t expected) {
  if (count_ == expected) return Result::kOk;
  std::u16string text(member_);
  text += u" takes " + Number(expected) +
          (expected == 1 ? u" argument, not " : u" arguments, not ") + Number(count_) + u".";
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
    static_cast<void>(
        Mismatch(position, name, u"a value or a reference to one", u"a broken reference"));
  }
  return target;
}

Result CallArguments::Read(std::uint32_t position, std::u16string_view name, runtime::Text& out) {
  const Variant* v = Target(position, name);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kText: out = v->text; return Result::kOk;
    case VariantType::kEmpty: out = nullptr; return Result::kOk;
    default: return Mismatch(position, name, u"Text", TypeName(*v));
  }
}

Result CallArguments::Read(std::uint32_t position, std::u16string_view name,
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
    default: return Mismatch(position, name, u"Boolean", TypeName(*v));
  }
}

template <class T>
Result CallArguments::ReadObject(std::uint32_t position, std::u16string_view name,
                                 std::u16string_view kind, runtime::Ref<T>& out) {
  out = nullptr;
  const Variant* v = Target(position, name);
  if (v == nullptr) return Result::kTypeMismatch;
  switch (v->type) {
    case VariantType::kObject:
      if (v->object == nullptr) return Result::kOk;
      if (runtime::Failed(v->object->Query(T::kId, out.PutVoid()))) {
        return Mismatch(position, name, kind, u"an object of another kind");
      }
      return Result::kOk;
    case VariantType::kEmpty:
    case VariantType::kNull: return Result::kOk;
    default: return Mismatch(position, name, u"an object", TypeName(*v));
  }
}

Result CallArguments::Read(std::uint32_t position, std::u16string_view name,
                           runtime::Ref<runtime::HostTableObject>& out) {
  return ReadObject(position, name, u"a host table", out);
}

Result CallArguments::Read(std::uint32_t position, std::u16string_view name,
                           runtime::Ref<runtime::HostRowObject>& out) {
  return ReadObject(position, name, u"a host row", out);
}

Result CallArguments::Read(std::uint32_t position, std::u16string_view name,
                           runtime::Ref<runtime::CollectionObject>& out) {
  return ReadObject(position, name, u"a collection", out);
}

}  // namespace pelt::server
