#include "dialog_layout.h"

#include <cmath>

#include "errors/messages.h"

namespace pelt::builder {
namespace {

using enum Control;
using enum ControlKind;
using enum errors::MessageId;
constexpr std::optional<Control> kDialog;  // the client area

// A message's text, or kNone for no text.
constexpr std::u16string_view kNone;
constexpr std::u16string_view Text(std::u16string_view none) { return none; }
constexpr std::u16string_view Text(errors::MessageId id) { return errors::MessageText(id); }

constexpr ControlSpec kLayout[] = {
#define PELT_CONTROL(id, name, kind, container, text, tool_tip, left, top, width, height, tab) \
  {id, #name, kind, container, Text(text), Text(tool_tip), {left, top, width, height}, tab},
#include "builder/dialog_controls.def"
#undef PELT_CONTROL
};

}  // namespace

std::span<const ControlSpec> DialogLayout() { return kLayout; }

const ControlSpec& SpecOf(Control control) { return kLayout[static_cast<int>(control)]; }

int TwipsToPixels(int twips, double dots_per_inch) {
  constexpr double kTwipsPerInch = 1440.0;
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

}  // namespace pelt::builder
