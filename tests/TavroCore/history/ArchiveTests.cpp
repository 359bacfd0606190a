#include "TavroCore/history/Archive.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace tavro {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryDirectory;

Uuid idNumber(int n) {
  Uuid id{};
  id.bytes[15] = static_cast<std::uint8_t>(n);
  id.bytes[14] = static_cast<std::uint8_t>(n >> 8);
  return id;
}

// An attempt whose speed is `cpm` keystrokes per minute (over one minute)
// and whose accuracy is `accuracy` percent of 100 keystrokes... scaled to
// the speed: correct = cpm, misses chosen so that correct / total = accuracy.
Attempt withSpeed(int n, double cpm, double accuracy, const std::string& mode = "romaji",
                  std::int64_t round = 1) {
  auto correct = static_cast<std::int64_t>(cpm);
  auto misses = static_cast<std::int64_t>(std::llround(correct * (100 - accuracy) / accuracy));
  return Attempt(idNumber(n), Date{1000.0 + n}, mode, round, correct, misses, 60);
}

std::vector<int> numbers(const std::vector<Attempt>& attempts) {
  std::vector<int> result;
  for (const Attempt& attempt : attempts) result.push_back(attempt.id().bytes[15]);
  return result;
}

// The archive of the ranking examples: speeds 300, 250, 250, 200, 150, 100,
// 50 stored out of order, the two 250s at 95 % and 98 %.
Archive rankingArchive() {
  Archive archive;
  archive.attempts = {
      withSpeed(1, 150, 100),
      withSpeed(2, 250, 95),
      withSpeed(3, 50, 100),
      withSpeed(4, 300, 90),
      withSpeed(5, 200, 100),
      withSpeed(6, 250, 98),
      withSpeed(7, 100, 100),
      withSpeed(8, 900, 100, "romaji", 2),  // another round
      withSpeed(9, 900, 100, "kana", 1),    // another mode
  };
  return archive;
}

TEST(Archive, NewArchiveValues) {
  Archive archive;
  EXPECT_TRUE(archive.attempts.empty());
  EXPECT_TRUE(archive.errors.empty());
  EXPECT_FALSE(archive.weakKeys);
  EXPECT_EQ(archive.appearance, "System");
  EXPECT_EQ(archive.sound, "Keyboard Click");
  EXPECT_FALSE(archive.jis);
  EXPECT_FALSE(archive.english);
  EXPECT_EQ(archive.duration, 60);
}

TEST(Archive, TopRanksBySpeedThenAccuracyThenAge) {
  Archive archive = rankingArchive();
  EXPECT_EQ(numbers(archive.top("romaji", 1)), (std::vector<int>{4, 6, 2, 5, 1}));
  EXPECT_EQ(numbers(archive.top("romaji", 2)), (std::vector<int>{8}));
  EXPECT_TRUE(archive.top("romaji", 3).empty());
  EXPECT_TRUE(archive.top("nepali", 1).empty());

  Archive ties;
  ties.attempts = {
      Attempt(idNumber(1), Date{}, "kana", 1, 0, 0, 0),    // no speed, no accuracy
      Attempt(idNumber(2), Date{}, "kana", 1, 100, 0, 0),  // zero seconds: speed 0
      withSpeed(3, 10, 50, "kana"),                        // slow but positive
      withSpeed(4, 120, 80, "kana"),
      withSpeed(5, 120, 80, "kana"),
      withSpeed(6, 120, 80, "kana"),
  };
  // Equal results keep the order they were stored in; any positive speed
  // beats zero seconds, and at speed 0 accuracy decides.
  EXPECT_EQ(numbers(ties.top("kana", 1)), (std::vector<int>{4, 5, 6, 3, 2}));
}

