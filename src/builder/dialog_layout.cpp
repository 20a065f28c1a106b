#include "dialog_layout.h"

#include <cmath>

namespace pelt::builder {
namespace {

using C = Control;
using K = ControlKind;

constexpr std::u16string_view kAddFieldTip = u"Add Selected Field to Expression";
constexpr std::u16string_view kNoDescription = u"Formatting Description";

// Legend: name, kind, container, design-time text, tool tip,
// {left, top, width, height} in twips, tab index.
constexpr ControlSpec kLayout[] = {
    {C::kFraReservedWords, "fraReservedWords", K::kFrame, std::nullopt,
     u"Reserved Words: (page numbers, dates, etc.)", u"", {120, 120, 7815, 1095}, 13},
    {C::kCmbReservedWords, "cmbReservedWords", K::kDropDownList, C::kFraReservedWords, u"", u"",
     {240, 360, 3015, 315}, 20},
    // The reserved-word and tag buttons carry the field button's tip.
    {C::kCmdAddReservedWord, "cmdAddReservedWord", K::kButton, C::kFraReservedWords, u"Add",
     kAddFieldTip, {3360, 360, 1215, 345}, 19},
    {C::kLblReservedWordDescription, "lblReservedWordDescription", K::kLabel,
     C::kFraReservedWords, kNoDescription, u"", {240, 720, 7455, 255}, 15},

    {C::kFraLabelFields, "FraLabelFields", K::kFrame, std::nullopt,
     u"Database Fields and Formats: (fields from the selected table)", u"",
     {120, 1320, 7815, 1575}, 3},
    {C::kCmbLabelFields, "cmbLabelFields", K::kDropDownList, C::kFraLabelFields, u"", u"",
     {240, 360, 3015, 315}, 9},
    {C::kCmdAddField, "CmdAddField", K::kButton, C::kFraLabelFields, u"Add", kAddFieldTip,
     {3360, 360, 1215, 345}, 4},
    {C::kCmbFormattingStatements, "CmbFormattingStatements", K::kDropDownList,
     C::kFraLabelFields, u"", u"", {240, 840, 3015, 315}, 12},
    {C::kCmdAddFormattingStatement, "CmdAddFormattingStatement", K::kButton, C::kFraLabelFields,
     u"Add", u"Add Formatting Statement to Expression", {3360, 840, 1215, 345}, 11},
    {C::kLblFormatDescription, "lblFormatDescription", K::kLabel, C::kFraLabelFields,
     kNoDescription, u"", {240, 1200, 7455, 255}, 10},

    {C::kFraTextFormatting, "fraTextFormatting", K::kFrame, std::nullopt, u"Text Formatting Tags:",
     u"", {120, 3000, 7815, 1095}, 14},
    {C::kCmbTags, "cmbTags", K::kDropDownList, C::kFraTextFormatting, u"", u"",
     {240, 360, 3015, 315}, 18},
    {C::kCmdAddTag, "cmdAddTag", K::kButton, C::kFraTextFormatting, u"Add", kAddFieldTip,
     {3360, 360, 1215, 345}, 17},
    {C::kLblTagDescription, "lblTagDescription", K::kLabel, C::kFraTextFormatting,
     kNoDescription, u"", {240, 720, 7455, 255}, 16},

    {C::kFraExpression, "FraExpression", K::kFrame, std::nullopt, u"Expression:", u"",
     {120, 4200, 7815, 2175}, 5},
    {C::kLblExpression, "LblExpression", K::kLabel, C::kFraExpression,
     u"Compose an expression by using reserved words, database fields, formatting statements "
     u"and other text.",
     u"", {240, 240, 7335, 255}, 8},
    {C::kTxtExpression, "TxtExpression", K::kTextBox, C::kFraExpression, u"", u"",
     {240, 480, 7335, 1095}, 6},
    {C::kCmdVerifyExpression, "CmdVerifyExpression", K::kButton, C::kFraExpression, u"Verify",
     u"Verify that Expression is Correct", {240, 1680, 1215, 345}, 7},

    {C::kCmdHelp, "CmdHelp", K::kButton, std::nullopt, u"Help", u"", {120, 6480, 1215, 345}, 0},
    {C::kCmdCancel, "CmdCancel", K::kButton, std::nullopt, u"Cancel", u"Close, Exit, Terminate",
     {5400, 6480, 1215, 345}, 1},
    {C::kCmdOK, "CmdOK", K::kButton, std::nullopt, u"OK", u"Apply Expression to Layer's Legend",
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
