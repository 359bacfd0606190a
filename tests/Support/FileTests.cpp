#include "Support/File.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace tavro {
namespace {

namespace fs = std::filesystem;

// The names in `folder`, so a test can see that no temporary file stayed.
std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t permissionsOf(const fs::path& file) {
  struct stat status {};
  EXPECT_EQ(::stat(file.c_str(), &status), 0);
  return status.st_mode & 07777;
}

// Sets the process's umask for one test and puts the old one back.
class Umask {
 public:
  explicit Umask(mode_t mask) : old_(::umask(mask)) {}
  ~Umask() { ::umask(old_); }

 private:
  mode_t old_;
};

TEST(FileRead, TakesOnlyRegularFilesWithinTheBoundAndNeverWaits) {
  testing::TemporaryDirectory folder;
  testing::writeFile(folder / "five", "12345");
  testing::writeFile(folder / "empty", "");
  fs::create_directory(folder / "folder");
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  fs::create_symlink(folder / "five", folder / "link");

  struct Case {
    const char* name;
    fs::path path;
    file::OpenOptions options;
    file::Failure failure;
    int error;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"regular", folder / "five", {}, file::Failure::none, 0, "12345"},
      {"empty", folder / "empty", {}, file::Failure::none, 0, ""},
      {"exactly at the bound", folder / "five", {.limit = 5}, file::Failure::none, 0, "12345"},
      {"one byte over the bound", folder / "five", {.limit = 4}, file::Failure::tooLarge, EFBIG, ""},
      {"bound of nothing", folder / "five", {.limit = 0}, file::Failure::tooLarge, EFBIG, ""},
      {"FIFO", folder / "fifo", {}, file::Failure::notRegular, EINVAL, ""},
      {"folder", folder / "folder", {}, file::Failure::notRegular, EISDIR, ""},
      {"device", "/dev/null", {}, file::Failure::notRegular, EINVAL, ""},
      {"link followed", folder / "link", {}, file::Failure::none, 0, "12345"},
      {"link refused", folder / "link", {.followLinks = false}, file::Failure::open, ELOOP, ""},
      {"missing", folder / "missing", {}, file::Failure::open, ENOENT, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    file::Contents contents;
    ASSERT_TRUE(testing::returnsWithoutWaitingOnFifo(
        folder / "fifo", [&] { contents = file::readRegular(c.path, c.options); }));
    EXPECT_EQ(contents.failure, c.failure);
    EXPECT_EQ(contents.error, c.error);
    EXPECT_EQ(static_cast<bool>(contents), c.failure == file::Failure::none);
    EXPECT_EQ(contents.bytes, c.bytes);
    // Opening alone answers the same, and keeps a descriptor only for a file it takes.
    file::OpenedFile opened = file::openRegular(c.path, c.options);
    EXPECT_EQ(opened.failure, c.failure);
    EXPECT_EQ(opened.descriptor.get() >= 0, c.failure == file::Failure::none);
  }
}

TEST(FileRead, SizeIsOnlyAHintAndTheBoundHoldsWhileReading) {
  // The kernel reports a size of 0 for its made-up files; they still have
  // contents, which are read whole, and the bound still applies to them.
  file::Contents whole = file::readRegular("/proc/self/status");
  ASSERT_TRUE(whole) << whole.error;
  EXPECT_EQ(whole.status.st_size, 0);
  EXPECT_EQ(whole.bytes.rfind("Name:", 0), 0u);
  EXPECT_GT(whole.bytes.size(), 4096u / 8);

  file::Contents bounded = file::readRegular("/proc/self/status", {.limit = 16});
  EXPECT_EQ(bounded.failure, file::Failure::tooLarge);
  EXPECT_EQ(bounded.error, EFBIG);
}

TEST(FileRead, LeavesTheSpareCapacityAskedFor) {
  testing::TemporaryDirectory folder;
  const std::string text(1000, 'x');
  testing::writeFile(folder / "file", text);
  file::Contents contents = file::readRegular(folder / "file", {.spareCapacity = 64});
  ASSERT_TRUE(contents);
  EXPECT_EQ(contents.bytes, text);
  EXPECT_GE(contents.bytes.capacity(), text.size() + 64);
}

TEST(FileRead, OpensForUpdateCreatingOnlyWhenAsked) {
  testing::TemporaryDirectory folder;
  const fs::path lock = folder / "lock";
  file::OpenedFile absent = file::openRegular(lock, {.readWrite = true});
  EXPECT_EQ(absent.failure, file::Failure::open);
  EXPECT_EQ(absent.error, ENOENT);

  Umask mask(0);
  file::OpenedFile created = file::openRegular(lock, {.readWrite = true, .createMode = 0640});
  ASSERT_TRUE(created);
  EXPECT_EQ(permissionsOf(lock), 0640u);
  EXPECT_EQ(::write(created.descriptor.get(), "x", 1), 1);

  // A dangling link planted in its place is not followed into creating a file elsewhere.
  fs::create_symlink(folder / "elsewhere", folder / "planted");
  file::OpenedFile planted =
      file::openRegular(folder / "planted", {.followLinks = false, .readWrite = true, .createMode = 0600});
  EXPECT_EQ(planted.failure, file::Failure::open);
  EXPECT_EQ(planted.error, ELOOP);
  EXPECT_FALSE(fs::exists(folder / "elsewhere"));
}

TEST(FileWrite, ReplacesWholeWithTheModeGivenAndLeavesNoTemporary) {
  testing::TemporaryDirectory folder;
  const fs::path target = folder / "data.json";
  Umask mask(022);

  file::writeAtomically(target, "first", {.mode = 0666});
  EXPECT_EQ(testing::readFile(target), "first");
  EXPECT_EQ(permissionsOf(target), 0644u);  // the umask narrows the mode asked for

  file::writeAtomically(target, "second", {.mode = 0600, .permissions = 0664});
  EXPECT_EQ(testing::readFile(target), "second");
  EXPECT_EQ(permissionsOf(target), 0664u);  // exact permissions pass the umask

  EXPECT_EQ(namesIn(folder.path()), std::vector<std::string>{"data.json"});
}

TEST(FileWrite, FailuresLeaveTheOldFileAndNoTemporary) {
  testing::TemporaryDirectory folder;
  // Renaming a file over a folder that holds something fails.
  fs::create_directories(folder / "taken" / "inside");
  struct Case {
    const char* name;
    fs::path target;
    int error;
    std::string message;
    fs::path checkedFolder;
  };
  const std::vector<Case> cases = {
      {"target is a folder", folder / "taken", EISDIR,
       "Cannot replace \"" + (folder / "taken").string() + "\"", folder.path()},
      {"folder missing", folder / "missing" / "file", ENOENT, "Cannot create", folder.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> before = namesIn(c.checkedFolder);
    try {
      file::writeAtomically(c.target, "bytes");
      ADD_FAILURE() << "no failure";
    } catch (const std::system_error& failure) {
      EXPECT_EQ(failure.code().value(), c.error);
      EXPECT_NE(std::string(failure.what()).find(c.message), std::string::npos) << failure.what();
    }
    EXPECT_EQ(namesIn(c.checkedFolder), before);
  }
  EXPECT_TRUE(fs::is_directory(folder / "taken" / "inside"));
}

TEST(FileWrite, UnwritableFolderIsReportedAndLeftClean) {
  testing::TemporaryDirectory folder;
  const fs::path locked = folder / "locked";
  fs::create_directory(locked);
  testing::writeFile(locked / "file", "old");
  ASSERT_EQ(::chmod(folder.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  ASSERT_EQ(::chmod((locked / "file").c_str(), 0666), 0);
  // The superuser writes anywhere: the write runs in a child that has given
  // up its privileges, and reports the errno it met.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(255);
    try {
      file::writeAtomically(locked / "file", "new");
    } catch (const std::system_error& failure) {
      ::_exit(failure.code().value());
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EACCES);
  EXPECT_EQ(namesIn(locked), std::vector<std::string>{"file"});
  EXPECT_EQ(testing::readFile(locked / "file"), "old");
}

TEST(TempFile, KeepRenamesDiscardAndDestructionRemove) {
  testing::TemporaryDirectory folder;
  const fs::path target = folder / "target";
  testing::writeFile(target, "old");

  {
    SCOPED_TRACE("keep");
    file::TempFile temporary = file::TempFile::create(target, 0600);
    EXPECT_EQ(temporary.path().parent_path(), folder.path());
    EXPECT_EQ(temporary.path().filename().string().rfind(file::temporaryPrefix(target), 0), 0u);
    temporary.write("new");
    temporary.keep(target);
    EXPECT_FALSE(fs::exists(temporary.path()));
  }
  EXPECT_EQ(testing::readFile(target), "new");

  fs::path discarded;
  {
    SCOPED_TRACE("discard");
    file::TempFile temporary = file::TempFile::create(target, 0600);
    discarded = temporary.path();
    temporary.write("lost");
    EXPECT_TRUE(fs::exists(discarded));
    temporary.discard();
    EXPECT_FALSE(fs::exists(discarded));
    temporary.discard();  // a second time does nothing
  }

  fs::path dropped;
  {
    SCOPED_TRACE("destructor, after a move");
    file::TempFile first = file::TempFile::create(target, 0600);
    dropped = first.path();
    file::TempFile second = std::move(first);
    second.write("lost");
    EXPECT_EQ(second.path(), dropped);
    EXPECT_TRUE(fs::exists(dropped));
  }
  EXPECT_FALSE(fs::exists(dropped));

  {
    SCOPED_TRACE("failed keep");
    fs::create_directories(folder / "busy" / "inside");
    file::TempFile temporary = file::TempFile::create(folder / "busy", 0600);
    dropped = temporary.path();
    EXPECT_THROW(temporary.keep(folder / "busy"), std::system_error);
    EXPECT_TRUE(fs::exists(dropped));  // still this object's, until it goes
  }
  EXPECT_FALSE(fs::exists(dropped));
  EXPECT_EQ(testing::readFile(target), "new");
  EXPECT_EQ(namesIn(folder.path()), (std::vector<std::string>{"busy", "target"}));
}

}  // namespace
}  // namespace tavro