TEST(Archive, ScoreRowsMarkTheLatestAttempt) {
  struct Row {
    int number;
    std::optional<std::int64_t> rank;
    bool isLatest, isOutsideTopFive;
    bool operator==(const Row&) const = default;
  };
  struct Case {
    const char* name;
    std::string mode;
    std::int64_t round;
    std::optional<Uuid> latestID;
    std::vector<Row> rows;
  };
  const std::vector<Row> topFive = {{4, 1, false, false},
                                    {6, 2, false, false},
                                    {2, 3, false, false},
                                    {5, 4, false, false},
                                    {1, 5, false, false}};
  auto marked = [&](std::size_t index) {
    std::vector<Row> rows = topFive;
    rows[index].isLatest = true;
    return rows;
  };
  auto withExtra = [&](int number) {
    std::vector<Row> rows = topFive;
    rows.push_back({number, std::nullopt, true, true});
    return rows;
  };
  const Case cases[] = {
      {"latest is sixth best", "romaji", 1, idNumber(7), withExtra(7)},
      {"latest is the best", "romaji", 1, idNumber(4), marked(0)},
      {"latest in the middle", "romaji", 1, idNumber(2), marked(2)},
      {"no latest id: the last appended", "romaji", 1, std::nullopt, withExtra(7)},
      {"latest id of another mode: the last appended", "romaji", 1, idNumber(9), withExtra(7)},
      {"single attempt of a round", "romaji", 2, std::nullopt, {{8, 1, true, false}}},
      {"no attempts", "romaji", 4, idNumber(4), {}},
  };
  Archive archive = rankingArchive();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Row> rows;
    for (const ScoreRow& row : archive.scoreRows(c.mode, c.round, c.latestID)) {
      EXPECT_EQ(row.isUnderlined(), row.isLatest);
      EXPECT_EQ(row.id(), row.attempt.id());
      rows.push_back({row.attempt.id().bytes[15], row.rank, row.isLatest, row.isOutsideTopFive});
    }
    EXPECT_EQ(rows, c.rows);
  }
}

Attempt atLevel(Attempt attempt, std::optional<std::string_view> level) {
  attempt.setJLPTLevel(level);
  return attempt;
}

// Rounds whose words come from a JLPT level rank each level apart; attempts
// recorded before the level was kept rank with N5 and never disappear.
TEST(Archive, LevelRankingKeepsLevelsApart) {
  Archive archive;
  archive.attempts = {
      atLevel(withSpeed(1, 100, 90, "romaji", 2), "N5"),
      withSpeed(2, 300, 90, "romaji", 2),  // recorded before levels were kept
      atLevel(withSpeed(3, 200, 90, "romaji", 2), "N1"),
      atLevel(withSpeed(4, 50, 90, "romaji", 2), "N1"),
      atLevel(withSpeed(5, 400, 90, "romaji", 2), "N3"),
      atLevel(withSpeed(6, 900, 90, "romaji", 3), "N1"),  // another round
  };
  struct Case {
    std::optional<std::string_view> level;
    std::vector<int> top;
  };
  const Case cases[] = {
      {std::nullopt, {5, 2, 3, 1, 4}},
      {"N5", {2, 1}},
      {"N1", {3, 4}},
      {"N3", {5}},
      {"N2", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.level.value_or("no level")));
    EXPECT_EQ(numbers(archive.top("romaji", 2, c.level)), c.top);
  }

  // Every attempt appears in exactly one level's table.
  std::size_t shown = 0;
  for (std::string_view level : {"N5", "N4", "N3", "N2", "N1"})
    shown += archive.scoreRows("romaji", 2, std::nullopt, level).size();
  EXPECT_EQ(shown, 5u);

  // The latest line comes from the level's own attempts: after switching
  // to N1, the N5 attempt is neither best nor latest.
  std::vector<ScoreRow> rows = archive.scoreRows("romaji", 2, idNumber(2), "N1");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].attempt.id(), idNumber(3));
  EXPECT_FALSE(rows[0].isLatest);
  EXPECT_EQ(rows[1].attempt.id(), idNumber(4));
  EXPECT_TRUE(rows[1].isLatest);
  EXPECT_FALSE(rows[1].isOutsideTopFive);
  rows = archive.scoreRows("romaji", 2, idNumber(2), "N5");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[0].isLatest);
  EXPECT_EQ(rows[0].attempt.id(), idNumber(2));
  EXPECT_TRUE(archive.scoreRows("romaji", 2, std::nullopt, "N2").empty());
}

