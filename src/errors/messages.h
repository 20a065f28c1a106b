#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelt::errors {

// The texts the component shows to users. They live in messages.def; code
// refers to them by id only. The table sits in the errors layer because the
// error report needs it and every layer that shows texts (language,
// evaluator, builder) already builds on this one.
enum class MessageId : std::uint8_t {
#define PELT_MESSAGE(id, text) id,
#include "errors/messages.def"
#undef PELT_MESSAGE
};

inline constexpr std::u16string_view kMessageTexts[] = {
#define PELT_MESSAGE(id, text) text,
#include "errors/messages.def"
#undef PELT_MESSAGE
};

inline constexpr std::size_t kMessageCount = std::size(kMessageTexts);

// Constant, so that fixed tables (the dialog's layout) can be built from it.
constexpr std::u16string_view MessageText(MessageId id) {
  return kMessageTexts[static_cast<std::size_t>(id)];
}

// "kExpressionEmpty" …, for test output.
std::string_view MessageIdName(MessageId id);

// For use inside a catch handler: sets message to the description of the
// failure in flight, or to the text of when_empty when it has none. Clears
// the message when there is no memory even for that. Never throws.
void SetFailureMessage(std::u16string& message, MessageId when_empty) noexcept;

}  // namespace pelt::errors
