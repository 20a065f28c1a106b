#include "pelt/host/run_words.h"

#include <gtest/gtest.h>

#include <string>

#include "support/dump.h"

namespace pelt::host {
namespace {

using testing::Dump;
using testing::U8;
using value::Variant;

std::string Names(const RunWords& run) {
  std::string names;
  for (const std::u16string& name : run.Names()) names += U8(name) + " ";
  return names;
}

std::string ValueOf(const RunWords& run, std::u16string_view key) {
  Variant v;
  return run.collection()->ReadItemByKey(key, v) == value::ErrorCode::kNone ? Dump(v) : "none";
}

// A run supplies every word of the table, in its order, after the caller's.
TEST(RunWordsTest, SuppliesTheTableAfterTheCallersWords) {
  RunWords run;
  EXPECT_TRUE(run.Give(u"PAGE", Variant::FromLong(7)));
  EXPECT_FALSE(run.Give(u"page", Variant::FromLong(8)));
  run.AddClock(0);
  run.AddLayer(u"roads", u"roads.gpkg");
  std::string expected = "PAGE ";
  for (const RunWordInfo& word : RunWordTable()) expected += U8(word.name) + " ";
  EXPECT_EQ(Names(run), expected);
}

// FID and ROW change per feature unless the caller gave them.
TEST(RunWordsTest, SetFeatureLeavesGivenWords) {
  for (const bool given : {false, true}) {
    RunWords run;
    if (given) (void)run.Give(u"fid", Variant::FromText(u"mine"));
    run.AddLayer(u"", u"");
    run.SetFeature(Variant::FromLong(42), Variant::FromDouble(5e9));
    EXPECT_EQ(ValueOf(run, u"FID"), given ? Dump(Variant::FromText(u"mine"))
                                          : Dump(Variant::FromLong(42)));
    EXPECT_EQ(ValueOf(run, u"ROW"), Dump(Variant::FromDouble(5e9)));
  }
}

}  // namespace
}  // namespace pelt::host
