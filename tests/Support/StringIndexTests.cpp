#include "Support/StringIndex.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {
namespace {

struct ViewRow {
  std::string_view english;
  std::string_view japanese;
};

struct OwnedRow {
  std::string english;
  std::string japanese;
};

TEST(StringIndex, FindsWholeKeysOnlyAndTheFirstOfDuplicateKeys) {
  static constexpr ViewRow rows[] = {
      {"Start", "開始"}, {"Settings", "設定"}, {"Start", "スタート"}, {"", "空"}};
  const StringIndex index(rows, &ViewRow::english, &ViewRow::japanese);
  EXPECT_EQ(index.size(), 3u);

  struct Case {
    std::string_view key;
    std::optional<std::string_view> expected;
  };
  const Case cases[] = {
      {"Start", "開始"},          // the first row wins over the later duplicate
      {"Settings", "設定"},
      {"", "空"},                 // an empty key is a key like any other
      {"start", std::nullopt},    // case-sensitive
      {"Star", std::nullopt},     // whole text, not a prefix
      {"Start ", std::nullopt},   // nor with a trailing space
      {"Missing", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key));
    EXPECT_EQ(index.find(c.key), c.expected);
  }
}

TEST(StringIndex, ViewsIntoATableOfOwnedStrings) {
  static const std::vector<OwnedRow> rows = {{"Sync Now", "今すぐ同期"}, {"Free Plan", "無料プラン"}};
  const StringIndex index(rows, &OwnedRow::english, &OwnedRow::japanese);
  std::optional<std::string_view> found = index.find(std::string("Free Plan"));
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, "無料プラン");
  // The value is the table's own text, not a copy that could go away.
  EXPECT_EQ(found->data(), rows[1].japanese.data());
}

TEST(StringIndex, EmptyTableFindsNothing) {
  const std::vector<ViewRow> rows;
  const StringIndex index(rows, &ViewRow::english, &ViewRow::japanese);
  EXPECT_EQ(index.size(), 0u);
  EXPECT_EQ(index.find(""), std::nullopt);
  EXPECT_EQ(index.find("Start"), std::nullopt);
}

}  // namespace
}  // namespace tavro
