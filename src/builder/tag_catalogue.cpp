#include "tag_catalogue.h"

namespace pelt::builder {
namespace {

constexpr TagInfo kTags[] = {
    {u"<FNT></FNT>", u"Font Name and Size. Example: <FNT name=\"Arial\" size=\"18\">My text</FNT>"},
    {u"<CLR></CLR>",
     u"Color (RGB or CMYK). Example: <CLR red=\"255\" green=\"255\" blue=\"255\">My text</CLR>"},
    {u"<BOL></BOL>", u"Bold. Example: <BOL>My text</BOL>"},
    {u"<ITA></ITA>", u"Italics. Example: <ITA>My text</ITA>"},
    {u"<UND></UND>", u"Underline. Example: <UND>My text</UND>"},
    {u"<ACP></ACP>", u"All Capitals. Example: <ACP>My text</ACP>"},
    {u"<SCP></SCP>", u"Small Capitals. Example: <SCP>My text</SCP>"},
    {u"<SUP></SUP>", u"Superscript. Example: <SUP>My text</SUP>"},
    {u"<SUB></SUB>", u"Subscript. Example: <SUB>My text</SUB>"},
    {u"<CHR></CHR>", u"Character Spacing (%). Example: <CHR spacing=\"25\">My text</CHR>"},
    {u"<WRD></WRD>", u"Word Spacing (%). Example: <WRD spacing=\"150\">My text</WRD>"},
    // Two blanks after "Example:" here, one everywhere else: users have always
    // seen it so.
    {u"<LIN></LIN>", u"Leading Line (pts). Example:  <LIN leading=\"12\">My text</LIN>"},
};

constexpr bool EveryEntryIsAnEmptyPair() {
  for (const TagInfo& tag : kTags) {
    if (tag.entry.size() != kOpeningTagLength + kClosingTagLength) return false;
    const std::u16string_view open = tag.entry.substr(0, kOpeningTagLength);
    const std::u16string_view close = tag.entry.substr(kOpeningTagLength);
    if (close[0] != u'<' || close[1] != u'/' || close.substr(2) != open.substr(1)) return false;
  }
  return true;
}
static_assert(EveryEntryIsAnEmptyPair());

}  // namespace

std::span<const TagInfo> Tags() { return kTags; }

}  // namespace pelt::builder
