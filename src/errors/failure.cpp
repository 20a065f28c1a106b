#include "pelt/errors/failure.h"

#include <new>

#include "pelt/value/text.h"

namespace pelt::errors {
namespace {

constexpr std::u16string_view kComponentSource = u"PeltExpressions";

}  // namespace

Failure::Failure(Status status) : status_(std::move(status)) {
  try {
    what_ = value::ToUtf8(status_.description());
  } catch (...) {
    what_ = "unexpected failure";
  }
}

void Raise(Status status) { throw Failure(std::move(status)); }

void Raise(value::ErrorCode code, std::u16string source) {
  throw Failure(Status::FromCode(code, std::move(source)));
}

Status CurrentFailure() {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure.status();
  } catch (const std::bad_alloc&) {
    return Status::FromCode(value::ErrorCode::kOutOfMemory, std::u16string(kComponentSource));
  } catch (const std::exception& e) {
    return Status(static_cast<std::int32_t>(value::ErrorCode::kInternalError),
                  std::u16string(kComponentSource), value::FromUtf8(e.what()));
  } catch (...) {
    return Status::FromCode(value::ErrorCode::kInternalError, std::u16string(kComponentSource));
  }
}

}  // namespace pelt::errors