// A small archive with every field away from its start value.
Archive sampleArchive() {
  Archive archive;
  archive.attempts = {
      Attempt(*Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F"), Date{700000000.5}, "kana", 2,
              120, 4, 61.25),
      atLevel(Attempt(idNumber(2), Date{700000100}, "romaji", 7, 80, 20, 30), "N2"),
  };
  archive.errors = {{"k", 3}, {"し", 1}};
  archive.weakKeys = WeakKeyHistory();
  archive.weakKeys->record("kana", "a", std::nullopt, true);
  archive.appearance = "Dark";
  archive.sound = "Soft";
  archive.jis = true;
  archive.english = true;
  archive.duration = 120;
  return archive;
}

void expectSame(const Archive& a, const Archive& b) {
  ASSERT_EQ(a.attempts.size(), b.attempts.size());
  for (std::size_t i = 0; i < a.attempts.size(); ++i) {
    EXPECT_EQ(a.attempts[i].encode(), b.attempts[i].encode());
  }
  EXPECT_EQ(a.errors, b.errors);
  EXPECT_EQ(a.weakKeys, b.weakKeys);
  EXPECT_EQ(a.appearance, b.appearance);
  EXPECT_EQ(a.sound, b.sound);
  EXPECT_EQ(a.jis, b.jis);
  EXPECT_EQ(a.english, b.english);
  EXPECT_EQ(a.duration, b.duration);
}

TEST(Archive, FileFormat) {
  EXPECT_EQ(
      Archive().encode(),
      R"({"attempts":[],"errors":{},"appearance":"System","sound":"Keyboard Click","jis":false,)"
      R"("english":false,"duration":60})");
  Archive archive = sampleArchive();
  EXPECT_EQ(
      archive.encode(),
      R"({"attempts":[{"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","date":700000000.5,"mode":"kana","round":2,)"
      R"("correct":120,"misses":4,"seconds":61.25},{"id":"00000000-0000-0000-0000-000000000002",)"
      R"("date":700000100.0,"mode":"romaji","round":7,"correct":80,"misses":20,"seconds":30.0,)"
      R"("jlptLevel":"N2"}],)"
      R"("errors":{"k":3,"し":1},"weakKeys":{"modes":{"kana":{"a":{"attempts":1,"errors":0}}}},)"
      R"("appearance":"Dark","sound":"Soft","jis":true,"english":true,"duration":120})");
  expectSame(Archive::decode(archive.encode()), archive);
}

TEST(Archive, DecodingAcceptsOnlyWholeArchives) {
  const std::string attempt =
      R"({"id":"e621e1f8-c36c-495a-93fc-0c247a3e6e5f","date":1,"mode":"kana","round":1,"correct":1,"misses":0,"seconds":1})";
  const std::string valid =
      R"({"attempts":[)" + attempt +
      R"(],"errors":{"a":1},"appearance":"System",)"
      R"("sound":"Keyboard Click","jis":false,"english":false,"duration":60})";
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = valid;
    text.replace(text.find(from), from.size(), to);
    return text;
  };

  Archive read = Archive::decode(valid);
  EXPECT_EQ(read.attempts.size(), 1u);
  EXPECT_FALSE(read.weakKeys);
  EXPECT_FALSE(
      Archive::decode(replaced("\"duration\"", "\"weakKeys\":null,\"duration\"")).weakKeys);
  EXPECT_TRUE(Archive::decode(replaced("\"duration\"", "\"weakKeys\":{\"modes\":{}},\"duration\""))
                  .weakKeys);
  EXPECT_EQ(Archive::decode(replaced("\"jis\"", "\"unknown\":[null],\"jis\"")).jis, false);

  struct Case {
    const char* name;
    std::string text;
  };
  const Case failures[] = {
      {"no attempts", replaced("\"attempts\":[" + attempt + "],", "")},
      {"no errors", replaced("\"errors\":{\"a\":1},", "")},
      {"no appearance", replaced("\"appearance\":\"System\",", "")},
      {"no sound", replaced("\"sound\":\"Keyboard Click\",", "")},
      {"no jis", replaced("\"jis\":false,", "")},
      {"no english", replaced("\"english\":false,", "")},
      {"no duration", replaced(",\"duration\":60", "")},
      {"attempts null", replaced("[" + attempt + "]", "null")},
      {"attempts an object", replaced("[" + attempt + "]", "{}")},
      {"error count a float", replaced("{\"a\":1}", "{\"a\":1.5}")},
      {"error count a string", replaced("{\"a\":1}", "{\"a\":\"1\"}")},
      {"appearance a number", replaced("\"System\"", "1")},
      {"jis a number", replaced("\"jis\":false", "\"jis\":0")},
      {"duration a float", replaced("\"duration\":60", "\"duration\":60.0")},
      {"duration null", replaced("\"duration\":60", "\"duration\":null")},
      {"weak keys without modes", replaced("\"duration\"", "\"weakKeys\":{},\"duration\"")},
      {"weak keys an array", replaced("\"duration\"", "\"weakKeys\":[],\"duration\"")},
      {"one good and one bad attempt",
       replaced("]", "," + std::string(attempt).replace(1, 4, "\"ID\"") + "]")},
      {"attempt with a text date", replaced("\"date\":1", "\"date\":\"2001-01-01T00:00:01Z\"")},
      {"top level an array", "[" + valid + "]"},
      {"trailing garbage", valid + "x"},
      {"ill-formed UTF-8", replaced("System", "Sys\xff")},
      {"empty", ""},
  };
  for (const Case& c : failures) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(Archive::decode(c.text), json::DecodingError);
  }
}

