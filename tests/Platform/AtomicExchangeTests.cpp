#include "Platform/AtomicExchange.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tavro::platform {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

TEST(AtomicExchange, ExchangesTwoDirectoriesSoEachNamesTheOther) {
  TemporaryDirectory directory;
  fs::create_directory(directory / "old");
  fs::create_directory(directory / "new");
  writeFile(directory / "old/marker", "old");
  writeFile(directory / "new/marker", "new");
  exchangeEntries(directory / "new", directory / "old");
  EXPECT_EQ(readFile(directory / "old/marker"), "new");
  EXPECT_EQ(readFile(directory / "new/marker"), "old");
}

TEST(AtomicExchange, RefusalChangesNothing) {
  TemporaryDirectory directory;
  fs::create_directory(directory / "present");
  writeFile(directory / "present/marker", "kept");
  try {
    exchangeEntries(directory / "absent", directory / "present");
    FAIL() << "exchange with a missing entry succeeded";
  } catch (const std::system_error& failure) {
    EXPECT_EQ(failure.code().value(), ENOENT);
  }
  EXPECT_EQ(readFile(directory / "present/marker"), "kept");
  EXPECT_FALSE(fs::exists(directory / "absent"));
}

TEST(AtomicExchange, EntriesOnDifferentFileSystemsAreRefusedUnchanged) {
  if (::access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no second writable file system";
  TemporaryDirectory directory;
  fs::path other = fs::path("/dev/shm") / ("tavro-exchange-" + std::to_string(::getpid()));
  fs::create_directory(other);
  fs::create_directory(directory / "here");
  writeFile(other / "marker", "there");
  EXPECT_THROW(exchangeEntries(directory / "here", other), std::system_error);
  EXPECT_EQ(readFile(other / "marker"), "there");
  EXPECT_TRUE(fs::is_directory(directory / "here"));
  fs::remove_all(other);
}

TEST(AtomicExchange, MoveNeverReplacesAnExistingEntry) {
  TemporaryDirectory directory;
  fs::create_directory(directory / "from");
  fs::create_directory(directory / "to");
  EXPECT_THROW(moveEntry(directory / "from", directory / "to"), std::system_error);
  EXPECT_TRUE(fs::exists(directory / "from"));
  moveEntry(directory / "from", directory / "moved");
  EXPECT_FALSE(fs::exists(directory / "from"));
  EXPECT_TRUE(fs::is_directory(directory / "moved"));
}

TEST(AtomicExchange, CopyKeepsContentsAndPermissions) {
  TemporaryDirectory directory;
  fs::path source = directory / "source";
  fs::create_directories(source / "Contents/MacOS");
  fs::create_directories(source / "Contents/Empty");
  writeFile(source / "Contents/MacOS/Tavro", std::string(3 << 20, 'x') + "end");
  fs::permissions(source / "Contents/MacOS/Tavro", fs::perms(0755));
  writeFile(source / "Contents/Info.plist", "plist");
  fs::permissions(source / "Contents/Info.plist", fs::perms(0640));
  fs::permissions(source / "Contents/Empty", fs::perms(0750));

  copyTreeDurably(source, directory / "copy");
  EXPECT_EQ(readFile(directory / "copy/Contents/MacOS/Tavro"), readFile(source / "Contents/MacOS/Tavro"));
  EXPECT_EQ(readFile(directory / "copy/Contents/Info.plist"), "plist");
  EXPECT_EQ(fs::status(directory / "copy/Contents/MacOS/Tavro").permissions(), fs::perms(0755));
  EXPECT_EQ(fs::status(directory / "copy/Contents/Info.plist").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(directory / "copy/Contents/Empty").permissions(), fs::perms(0750));
  EXPECT_THROW(copyTreeDurably(source, directory / "copy"), std::system_error);  // never merges
}

TEST(AtomicExchange, CopyRefusesLinksAndSpecialFiles) {
  TemporaryDirectory directory;
  fs::create_directories(directory / "linked/Contents");
  fs::create_symlink("/etc/passwd", directory / "linked/Contents/passwd");
  EXPECT_THROW(copyTreeDurably(directory / "linked", directory / "copy1"), std::system_error);

  fs::create_directories(directory / "fifo/Contents");
  ASSERT_EQ(::mkfifo((directory / "fifo/Contents/pipe").c_str(), 0600), 0);
  EXPECT_THROW(copyTreeDurably(directory / "fifo", directory / "copy2"), std::system_error);

  fs::create_directory_symlink(directory / "fifo", directory / "top-link");
  EXPECT_THROW(copyTreeDurably(directory / "top-link", directory / "copy3"), std::system_error);
  EXPECT_FALSE(fs::exists(directory / "copy3"));
}

TEST(AtomicExchange, RemovesADeepTreeUnderALowOpenFileLimit) {
  TemporaryDirectory directory;
  const fs::path top = directory / "Install-1";
  fs::path level = top;
  for (int depth = 0; depth < 300; ++depth) {
    level /= "d";
    fs::create_directories(level);
    writeFile(level.parent_path() / "file", "x");
  }
  fs::create_directory_symlink("/etc", level / "link");  // removed, never followed
  // Room for a handful of descriptors beyond those already open: fewer
  // than the tree has levels.
  rlimit previous {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &previous), 0);
  std::size_t open = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++open;
  rlimit low = previous;
  low.rlim_cur = open + 16;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::string outcome = "removed";
  try {
    removeTree(top);
  } catch (const std::exception& failure) {
    outcome = failure.what();
  }
  ::setrlimit(RLIMIT_NOFILE, &previous);
  EXPECT_EQ(outcome, "removed");
  EXPECT_FALSE(fs::exists(fs::symlink_status(top)));
  EXPECT_TRUE(fs::exists("/etc/hostname"));
  EXPECT_NO_THROW(removeTree(top));  // already gone
}

}  // namespace
}  // namespace tavro::platform
