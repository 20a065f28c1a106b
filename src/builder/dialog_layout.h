#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "errors/messages.h"

namespace pelt::builder {

// The controls of the expression builder, in the order of its layout
// (dialog_controls.def).
enum class Control {
#define PELT_CONTROL(id, name, kind, container, text, tool_tip, left, top, width, height, tab) id,
#include "builder/dialog_controls.def"
#undef PELT_CONTROL
};
inline constexpr int kControlCount = 0
#define PELT_CONTROL(id, name, kind, container, text, tool_tip, left, top, width, height, tab) +1
#include "builder/dialog_controls.def"
#undef PELT_CONTROL
    ;

enum class ControlKind {
  kFrame,         // a captioned group; disabling it disables what it holds
  kDropDownList,  // pick-only list that keeps the order entries were added in
  kButton,
  kLabel,
  kTextBox,  // multi-line, with a vertical scroll bar
};

// A rectangle in twips (1/1440 inch), relative to the control's container:
// the dialog's client area or the outline of a frame.
struct TwipRect {
  int left;
  int top;
  int width;
  int height;
};

// One row of the fixed layout. Nothing moves or resizes at run time.
struct ControlSpec {
  Control id;
  std::string_view name;  // the control's fixed name, "CmdOK"
  ControlKind kind;
  std::optional<Control> container;  // nullopt: the dialog itself
  std::u16string_view text;          // at design time; "" for none
  std::u16string_view tool_tip;      // "" for none
  TwipRect rect;
  int tab_index;  // place in the focus sequence; frames and labels never take the focus
};

inline constexpr std::u16string_view kDialogCaption =
    errors::MessageText(errors::MessageId::kBuilderCaption);
inline constexpr int kClientWidthTwips = 8040;
inline constexpr int kClientHeightTwips = 6900;

// The help window's first size (it may be resized).
inline constexpr int kHelpWidthTwips = 11520;
inline constexpr int kHelpHeightTwips = 8640;

// The size of the dialog's standard font, in points.
inline constexpr double kStandardPoints = 8.25;

// The frame whose caption is drawn bold, and the face and size it asks for.
inline constexpr Control kBoldCaptionFrame = Control::kFraExpression;
inline constexpr std::string_view kBoldCaptionFace = "MS Sans Serif";
inline constexpr double kBoldCaptionPoints = 8.25;

// Every control, in layout order (indexable by Control).
std::span<const ControlSpec> DialogLayout();
const ControlSpec& SpecOf(Control control);

// Twips to device pixels at the given logical dots per inch, rounded to the
// nearest pixel (15 twips make one pixel at 96 dpi).
int TwipsToPixels(int twips, double dots_per_inch);

}  // namespace pelt::builder
