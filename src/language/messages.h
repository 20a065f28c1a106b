#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pelt::language {

// The user-visible texts of scanning, parsing and verification. The texts
// live in messages.def; code refers to them by id only.
enum class MessageId : std::uint8_t {
#define PELT_MESSAGE(id, text) id,
#include "language/messages.def"
#undef PELT_MESSAGE
};

inline constexpr std::size_t kMessageCount = 0
#define PELT_MESSAGE(id, text) +1
#include "language/messages.def"
#undef PELT_MESSAGE
    ;

std::u16string_view MessageText(MessageId id);
// "kExpressionEmpty" …, for test output.
std::string_view MessageIdName(MessageId id);

// For use inside a catch handler: sets message to the description of the
// failure in flight, or to the text of when_empty when it has none. Clears
// the message when there is no memory even for that. Never throws.
void SetFailureMessage(std::u16string& message, MessageId when_empty) noexcept;

}  // namespace pelt::language
