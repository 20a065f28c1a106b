#include "pelt/value/nearest.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace pelt::value {
namespace {

TEST(EditDistanceTest, CountsEachKindOfSlipOnce) {
  struct Row {
    int line;
    std::string_view a, b;
    std::size_t distance;
  };
  const Row rows[] = {
      {__LINE__, "label", "label", 0},    {__LINE__, "LABEL", "label", 0},
      {__LINE__, "lable", "label", 1},    {__LINE__, "limt", "limit", 1},
      {__LINE__, "Lefft", "Left", 1},     {__LINE__, "Fromat", "Format", 1},
      {__LINE__, "", "abc", 3},           {__LINE__, "abc", "", 3},
      {__LINE__, "kitten", "sitting", 3}, {__LINE__, "ca", "abc", 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(EditDistance(row.a, row.b), row.distance);
    EXPECT_EQ(EditDistance(row.b, row.a), row.distance);
  }
  EXPECT_EQ(EditDistance(std::u16string_view(u"Zürch"), std::u16string_view(u"zürich")), 1u);
}

TEST(NearestNamesTest, SuggestsOnlyTheClosestNamesWithinTheBudget) {
  constexpr std::array<std::string_view, 6> kNames{"edit",  "fields", "format",
                                                   "label", "layers", "verify"};
  struct Row {
    int line;
    std::string_view word;
    std::vector<std::size_t> nearest;
  };
  const Row rows[] = {
      {__LINE__, "lable", {3}},   {__LINE__, "LABEL", {3}}, {__LINE__, "fromat", {2}},
      {__LINE__, "layer", {4}},   {__LINE__, "xyz", {}},    {__LINE__, "ed", {}},
      {__LINE__, "verifyy", {5}}, {__LINE__, "", {}},       {__LINE__, "labelled", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(NearestNames(row.word, kNames), row.nearest);
  }
}

TEST(NearestNamesTest, KeepsEveryNameAtTheSameLeastDistance) {
  constexpr std::array<std::u16string_view, 3> kFields{u"NAME", u"NAMES", u"NAMED"};
  EXPECT_EQ(NearestNames(std::u16string_view(u"NAMEE"), kFields),
            (std::vector<std::size_t>{0, 1, 2}));
  EXPECT_EQ(NearestNames(std::u16string_view(u"name"), kFields), (std::vector<std::size_t>{0}));
}

}  // namespace
}  // namespace pelt::value
