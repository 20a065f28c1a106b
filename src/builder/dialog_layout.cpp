#include "dialog_layout.h"

#include <cmath>

#include "errors/messages.h"

namespace pelt::builder {
namespace {

using C = Control;
using K = ControlKind;

using M = errors::MessageId;
constexpr std::u16string_view T(M id) { return errors::MessageText(id); }

// Legend: name, kind, container, design-time text, tool tip,
// {left, top, width, height} in twips, tab index.
constexpr ControlSpec kLayout[] = {
    {C::kFraReservedWords, "fraReservedWords", K::kFrame, std::nullopt,
     T(M::kReservedWordsFrame), u"", {120, 120, 7815, 1095}, 13},
    {C::kCmbReservedWords, "cmbReservedWords", K::kDropDownList, C::kFraReservedWords, u"", u"",
     {240, 360, 3015, 315}, 20},
    // The reserved-word and tag buttons carry the field button's tip.
    {C::kCmdAddReservedWord, "cmdAddReservedWord", K::kButton, C::kFraReservedWords, T(M::kAddButton),
     T(M::kAddFieldTip), {3360, 360, 1215, 345}, 19},
    {C::kLblReservedWordDescription, "lblReservedWordDescription", K::kLabel,
     C::kFraReservedWords, T(M::kDescriptionPlaceholder), u"", {240, 720, 7455, 255}, 15},

    {C::kFraLabelFields, "FraLabelFields", K::kFrame, std::nullopt,
     T(M::kLabelFieldsFrame), u"",
     {120, 1320, 7815, 1575}, 3},
    {C::kCmbLabelFields, "cmbLabelFields", K::kDropDownList, C::kFraLabelFields, u"", u"",
     {240, 360, 3015, 315}, 9},
    {C::kCmdAddField, "CmdAddField", K::kButton, C::kFraLabelFields, T(M::kAddButton), T(M::kAddFieldTip),
     {3360, 360, 1215, 345}, 4},
    {C::kCmbFormattingStatements, "CmbFormattingStatements", K::kDropDownList,
     C::kFraLabelFields, u"", u"", {240, 840, 3015, 315}, 12},
    {C::kCmdAddFormattingStatement, "CmdAddFormattingStatement", K::kButton, C::kFraLabelFields,
     T(M::kAddButton), T(M::kAddStatementTip), {3360, 840, 1215, 345}, 11},
    {C::kLblFormatDescription, "lblFormatDescription", K::kLabel, C::kFraLabelFields,
     T(M::kDescriptionPlaceholder), u"", {240, 1200, 7455, 255}, 10},

    {C::kFraTextFormatting, "fraTextFormatting", K::kFrame, std::nullopt, T(M::kTextFormattingFrame),
     u"", {120, 3000, 7815, 1095}, 14},
    {C::kCmbTags, "cmbTags", K::kDropDownList, C::kFraTextFormatting, u"", u"",
     {240, 360, 3015, 315}, 18},
    {C::kCmdAddTag, "cmdAddTag", K::kButton, C::kFraTextFormatting, T(M::kAddButton), T(M::kAddFieldTip),
     {3360, 360, 1215, 345}, 17},
    {C::kLblTagDescription, "lblTagDescription", K::kLabel, C::kFraTextFormatting,
     T(M::kDescriptionPlaceholder), u"", {240, 720, 7455, 255}, 16},

    {C::kFraExpression, "FraExpression", K::kFrame, std::nullopt, T(M::kExpressionFrame), u"",
     {120, 4200, 7815, 2175}, 5},
    {C::kLblExpression, "LblExpression", K::kLabel, C::kFraExpression,
     T(M::kExpressionHint),
     u"", {240, 240, 7335, 255}, 8},
    {C::kTxtExpression, "TxtExpression", K::kTextBox, C::kFraExpression, u"", u"",
     {240, 480, 7335, 1095}, 6},
    {C::kCmdVerifyExpression, "CmdVerifyExpression", K::kButton, C::kFraExpression, T(M::kVerifyButton),
     T(M::kVerifyTip), {240, 1680, 1215, 345}, 7},

    {C::kCmdHelp, "CmdHelp", K::kButton, std::nullopt, T(M::kHelpButton), u"", {120, 6480, 1215, 345}, 0},
    {C::kCmdCancel, "CmdCancel", K::kButton, std::nullopt, T(M::kCancelButton), T(M::kCancelTip),
     {5400, 6480, 1215, 345}, 1},
    {C::kCmdOK, "CmdOK", K::kButton, std::nullopt, T(M::kOkButton), T(M::kOkTip),
     {6720, 6480, 1215, 345}, 2},
};

static_assert(std::size(kLayout) == kControlCount);

constexpr bool RowsFollowTheEnum() {
  for (int i = 0; i < kControlCount; ++i) {
    if (static_cast<int>(kLayout[i].id) != i) return false;
  }
  return true;
}
static_assert(RowsFollowTheEnum(), "SpecOf indexes the layout by Control");

}  // namespace

std::span<const ControlSpec> DialogLayout() { return kLayout; }

const ControlSpec& SpecOf(Control control) { return kLayout[static_cast<int>(control)]; }

int TwipsToPixels(int twips, double dots_per_inch) {
  constexpr double kTwipsPerInch = 1440.0;
  return static_cast<int>(std::lround(twips * dots_per_inch / kTwipsPerInch));
}

}  // namespace pelt::builder
