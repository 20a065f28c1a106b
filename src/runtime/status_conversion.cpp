#include "pelt/runtime/status_conversion.h"

#include <string>

#include "pelt/value/error_code.h"
#include "pelt/value/text.h"

namespace pelt::runtime {
namespace {

constexpr std::u16string_view kRuntimeSource = u"PeltExpressions runtime";

}  // namespace

Result ToResult(const errors::Status& status, ExceptionRecord* record, Result failure) {
  if (status.ok()) return Result::kOk;
  FillExceptionRecord(record, status.number(), status.source(), status.description());
  return failure;
}

errors::Status ToStatus(Result result, const ExceptionRecord* record) {
  if (Succeeded(result)) return errors::Status::Ok();
  if (record != nullptr && record->number != 0) {
    return errors::Status(record->number, std::u16string(TextView(record->source)),
                          std::u16string(TextView(record->description)));
  }
  if (result == Result::kOutOfMemory) {
    return errors::Status::FromCode(value::ErrorCode::kOutOfMemory, std::u16string(kRuntimeSource));
  }
  return errors::Status(static_cast<std::int32_t>(result), std::u16string(kRuntimeSource),
                        value::FromUtf8(ResultDescription(result)));
}

}  // namespace pelt::runtime