// An attempt no backup or sync page could carry fails the whole file, named,
// so the host sets the file aside instead of passing the attempt on.
TEST(Archive, DecodingRefusesAnAttemptOverItsByteBounds) {
  auto accentedLetter = [](std::size_t marks) {
    std::string text = "a";
    for (std::size_t i = 0; i < marks; ++i) text += "\u0301";
    return text;
  };
  auto document = [](const std::string& secondMode) {
    Archive archive;
    archive.attempts = {
        Attempt(testing::numberedUuid(1), Date{1}, "kana", 1, 1, 0, 1),
        Attempt(testing::numberedUuid(2), Date{2}, secondMode, 1, 1, 0, 1),
    };
    return archive.encode();
  };
  struct Case {
    const char* name;
    std::string mode;
    bool decodes;
  };
  const Case cases[] = {
      {"512 bytes", accentedLetter(255) + "b", true},
      {"513 bytes in one character", accentedLetter(256), false},
      {"600 KB in one character", accentedLetter(300'000), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = document(c.mode);
    if (c.decodes) {
      EXPECT_EQ(Archive::decode(text).attempts.at(1).mode(), c.mode);
      continue;
    }
    try {
      Archive::decode(text);
      ADD_FAILURE() << "the archive was decoded";
    } catch (const json::DecodingError& error) {
      EXPECT_NE(std::string(error.what()).find("\"attempts\" [1]"), std::string::npos)
          << error.what();
    }
  }
}

TEST(Archive, ReadFailsWholeOnEveryTruncation) {
  TemporaryDirectory directory;
  fs::path file = directory / "archive.json";
  std::string whole = sampleArchive().encode();
  for (std::size_t length = 0; length < whole.size(); ++length) {
    testing::writeFile(file, whole.substr(0, length));
    EXPECT_THROW(Archive::read(file), json::DecodingError) << "truncated to " << length << " bytes";
  }
  testing::writeFile(file, whole);
  expectSame(Archive::read(file), sampleArchive());
}

// Runs `body` and returns the errno of the std::system_error it throws
// (0 when it throws nothing).
template <typename Body>
int systemErrorOf(Body body) {
  try {
    body();
  } catch (const std::system_error& error) {
    return error.code().value();
  }
  return 0;
}

// As systemErrorOf, but without the superuser's privileges, which would
// override the file permissions under test: as root the body runs in a child
// process that has given up its privileges and reports the errno it met.
template <typename Body>
int unprivilegedSystemErrorOf(Body body) {
  if (::geteuid() != 0) return systemErrorOf(body);
  pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
    ::_exit(systemErrorOf(body));
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST(Archive, ReadPassesOnFileFailures) {
  TemporaryDirectory directory;
  EXPECT_EQ(systemErrorOf([&] { Archive::read(directory / "missing.json"); }), ENOENT);
  EXPECT_EQ(systemErrorOf([&] { Archive::read(directory.path()); }), EISDIR);
  EXPECT_EQ(systemErrorOf([&] { Archive::read(directory / "missing" / "archive.json"); }), ENOENT);
  // Neither a FIFO nor a device in the archive's place is waited on or read.
  fs::path fifo = directory / "fifo.json";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  int fifoError = 0;
  EXPECT_TRUE(testing::returnsWithoutWaitingOnFifo(
      fifo, [&] { fifoError = systemErrorOf([&] { Archive::read(fifo); }); }));
  EXPECT_EQ(fifoError, EINVAL);
  EXPECT_EQ(systemErrorOf([&] { Archive::read("/dev/zero"); }), EINVAL);

  fs::path unreadable = directory / "archive.json";
  Archive().save(unreadable);
  ASSERT_EQ(::chmod(directory.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(unreadable.c_str(), 0200), 0);
  EXPECT_EQ(unprivilegedSystemErrorOf([&] { Archive::read(unreadable); }), EACCES);
}

TEST(Archive, ReadRefusesAFileOverItsBoundBeforeReadingIt) {
  TemporaryDirectory directory;
  // Sparse: it takes no room on disk, and reading it would take 64 MiB.
  fs::path huge = directory / "archive.json";
  testing::writeFile(huge, "");
  fs::resize_file(huge, Archive::maximumFileBytes + 1);
  try {
    Archive::read(huge);
    ADD_FAILURE() << "read an archive over its bound";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), EFBIG);
    EXPECT_NE(std::string(error.what()).find("Cannot read \"" + huge.string() + "\""),
              std::string::npos)
        << error.what();
  }
}

// The names in `folder`, to see that no temporary file is left behind.
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Archive, SaveCreatesFoldersAndReplacesTheFileWhole) {
  TemporaryDirectory directory;
  fs::path folder = directory / "a" / "b";
  fs::path file = folder / "archive.json";
  Archive archive = sampleArchive();
  archive.save(file);
  EXPECT_EQ(testing::readFile(file), archive.encode());

  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  archive.attempts.push_back(Attempt("kana", 3, 1, 1, 1));
  archive.save(file);
  expectSame(Archive::read(file), archive);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"archive.json"});
  // The replaced file keeps the access rights the old one had.
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(Archive, FailedSaveKeepsThePreviousFile) {
  TemporaryDirectory directory;
  fs::path file = directory / "archive.json";
  Archive previous = sampleArchive();
  previous.save(file);
  const std::string before = testing::readFile(file);

  // An attempt that cannot be written: nothing is written at all.
  Archive unwritable;
  unwritable.attempts.push_back(Attempt("kana", 1, 1, 0, NAN));
  EXPECT_THROW(unwritable.save(file), json::EncodingError);
  EXPECT_THROW(unwritable.save(directory / "new" / "archive.json"), json::EncodingError);
  EXPECT_FALSE(fs::exists(directory / "new"));

  // The target is a folder: the rename fails and its temporary file goes.
  fs::create_directory(directory / "taken");
  EXPECT_EQ(systemErrorOf([&] { Archive().save(directory / "taken"); }), EISDIR);
  EXPECT_TRUE(fs::is_directory(directory / "taken"));

  // The folder cannot be created because a file stands in its way.
  EXPECT_EQ(systemErrorOf([&] { Archive().save(file / "archive.json"); }), ENOTDIR);

  EXPECT_EQ(testing::readFile(file), before);
  EXPECT_EQ(namesIn(directory.path()), (std::vector<std::string>{"archive.json", "taken"}));
}

TEST(Archive, SaveIntoAReadOnlyFolderFailsAndKeepsThePreviousFile) {
  TemporaryDirectory directory;
  fs::path folder = directory / "history";
  fs::path file = folder / "archive.json";
  sampleArchive().save(file);
  const std::string before = testing::readFile(file);
  ASSERT_EQ(::chmod(directory.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);

  int error = unprivilegedSystemErrorOf([&] { Archive().save(file); });
  EXPECT_EQ(error, EACCES);
  ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
  EXPECT_EQ(testing::readFile(file), before);
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"archive.json"});
}

}  // namespace
}  // namespace tavro
