// The runtime's own value types: identifiers, results, texts and variants,
// and values crossing into and out of variants.

#include <gtest/gtest.h>

#include "pelt/runtime/result.h"
#include "pelt/runtime/text.h"
#include "pelt/runtime/uuid.h"
#include "pelt/runtime/value_conversion.h"
#include "pelt/runtime/variant.h"
#include "support/dump.h"
#include "support/golden_cases.h"

namespace pelt::runtime {
namespace {

using testing::Dump;

TEST(UuidTest, ParsesAndFormatsTheTextForm) {
  pelt::testing::RunGoldenCases(PELT_TESTS_DIR "/runtime/uuids.cases",
                                [](const pelt::testing::GoldenCase& c) {
                                  const std::optional<Uuid> id = ParseUuid(c.input);
                                  return (id ? ToString(*id) : "refused") + "\n";
                                });
  static_assert(UuidLiteral("00112233-4455-6677-8899-aabbccddeeff").bytes[15] == 0xff);
}

TEST(ResultTest, UnlistedCodesAreStillSuccessesOrFailures) {
  EXPECT_EQ(ResultName(static_cast<Result>(-999)), "unknown result");
  EXPECT_EQ(ResultDescription(static_cast<Result>(-999)), "The call failed.");
  EXPECT_EQ(ResultDescription(static_cast<Result>(77)), "The call succeeded.");
  EXPECT_TRUE(Succeeded(Result::kFalse));
  EXPECT_TRUE(Failed(Result::kFailed));
}

TEST(TextTest, KeepsItsLengthAndEmbeddedZeros) {
  for (const std::u16string& units :
       {std::u16string(), std::u16string(u"Zürich"), std::u16string(u"a\0b", 3),
        std::u16string(u"\U0001F600 outside the basic plane"), std::u16string(70000, u'x')}) {
    OwnedText text(units);
    ASSERT_NE(text.get(), nullptr);
    EXPECT_EQ(TextLength(text.get()), units.size());
    EXPECT_EQ(text.view(), units);
    EXPECT_EQ(text.get()[units.size()], u'\0');  // terminated for C-style readers
  }
  EXPECT_EQ(TextLength(nullptr), 0u);
  EXPECT_EQ(TextView(nullptr), u"");
}

// Counts its references, so tests can see who retains and releases.
class CountedObject final : public Object {
 public:
  Result Query(const InterfaceId& id, void** out) override {
    return QueryChain<Object>(this, id, out);
  }
  std::uint32_t Retain() override { return ++count; }
  std::uint32_t Release() override { return --count; }
  std::uint32_t count = 1;
};

TEST(VariantTest, CopiesOwnTextsAndReferencesThroughOneReferenceOnly) {
  CountedObject object;
  {
    ScopedVariant original(MakeObjectVariant(&object));
    ScopedVariant copy;
    ASSERT_EQ(VariantCopy(copy.get(), original.get()), Result::kOk);
    EXPECT_EQ(object.count, 3u);
    ScopedVariant text(MakeTextVariant(u"label"));
    Variant reference = MakeReferenceVariant(text.get());
    ASSERT_EQ(VariantCopy(copy.get(), reference), Result::kOk);  // frees what copy held
    EXPECT_EQ(object.count, 2u);
    EXPECT_NE(copy->text, text->text);  // a copy of its own
    EXPECT_EQ(TextView(copy->text), u"label");
    Variant chained = MakeReferenceVariant(reference);
    EXPECT_EQ(VariantCopy(copy.get(), chained), Result::kInvalidArgument);
  }
  EXPECT_EQ(object.count, 1u);
}

TEST(VariantTest, ValuesCrossBothWaysUnchangedAndObjectsHaveNoValueForm) {
  for (const value::Variant& v :
       {value::Variant(), value::Variant::Null(), value::Variant::FromBoolean(true),
        value::Variant::FromInteger(-32768), value::Variant::FromLong(2147483647),
        value::Variant::FromDouble(-0.5), value::Variant::FromCurrency({123456789}),
        value::Variant::FromDate({46027.75}), value::Variant::FromText(u"Łódź")}) {
    SCOPED_TRACE(Dump(v));
    ScopedVariant crossed;
    ASSERT_EQ(ToRuntimeVariant(v, crossed.get()), Result::kOk);
    value::Variant back;
    ASSERT_EQ(FromRuntimeVariant(crossed.get(), back), Result::kOk);
    EXPECT_EQ(Dump(back), Dump(v));
  }
  CountedObject object;
  ScopedVariant with_object(MakeObjectVariant(&object));
  Variant broken;
  broken.type = VariantType::kReference;
  Variant unknown;
  unknown.type = static_cast<VariantType>(200);
  value::Variant out = value::Variant::FromLong(7);
  for (const Variant* v : {&with_object.get(), &broken, &unknown}) {
    EXPECT_EQ(FromRuntimeVariant(*v, out), Result::kTypeMismatch);
  }
  VariantClear(unknown);  // an unknown tag owns nothing and must not crash
  EXPECT_EQ(Dump(out), "Long:7");
}

}  // namespace
}  // namespace pelt::runtime
