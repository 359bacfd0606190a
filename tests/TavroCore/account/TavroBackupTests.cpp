#include "TavroCore/account/TavroBackup.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tavro {
namespace {

constexpr std::string_view owner = "user-42";

Attempt attempt(std::uint64_t n, double date, std::string mode = "romaji", std::int64_t round = 1,
                std::int64_t correct = 100, std::int64_t misses = 3, double seconds = 42.5) {
  return Attempt(testing::numberedUuid(n), Date{date}, std::move(mode), round, correct, misses, seconds);
}

TavroBackup backupOf(std::vector<Attempt> attempts, std::string ownerID = std::string(owner)) {
  return TavroBackup(std::move(ownerID), std::move(attempts), JLPTLevel::n3, true, Date{1000});
}

// One character of 1 + 2 * marks bytes: a letter carrying `marks` combining
// acute accents.
std::string accentedLetter(std::size_t marks) {
  std::string text = "a";
  for (std::size_t i = 0; i < marks; ++i) text += "\u0301";
  return text;
}

bool same(const Attempt& a, const Attempt& b) {
  return a.encode() == b.encode();
}

std::vector<std::uint64_t> idsOf(const std::vector<Attempt>& attempts) {
  std::vector<std::uint64_t> ids;
  for (const Attempt& a : attempts) ids.push_back(a.id().bytes[15] | (a.id().bytes[14] << 8));
  return ids;
}

TEST(TavroBackupValidated, AttemptLimitsAtTheirEdges) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    Attempt attempt;
    bool valid;
  };
  const Case cases[] = {
      {"mode of 80 characters", attempt(1, 5, std::string(80, 'a')), true},
      {"mode of 80 combined characters",
       attempt(1, 5,
               [] {
                 std::string mode;
                 for (int i = 0; i < 80; ++i) mode += "e\u0301";
                 return mode;
               }()),
       true},
      {"mode of 81 characters", attempt(1, 5, std::string(81, 'a')), false},
      {"mode of 512 bytes in 2 characters", attempt(1, 5, accentedLetter(255) + "b"), true},
      {"mode of 513 bytes in 1 character", attempt(1, 5, accentedLetter(256)), false},
      {"mode of 600 KB in 1 character", attempt(1, 5, accentedLetter(300'000)), false},
      {"empty mode", attempt(1, 5, ""), false},
      {"round 1", attempt(1, 5, "romaji", 1), true},
      {"round 9", attempt(1, 5, "romaji", 9), true},
      {"round 0", attempt(1, 5, "romaji", 0), false},
      {"round 10", attempt(1, 5, "romaji", 10), false},
      {"counts 0", attempt(1, 5, "romaji", 1, 0, 0), true},
      {"counts 10,000,000", attempt(1, 5, "romaji", 1, 10'000'000, 10'000'000), true},
      {"correct -1", attempt(1, 5, "romaji", 1, -1, 0), false},
      {"correct 10,000,001", attempt(1, 5, "romaji", 1, 10'000'001, 0), false},
      {"misses -1", attempt(1, 5, "romaji", 1, 0, -1), false},
      {"misses 10,000,001", attempt(1, 5, "romaji", 1, 0, 10'000'001), false},
      {"seconds 365 days", attempt(1, 5, "romaji", 1, 1, 1, 31'536'000), true},
      {"seconds just over 365 days",
       attempt(1, 5, "romaji", 1, 1, 1, std::nextafter(31'536'000.0, inf)), false},
      {"seconds negative", attempt(1, 5, "romaji", 1, 1, 1, -0.001), false},
      {"seconds negative zero", attempt(1, 5, "romaji", 1, 1, 1, -0.0), true},
      {"seconds infinite", attempt(1, 5, "romaji", 1, 1, 1, inf), false},
      {"seconds NaN", attempt(1, 5, "romaji", 1, 1, 1, nan), false},
      {"date before 1970", attempt(1, -2e9), true},
      {"date infinite", attempt(1, -inf), false},
      {"date NaN", attempt(1, nan), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TavroBackup backup = backupOf({attempt(7, 1), c.attempt});
    if (c.valid) {
      EXPECT_EQ(&backup.validated(owner), &backup);
    } else {
      EXPECT_THROW(backup.validated(owner), BackupFailure);
    }
  }
}

// The owner is the same account when the texts are canonically equivalent,
// whichever normalization form each side arrived in; letter case still
// tells accounts apart.
TEST(TavroBackupValidated, OwnerComparesCanonicallyWithCaseCounting) {
  struct Case {
    const char* name;
    std::string backupOwner;
    std::string accountID;
    bool valid;
  };
  const Case cases[] = {
      {"composed backup, decomposed account", "\u00e9", "e\u0301", true},
      {"decomposed backup, composed account", "acct-e\u0301", "acct-\u00e9", true},
      {"Hangul syllable and its jamo", "\uAC00", "\u1100\u1161", true},
      {"upper-case letter", "\u00e9", "\u00c9", false},
      {"upper-case decomposed", "\u00e9", "E\u0301", false},
      {"accent dropped", "\u00e9", "e", false},
      {"ill-formed bytes equal only to themselves", "\xC3", "\xC3\xA9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TavroBackup backup = backupOf({attempt(1, 1)}, c.backupOwner);
    if (c.valid) {
      EXPECT_NO_THROW(EXPECT_EQ(&backup.validated(c.accountID), &backup));
    } else {
      EXPECT_THROW(backup.validated(c.accountID), BackupFailure);
    }
    EXPECT_EQ(backup == backupOf({attempt(1, 1)}, c.accountID), c.valid);
  }
}

TEST(TavroBackupValidated, BackupLevelChecks) {
  EXPECT_NO_THROW(backupOf({}).validated(owner));
  EXPECT_THROW(backupOf({}).validated("User-42"), BackupFailure);
  EXPECT_THROW(backupOf({}).validated("user-42 "), BackupFailure);

  TavroBackup future = TavroBackup::decode(
      R"({"schemaVersion":2,"ownerID":"user-42","createdAt":0,"attempts":[],"jlptLevel":"N5","kanaInput":false})");
  EXPECT_THROW(future.validated(owner), BackupFailure);

  // Two records of one attempt, identical otherwise, are still a duplicate.
  EXPECT_THROW(backupOf({attempt(1, 1), attempt(2, 2), attempt(1, 1)}).validated(owner),
               BackupFailure);
}

TEST(TavroBackupValidated, AttemptCountLimit) {
  std::vector<Attempt> attempts;
  attempts.reserve(100'001);
  for (std::uint64_t i = 0; i < 100'000; ++i)
    attempts.push_back(attempt(i, static_cast<double>(i)));
  TavroBackup full = backupOf(attempts);
  EXPECT_NO_THROW(full.validated(owner));
  attempts.push_back(attempt(100'000, 1));
  EXPECT_THROW(backupOf(std::move(attempts)).validated(owner), BackupFailure);
}

TEST(TavroBackupMerging, LocalCopyWinsAndOrderIsByDate) {
  // local = [A dated 3, B dated 1], backup = [B' (B's id) dated 5, C dated 2].
  Attempt a = attempt(1, 3);
  Attempt b = attempt(2, 1);
  Attempt bPrime = attempt(2, 5, "kana", 4, 7, 7, 9);
  Attempt c = attempt(3, 2);
  std::vector<Attempt> merged = backupOf({bPrime, c}).merging({a, b});
  ASSERT_EQ(merged.size(), 3u);
  EXPECT_TRUE(same(merged[0], b));
  EXPECT_TRUE(same(merged[1], c));
  EXPECT_TRUE(same(merged[2], a));

  std::vector<Attempt> fromEmpty = backupOf({}).merging({a, b});
  ASSERT_EQ(fromEmpty.size(), 2u);
  EXPECT_TRUE(same(fromEmpty[0], b));
  EXPECT_TRUE(same(fromEmpty[1], a));

  // Equal dates: the local attempt first, whichever side lists it first.
  std::vector<Attempt> tie = backupOf({attempt(10, 4)}).merging({attempt(11, 4)});
  EXPECT_EQ(idsOf(tie), (std::vector<std::uint64_t>{11, 10}));
}

// Random lists with duplicates on both sides, equal dates and local copies
// that differ from the backup's, checked against what a merge must keep.
TEST(TavroBackupMerging, PropertiesHoldOverGeneratedLists) {
  std::mt19937_64 random(20261210);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const std::uint64_t idRange = 1 + random() % 40;
    auto generate = [&](std::size_t count, const char* mode) {
      std::vector<Attempt> list;
      for (std::size_t i = 0; i < count; ++i)
        list.push_back(attempt(random() % idRange, static_cast<double>(random() % 6), mode,
                               1 + static_cast<std::int64_t>(random() % 9)));
      return list;
    };
    std::vector<Attempt> local = generate(random() % 30, "local");
    std::vector<Attempt> remote = generate(random() % 30, "remote");
    std::vector<Attempt> merged = backupOf(remote).merging(local);

    std::set<Uuid> localIDs;
    for (const Attempt& a : local) localIDs.insert(a.id());
    // Expected multiset: every local attempt, and each backup attempt whose
    // id local lacks (backup duplicates are kept as they are; validated()
    // refuses them first).
    std::vector<const Attempt*> expected;
    for (const Attempt& a : local) expected.push_back(&a);
    for (const Attempt& a : remote)
      if (!localIDs.count(a.id())) expected.push_back(&a);
    ASSERT_EQ(merged.size(), expected.size());

    // Sorted by date, and within one date the order of local-then-incoming
    // is kept: exactly a stable sort of the expected sequence.
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Attempt* x, const Attempt* y) { return x->date() < y->date(); });
    for (std::size_t i = 0; i < merged.size(); ++i) {
      EXPECT_TRUE(same(merged[i], *expected[i])) << "position " << i;
    }
    // No local attempt changed: each id present locally appears only in
    // local forms ("local" mode) in the result.
    for (const Attempt& a : merged) {
      if (localIDs.count(a.id()))
        EXPECT_EQ(a.mode(), "local");
      else
        EXPECT_EQ(a.mode(), "remote");
    }
  }
}

TEST(TavroBackupJSON, WritesKeysInOrderAndReadsBack) {
  TavroBackup backup = backupOf({attempt(1, 12.25), attempt(2, -3.5, "kana", 9, 0, 10'000'000, 0)});
  std::string text = backup.encode();
  EXPECT_EQ(
      text.rfind(R"({"schemaVersion":1,"ownerID":"user-42","createdAt":1000.0,"attempts":[{"id":")",
                 0),
      0u);
  EXPECT_NE(text.find(R"(],"jlptLevel":"N3","kanaInput":true})"), std::string::npos);
  TavroBackup read = TavroBackup::decode(text);
  EXPECT_EQ(read, backup);
  EXPECT_EQ(read.encode(), text);
}

TEST(TavroBackupJSON, RefusesMissingNullAndMistypedKeys) {
  const std::string attemptText = attempt(1, 1).encode();
  auto document = [&](std::string schema, std::string ownerID, std::string createdAt,
                      std::string attempts, std::string level, std::string kana) {
    std::string text = "{";
    auto add = [&](const char* key, const std::string& value) {
      if (value.empty()) return;
      if (text.size() > 1) text += ',';
      text += std::string("\"") + key + "\":" + value;
    };
    add("schemaVersion", schema);
    add("ownerID", ownerID);
    add("createdAt", createdAt);
    add("attempts", attempts);
    add("jlptLevel", level);
    add("kanaInput", kana);
    return text + "}";
  };
  const std::string good[] = {"1",      "\"user-42\"", "3.5", "[" + attemptText + "]",
                              "\"N1\"", "false"};
  const std::vector<std::vector<std::string>> wrongValues = {
      {"", "null", "1.0", "\"1\""},
      {"", "null", "42"},
      {"", "null", "\"3.5\""},
      {"", "null", "{}", "[1]", "[{\"id\":\"x\"}]"},
      {"", "null", "\"n1\"", "\"N6\"", "5"},
      {"", "null", "0", "\"false\""},
  };
  std::string fields[6];
  std::copy(std::begin(good), std::end(good), fields);
  EXPECT_NO_THROW(TavroBackup::decode(
      document(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5])));
  for (std::size_t key = 0; key < 6; ++key) {
    for (const std::string& wrong : wrongValues[key]) {
      std::copy(std::begin(good), std::end(good), fields);
      fields[key] = wrong;
      std::string text = document(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
      SCOPED_TRACE(text);
      EXPECT_THROW(TavroBackup::decode(text), json::DecodingError);
    }
  }
  // Unknown keys are ignored and limits are not applied when decoding.
  TavroBackup lax = TavroBackup::decode(
      R"({"extra":[1],"schemaVersion":7,"ownerID":"","createdAt":-1,"attempts":[],"jlptLevel":"N2","kanaInput":true})");
  EXPECT_EQ(lax.schemaVersion(), 7);
  EXPECT_EQ(lax.ownerID(), "");
}

// The host's import: decode the file, check it for the signed-in account,
// merge. Any failure must leave the local list as it was.
std::vector<Attempt> importBackup(std::string_view file, std::string_view accountID,
                                  const std::vector<Attempt>& local) {
  return TavroBackup::decode(file).validated(accountID).merging(local);
}

TEST(TavroBackupImport, HostileFilesFailAndChangeNothing) {
  const std::vector<Attempt> local = {attempt(500, 1), attempt(501, 2)};
  const std::string localBefore = backupOf(local).encode();

  std::vector<Attempt> many;
  for (std::uint64_t i = 0; i < 100'001; ++i) many.push_back(attempt(i, 1));
  struct Case {
    const char* name;
    std::string file;
  };
  const Case cases[] = {
      {"another account", backupOf({attempt(1, 1)}, "user-43").encode()},
      {"duplicated identifier", backupOf({attempt(1, 1), attempt(1, 2)}).encode()},
      {"100,001 attempts", backupOf(std::move(many)).encode()},
      {"a mode of 600 KB in one character",
       backupOf({attempt(1, 1), attempt(2, 2, accentedLetter(300'000))}).encode()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Attempt> imported = local;
    EXPECT_THROW(imported = importBackup(c.file, owner, local), BackupFailure);
    EXPECT_EQ(backupOf(imported).encode(), localBefore);
  }

  const std::string whole = backupOf({attempt(1, 1), attempt(2, 2, "kana", 3)}).encode();
  ASSERT_EQ(importBackup(whole, owner, local).size(), 4u);
  for (std::size_t cut = 0; cut < whole.size(); ++cut) {
    std::vector<Attempt> imported = local;
    try {
      imported = importBackup(std::string_view(whole).substr(0, cut), owner, local);
      ADD_FAILURE() << "a file cut at byte " << cut << " was accepted";
    } catch (const json::DecodingError&) {
    } catch (const BackupFailure&) {
    }
    ASSERT_EQ(backupOf(imported).encode(), localBefore);
  }
}

// Two copies of an attempt that differ only in their level are not the
// same backup content, and the level survives an export and import.
TEST(TavroBackupJSON, AttemptLevelsRoundTripAndCountInEquality) {
  Attempt levelled = attempt(1, 5);
  levelled.setJLPTLevel("N2");
  TavroBackup backup = backupOf({levelled, attempt(2, 6)});
  TavroBackup read = TavroBackup::decode(backup.encode());
  EXPECT_EQ(read, backup);
  ASSERT_EQ(read.attempts().size(), 2u);
  EXPECT_EQ(read.attempts()[0].jlptLevel(), "N2");
  EXPECT_EQ(read.attempts()[1].jlptLevel(), std::nullopt);
  EXPECT_NO_THROW(read.validated(owner));

  Attempt otherLevel = levelled;
  otherLevel.setJLPTLevel("N1");
  EXPECT_FALSE(backupOf({otherLevel, attempt(2, 6)}) == backup);

  std::vector<Attempt> merged = read.merging({});
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].jlptLevel(), "N2");
}

WeakKeyHistory historyOf(const std::string& mode,
                         const std::map<std::string, KeyPerformance>& keys) {
  WeakKeyHistory history;
  history.modes[mode] = {keys.begin(), keys.end()};
  return history;
}

// The weak-key history travels as an extra member; a backup without it (an
// older export) still reads, and a restore gives the weak-key round back.
TEST(TavroBackupWeakKeys, TravelsAsAnOptionalMemberAndMergesOnce) {
  TavroBackup older = backupOf({attempt(1, 5)});
  const std::string olderText = older.encode();
  EXPECT_EQ(olderText.find("weakKeys"), std::string::npos);
  EXPECT_EQ(TavroBackup::decode(olderText).weakKeys(), std::nullopt);
  // An older export with a null member reads the same way.
  std::string withNull = olderText;
  withNull.insert(withNull.size() - 1, R"(,"weakKeys":null)");
  EXPECT_EQ(TavroBackup::decode(withNull).weakKeys(), std::nullopt);
  EXPECT_THROW(TavroBackup::decode(olderText.substr(0, olderText.size() - 1) + R"(,"weakKeys":[]})"),
               json::DecodingError);

  TavroBackup backup = older;
  backup.setWeakKeys(historyOf("romaji", {{"k", {40, 9}}, {"s", {5, 1}}}));
  const std::string text = backup.encode();
  EXPECT_NE(text.find(R"("kanaInput":true,"weakKeys":{"modes":{"romaji":{"k":)"), std::string::npos);
  TavroBackup read = TavroBackup::decode(text);
  EXPECT_EQ(read, backup);
  EXPECT_FALSE(read == older);
  EXPECT_NO_THROW(read.validated(owner));

  // A new computer gets the whole history back.
  EXPECT_EQ(read.mergingWeakKeys(std::nullopt), backup.weakKeys());
  // Here, the fuller tally of each key is kept, and importing twice is the
  // same as importing once.
  std::optional<WeakKeyHistory> local = historyOf("romaji", {{"k", {10, 1}}, {"s", {8, 0}}});
  std::optional<WeakKeyHistory> once = read.mergingWeakKeys(local);
  ASSERT_TRUE(once);
  EXPECT_EQ(once->modes.at("romaji").at("k"), (KeyPerformance{40, 9}));
  EXPECT_EQ(once->modes.at("romaji").at("s"), (KeyPerformance{8, 0}));
  EXPECT_EQ(read.mergingWeakKeys(once), once);
  // Without a history in the backup the local one stays as it is.
  EXPECT_EQ(older.mergingWeakKeys(local), local);
}

TEST(TavroBackupWeakKeys, ValidatedBoundsTheHistory) {
  auto withHistory = [](WeakKeyHistory history) {
    TavroBackup backup = backupOf({});
    backup.setWeakKeys(std::move(history));
    return backup;
  };
  const std::int64_t most = TavroBackup::maximumWeakKeyCount;
  WeakKeyHistory manyModes;
  for (std::size_t i = 0; i <= TavroBackup::maximumWeakKeyModes; ++i)
    manyModes.modes[std::string(1, 'm').append(std::to_string(i))]["k"] = {1, 0};
  WeakKeyHistory fullModes = manyModes;
  fullModes.modes.erase("m0");
  WeakKeyHistory manyKeys;
  for (std::size_t i = 0; i <= TavroBackup::maximumWeakKeysPerMode; ++i)
    manyKeys.modes["romaji"][std::string(1, 'k').append(std::to_string(i))] = {1, 0};
  WeakKeyHistory fullKeys = manyKeys;
  fullKeys.modes["romaji"].erase("k0");

  struct Case {
    const char* name;
    WeakKeyHistory history;
    bool valid;
  };
  const Case cases[] = {
      {"empty", WeakKeyHistory{}, true},
      {"counts at their edges", historyOf("romaji", {{"k", {most, most}}, {"s", {0, 0}}}), true},
      {"attempts over the limit", historyOf("romaji", {{"k", {most + 1, 0}}}), false},
      {"negative attempts", historyOf("romaji", {{"k", {-1, 0}}}), false},
      {"negative errors", historyOf("romaji", {{"k", {1, -1}}}), false},
      {"more errors than attempts", historyOf("romaji", {{"k", {1, 2}}}), false},
      {"empty key", historyOf("romaji", {{"", {1, 0}}}), false},
      {"key of 64 bytes", historyOf("romaji", {{std::string(64, 'k'), {1, 0}}}), true},
      {"key of 65 bytes", historyOf("romaji", {{std::string(65, 'k'), {1, 0}}}), false},
      {"empty mode", historyOf("", {{"k", {1, 0}}}), false},
      {"mode of 80 characters", historyOf(std::string(80, 'm'), {{"k", {1, 0}}}), true},
      {"mode of 81 characters", historyOf(std::string(81, 'm'), {{"k", {1, 0}}}), false},
      {"mode of one character over 512 bytes", historyOf(accentedLetter(256), {{"k", {1, 0}}}),
       false},
      {"32 modes", fullModes, true},
      {"33 modes", manyModes, false},
      {"1,024 keys", fullKeys, true},
      {"1,025 keys", manyKeys, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TavroBackup backup = withHistory(c.history);
    if (c.valid) {
      EXPECT_NO_THROW(backup.validated(owner));
    } else {
      EXPECT_THROW(backup.validated(owner), BackupFailure);
    }
  }
}

}  // namespace
}  // namespace tavro
