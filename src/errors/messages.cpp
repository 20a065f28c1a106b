#include "errors/messages.h"

#include "pelt/errors/failure.h"

namespace pelt::errors {
namespace {

constexpr std::string_view kNames[] = {
#define PELT_MESSAGE(id, text) #id,
#include "errors/messages.def"
#undef PELT_MESSAGE
};

static_assert(std::size(kNames) == kMessageCount);

}  // namespace

std::string_view MessageIdName(MessageId id) { return kNames[static_cast<std::size_t>(id)]; }

void SetFailureMessage(std::u16string& message, MessageId when_empty) noexcept {
  try {
    const Status failure = CurrentFailure();
    if (failure.description().empty()) {
      message.assign(MessageText(when_empty));
    } else {
      message = failure.description();
    }
  } catch (...) {
    // No memory even for the fallback text: an empty message says as much.
    message.clear();
  }
}

}  // namespace pelt::errors
