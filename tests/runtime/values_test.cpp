#include <gtest/gtest.h>

#include <cstring>

#include "pelt/runtime/value_conversion.h"
#include "pelt/runtime/result.h"
#include "pelt/runtime/text.h"
#include "pelt/runtime/uuid.h"
#include "pelt/runtime/variant.h"
#include "support/dump.h"

namespace pelt::runtime {
namespace {

using testing::Dump;

TEST(UuidTest, ParsesAndFormatsTheTextForm) {
  struct Row {
    int line;
    std::string_view text;
    std::optional<std::string> formatted;  // nullopt: refused
  } rows[] = {
      {__LINE__, "665db793-3bf2-4cd7-8e73-622745cdc5b5", "665db793-3bf2-4cd7-8e73-622745cdc5b5"},
      {__LINE__, "665DB793-3BF2-4CD7-8E73-622745CDC5B5", "665db793-3bf2-4cd7-8e73-622745cdc5b5"},
      {__LINE__, "{665db793-3bf2-4cd7-8e73-622745cdc5b5}", "665db793-3bf2-4cd7-8e73-622745cdc5b5"},
      {__LINE__, "00000000-0000-0000-0000-000000000000", "00000000-0000-0000-0000-000000000000"},
      {__LINE__, "ffffffff-ffff-ffff-ffff-ffffffffffff", "ffffffff-ffff-ffff-ffff-ffffffffffff"},
      {__LINE__, "", std::nullopt},
      {__LINE__, "665db793-3bf2-4cd7-8e73-622745cdc5b", std::nullopt},    // one digit short
      {__LINE__, "665db793-3bf2-4cd7-8e73-622745cdc5b5a", std::nullopt},  // one too many
      {__LINE__, "665db7933-bf2-4cd7-8e73-622745cdc5b5", std::nullopt},   // dash misplaced
      {__LINE__, "665db793-3bf2-4cd7-8e73-622745cdc5g5", std::nullopt},   // not hexadecimal
      {__LINE__, "{665db793-3bf2-4cd7-8e73-622745cdc5b5", std::nullopt},  // one brace only
      {__LINE__, "665db793-3bf2-4cd7-8e73+622745cdc5b5", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    const std::optional<Uuid> id = ParseUuid(row.text);
    ASSERT_EQ(id.has_value(), row.formatted.has_value());
    if (id) {
      EXPECT_EQ(ToString(*id), *row.formatted);
    }
  }
}

TEST(UuidTest, LiteralsAreCheckedAtCompileTime) {
  constexpr Uuid id = UuidLiteral("00112233-4455-6677-8899-aabbccddeeff");
  static_assert(id.bytes[0] == 0x00 && id.bytes[15] == 0xff);
  EXPECT_EQ(ToString(id), "00112233-4455-6677-8899-aabbccddeeff");
  EXPECT_NE(id, Uuid());
}

TEST(ResultTest, NamesEveryCodeAndSeparatesSuccessFromFailure) {
  struct Row {
    int line;
    Result result;
    bool succeeded;
    std::string_view name;
  } rows[] = {
      {__LINE__, Result::kOk, true, "ok"},
      {__LINE__, Result::kFalse, true, "false"},
      {__LINE__, Result::kNoInterface, false, "no interface"},
      {__LINE__, Result::kClassNotAvailable, false, "class not available"},
      {__LINE__, Result::kOutOfMemory, false, "out of memory"},
      {__LINE__, Result::kInvalidArgument, false, "invalid argument"},
      {__LINE__, Result::kMemberNotFound, false, "member not found"},
      {__LINE__, Result::kRegistryCorrupt, false, "registry corrupt"},
      {__LINE__, static_cast<Result>(-999), false, "unknown result"},
      {__LINE__, static_cast<Result>(77), true, "unknown result"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Succeeded(row.result), row.succeeded);
    EXPECT_EQ(Failed(row.result), !row.succeeded);
    EXPECT_EQ(ResultName(row.result), row.name);
    EXPECT_FALSE(ResultDescription(row.result).empty());
  }
}

TEST(TextTest, KeepsItsLengthAndEmbeddedZeros) {
  struct Row {
    int line;
    std::u16string units;
  } rows[] = {
      {__LINE__, u""},
      {__LINE__, u"a"},
      {__LINE__, u"Zürich"},
      {__LINE__, std::u16string(u"a\0b", 3)},
      {__LINE__, std::u16string(u"\0", 1)},
      {__LINE__, u"\U0001F600 outside the basic plane"},
      {__LINE__, std::u16string(70000, u'x')},  // longer than 16 bits can count
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    OwnedText text(row.units);
    ASSERT_NE(text.get(), nullptr);
    EXPECT_EQ(TextLength(text.get()), row.units.size());
    EXPECT_EQ(text.view(), row.units);
    EXPECT_EQ(text.get()[row.units.size()], u'\0');  // terminated for C-style readers
  }
  EXPECT_EQ(TextLength(nullptr), 0u);
  EXPECT_EQ(TextView(nullptr), u"");
  TextFree(nullptr);
}

// Counts its references, so tests can see who retains and releases.
class CountedObject final : public Object {
 public:
  Result Query(const InterfaceId& id, void** out) override { return QueryChain<Object>(this, id, out); }
  std::uint32_t Retain() override { return ++count; }
  std::uint32_t Release() override { return --count; }
  std::uint32_t count = 1;
};

TEST(VariantTest, CopyAndClearOwnTextsAndReferences) {
  CountedObject object;
  {
    ScopedVariant original(MakeObjectVariant(&object));
    EXPECT_EQ(object.count, 2u);
    ScopedVariant copy;
    ASSERT_EQ(VariantCopy(copy.get(), original.get()), Result::kOk);
    EXPECT_EQ(object.count, 3u);
    // Copying over a variant frees what it held.
    ScopedVariant text(MakeTextVariant(u"label"));
    ASSERT_EQ(VariantCopy(copy.get(), text.get()), Result::kOk);
    EXPECT_EQ(object.count, 2u);
    EXPECT_NE(copy->text, text->text);  // a copy of its own
    EXPECT_EQ(TextView(copy->text), u"label");
  }
  EXPECT_EQ(object.count, 1u);
}

TEST(VariantTest, CopiesThroughOneReferenceOnly) {
  ScopedVariant target(MakeLongVariant(42));
  Variant reference = MakeReferenceVariant(target.get());
  ScopedVariant copy;
  ASSERT_EQ(VariantCopy(copy.get(), reference), Result::kOk);
  EXPECT_EQ(copy->type, VariantType::kLong);
  EXPECT_EQ(copy->long_value, 42);

  Variant chained = MakeReferenceVariant(reference);
  EXPECT_EQ(VariantTarget(chained), nullptr);
  EXPECT_EQ(VariantCopy(copy.get(), chained), Result::kInvalidArgument);
  Variant broken;
  broken.type = VariantType::kReference;
  EXPECT_EQ(VariantTarget(broken), nullptr);
}

TEST(VariantTest, ValuesCrossBothWaysUnchanged) {
  struct Row {
    int line;
    value::Variant value;
    VariantType runtime_type;
  } rows[] = {
      {__LINE__, value::Variant(), VariantType::kEmpty},
      {__LINE__, value::Variant::Null(), VariantType::kNull},
      {__LINE__, value::Variant::FromBoolean(true), VariantType::kBoolean},
      {__LINE__, value::Variant::FromBoolean(false), VariantType::kBoolean},
      {__LINE__, value::Variant::FromInteger(-32768), VariantType::kInteger},
      {__LINE__, value::Variant::FromLong(2147483647), VariantType::kLong},
      {__LINE__, value::Variant::FromDouble(-0.5), VariantType::kDouble},
      {__LINE__, value::Variant::FromCurrency({123456789}), VariantType::kCurrency},
      {__LINE__, value::Variant::FromDate({46027.75}), VariantType::kDate},
      {__LINE__, value::Variant::FromText(u""), VariantType::kText},
      {__LINE__, value::Variant::FromText(u"Łódź"), VariantType::kText},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    ScopedVariant crossed;
    ASSERT_EQ(ToRuntimeVariant(row.value, crossed.get()), Result::kOk);
    EXPECT_EQ(crossed->type, row.runtime_type);
    value::Variant back;
    ASSERT_EQ(FromRuntimeVariant(crossed.get(), back), Result::kOk);
    EXPECT_EQ(Dump(back), Dump(row.value));
  }
}

TEST(VariantTest, BooleansCrossAsMinusOne) {
  ScopedVariant crossed;
  ASSERT_EQ(ToRuntimeVariant(value::Variant::FromBoolean(true), crossed.get()), Result::kOk);
  EXPECT_EQ(crossed->boolean, -1);
  Variant odd;
  odd.type = VariantType::kBoolean;
  odd.boolean = 1;  // a careless caller's "true"
  value::Variant back;
  ASSERT_EQ(FromRuntimeVariant(odd, back), Result::kOk);
  EXPECT_EQ(Dump(back), "Boolean:True");
}

TEST(VariantTest, ObjectsAndBrokenReferencesHaveNoValueForm) {
  CountedObject object;
  ScopedVariant with_object(MakeObjectVariant(&object));
  value::Variant out = value::Variant::FromLong(7);
  EXPECT_EQ(FromRuntimeVariant(with_object.get(), out), Result::kTypeMismatch);
  Variant broken;
  broken.type = VariantType::kReference;
  EXPECT_EQ(FromRuntimeVariant(broken, out), Result::kTypeMismatch);
  Variant unknown;
  unknown.type = static_cast<VariantType>(200);
  EXPECT_EQ(FromRuntimeVariant(unknown, out), Result::kTypeMismatch);
  VariantClear(unknown);  // an unknown tag owns nothing and must not crash
  EXPECT_EQ(Dump(out), "Long:7");
}

TEST(ExceptionRecordTest, FillReplacesAndClearFrees) {
  ScopedExceptionRecord record;
  FillExceptionRecord(record.get(), 13, u"first", u"one", 2);
  FillExceptionRecord(record.get(), 5, u"second", u"two");
  EXPECT_EQ(record->number, 5);
  EXPECT_EQ(TextView(record->source), u"second");
  EXPECT_EQ(TextView(record->description), u"two");
  EXPECT_EQ(record->argument, 0u);
  FillExceptionRecord(nullptr, 1, u"nobody", u"listens");
}

}  // namespace
}  // namespace pelt::runtime
