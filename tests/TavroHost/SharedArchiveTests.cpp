// Two tutors saving one archive: what each saved survives the other's
// save, saves wait for each other, and a file damaged in between is set
// aside rather than merged or overwritten.
#include "common/TestSupport.h"

#include "TavroHost/Storage.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

namespace tavro {
namespace {

using testing::numberedUuid;
using testing::TemporaryDirectory;

Attempt attempt(int n) {
  return Attempt(numberedUuid(static_cast<std::uint64_t>(n)), Date{1000.0 + n}, "romaji", 1, 100 + n, 1, 60);
}

// One program's view: the archive in memory and what it last read or saved.
struct Program {
  Archive archive;
  Archive base;

  explicit Program(const std::filesystem::path& file) {
    LoadedArchive loaded = loadArchive(file);
    archive = loaded.archive;
    base = loaded.archive;
  }
  void finishRound(int n, std::int64_t yTyped, std::int64_t yMissed) {
    archive.attempts.push_back(attempt(n));
    if (!archive.weakKeys) archive.weakKeys = WeakKeyHistory{};
    KeyPerformance& y = archive.weakKeys->modes["romaji"]["y"];
    y.attempts += yTyped;
    y.errors += yMissed;
  }
};

TEST(SharedArchive, TwoProgramsSavingInTurnLoseNothing) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "archive.json";
  {
    Program first(file);
    first.finishRound(1, 10, 2);
    ASSERT_FALSE(saveSharedArchive(first.archive, first.base, file));
  }
  // Both start from the same file, then each finishes a round and saves.
  Program terminal(file);
  Program desktop(file);
  terminal.finishRound(2, 5, 1);
  desktop.finishRound(3, 3, 0);
  ASSERT_FALSE(saveSharedArchive(terminal.archive, terminal.base, file));
  ASSERT_FALSE(saveSharedArchive(desktop.archive, desktop.base, file));

  Archive saved = Archive::read(file);
  ASSERT_EQ(saved.attempts.size(), 3u);
  const KeyPerformance& y = saved.weakKeys->modes.at("romaji").at("y");
  EXPECT_EQ(y.attempts, 18);  // 10 + 5 + 3: every keystroke counted once
  EXPECT_EQ(y.errors, 3);
  // The later saver now holds everything, and saving again changes nothing.
  EXPECT_EQ(desktop.archive.attempts.size(), 3u);
  ASSERT_FALSE(saveSharedArchive(desktop.archive, desktop.base, file));
  ASSERT_FALSE(saveSharedArchive(terminal.archive, terminal.base, file));
  Archive again = Archive::read(file);
  EXPECT_EQ(again.attempts.size(), 3u);
  EXPECT_EQ(again.weakKeys->modes.at("romaji").at("y").attempts, 18);
}

TEST(SharedArchive, ASaveWaitsForTheLockAndGivesUpWithAReason) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "archive.json";
  Program program(file);
  program.finishRound(1, 1, 0);
  std::filesystem::path lockPath = file;
  lockPath += ".lock";
  int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::optional<std::string> failure = saveSharedArchive(program.archive, program.base, file);
  ::close(held);
  ASSERT_TRUE(failure.has_value());
  EXPECT_NE(failure->find("locked"), std::string::npos) << *failure;
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(program.base.attempts.empty());  // nothing counts as saved
  ASSERT_FALSE(saveSharedArchive(program.archive, program.base, file));
  EXPECT_EQ(Archive::read(file).attempts.size(), 1u);
}

TEST(SharedArchive, AFileDamagedSinceItWasReadIsSetAsideNotMerged) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "archive.json";
  Program program(file);
  program.finishRound(1, 1, 0);
  testing::writeFile(file, "{\"attempts\": [");
  ASSERT_FALSE(saveSharedArchive(program.archive, program.base, file));
  EXPECT_EQ(Archive::read(file).attempts.size(), 1u);
  int setAside = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    setAside += entry.path().filename().string().rfind("archive.json.damaged-", 0) == 0 ? 1 : 0;
  EXPECT_EQ(setAside, 1);
}

TEST(SharedArchive, AMergeThatWouldPassTheBoundsIsNotSaved) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "archive.json";
  Program other(file);
  Program mine(file);
  other.finishRound(1, 1, 0);
  other.finishRound(2, 1, 0);
  ASSERT_FALSE(saveSharedArchive(other.archive, other.base, file));
  mine.finishRound(3, 1, 0);
  ArchiveBounds small;
  small.attempts = 2;
  std::optional<std::string> failure = saveSharedArchive(mine.archive, mine.base, file, small);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(mine.archive.attempts.size(), 1u);
  EXPECT_EQ(Archive::read(file).attempts.size(), 2u);
}

}  // namespace
}  // namespace tavro
