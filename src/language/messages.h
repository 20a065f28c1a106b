#pragma once

// The language layer's names for the component's message table, which lives
// in the errors layer (errors/messages.def).
#include "errors/messages.h"

namespace pelt::language {

using errors::kMessageCount;
using errors::MessageId;
using errors::MessageIdName;
using errors::MessageText;
using errors::SetFailureMessage;

}  // namespace pelt::language
