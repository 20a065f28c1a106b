#include "language/messages.h"

#include "pelt/errors/failure.h"

namespace pelt::language {
namespace {

constexpr std::u16string_view kTexts[] = {
#define PELT_MESSAGE(id, text) text,
#include "language/messages.def"
#undef PELT_MESSAGE
};

constexpr std::string_view kNames[] = {
#define PELT_MESSAGE(id, text) #id,
#include "language/messages.def"
#undef PELT_MESSAGE
};

static_assert(std::size(kTexts) == kMessageCount);

}  // namespace

std::u16string_view MessageText(MessageId id) { return kTexts[static_cast<std::size_t>(id)]; }

std::string_view MessageIdName(MessageId id) { return kNames[static_cast<std::size_t>(id)]; }

void SetFailureMessage(std::u16string& message, MessageId when_empty) noexcept {
  try {
    const errors::Status failure = errors::CurrentFailure();
    if (failure.description().empty()) {
      message.assign(MessageText(when_empty));
    } else {
      message = failure.description();
    }
  } catch (...) {
    message.clear();
  }
}

}  // namespace pelt::language
