#include "pelt/runtime/variant.h"

namespace pelt::runtime {

void VariantClear(Variant& v) {
  switch (v.type) {
    case VariantType::kText: TextFree(v.text); break;
    case VariantType::kObject:
      if (v.object != nullptr) v.object->Release();
      break;
    default: break;  // nothing owned; a reference belongs to the caller
  }
  v = Variant();
}

const Variant* VariantTarget(const Variant& v) {
  if (v.type != VariantType::kReference) return &v;
  if (v.reference == nullptr || v.reference->type == VariantType::kReference) return nullptr;
  return v.reference;
}

Result VariantCopy(Variant& dst, const Variant& src) {
  const Variant* from = VariantTarget(src);
  if (from == nullptr) return Result::kInvalidArgument;
  if (from == &dst) return Result::kOk;
  Variant copy = *from;
  if (copy.type == VariantType::kText && copy.text != nullptr) {
    copy.text = TextAllocate(TextView(from->text));
    if (copy.text == nullptr) {
      VariantClear(dst);
      return Result::kOutOfMemory;
    }
  } else if (copy.type == VariantType::kObject && copy.object != nullptr) {
    copy.object->Retain();
  }
  VariantClear(dst);
  dst = copy;
  return Result::kOk;
}

Variant MakeBooleanVariant(bool value) {
  Variant v;
  v.type = VariantType::kBoolean;
  v.boolean = value ? kTrue : kFalse;
  return v;
}

Variant MakeLongVariant(std::int32_t value) {
  Variant v;
  v.type = VariantType::kLong;
  v.long_value = value;
  return v;
}

Variant MakeTextVariant(std::u16string_view text) {
  Variant v;
  v.text = TextAllocate(text);
  if (v.text != nullptr) v.type = VariantType::kText;
  return v;
}

Variant MakeObjectVariant(Object* object) {
  Variant v;
  v.type = VariantType::kObject;
  v.object = object;
  if (object != nullptr) object->Retain();
  return v;
}

Variant MakeReferenceVariant(Variant& target) {
  Variant v;
  v.type = VariantType::kReference;
  v.reference = &target;
  return v;
}

std::string_view VariantTypeName(VariantType type) {
  switch (type) {
    case VariantType::kEmpty: return "Empty";
    case VariantType::kNull: return "Null";
    case VariantType::kBoolean: return "Boolean";
    case VariantType::kInteger: return "Integer";
    case VariantType::kLong: return "Long";
    case VariantType::kDouble: return "Double";
    case VariantType::kCurrency: return "Currency";
    case VariantType::kDate: return "Date";
    case VariantType::kText: return "Text";
    case VariantType::kObject: return "Object";
    case VariantType::kReference: return "Reference";
  }
  return "Unknown";
}

void ExceptionRecordClear(ExceptionRecord& record) {
  TextFree(record.source);
  TextFree(record.description);
  record = ExceptionRecord();
}

void FillExceptionRecord(ExceptionRecord* record, std::int32_t number, std::u16string_view source,
                         std::u16string_view description, std::uint32_t argument) {
  if (record == nullptr) return;
  ExceptionRecordClear(*record);
  record->number = number;
  record->source = TextAllocate(source);
  record->description = TextAllocate(description);
  record->argument = argument;
}

}  // namespace pelt::runtime
