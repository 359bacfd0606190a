#include "Platform/FileUserDefaults.h"

#include "Support/Json.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <thread>

namespace tavro::platform {
namespace {

using testing::readFile;
using testing::TemporaryDirectory;
using testing::writeFile;

std::vector<std::string> leftoverTemporaries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.find(".tmp-") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST(FileUserDefaults, KeepsEveryKindOfValueAcrossInstances) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "nested" / "prefs.json";
  {
    FileUserDefaults store(file);
    EXPECT_EQ(store.value("anything"), std::nullopt);  // no file yet
    EXPECT_FALSE(std::filesystem::exists(file));
    store.set("flag", true);
    store.set("count", std::numeric_limits<std::int64_t>::min());
    store.set("ratio", 0.1);
    store.set("infinite", -std::numeric_limits<double>::infinity());
    store.set("nan", std::nan(""));
    store.set("name", "ライト \"quoted\"\n");
    store.set("bytes", DefaultsData{0, 1, 254, 255});
    store.set("empty", DefaultsData{});
    store.set("gone", 1);
    store.removeValue("gone");
    store.removeValue("never-set");
  }
  FileUserDefaults reopened(file);
  EXPECT_EQ(reopened.keys(), (std::vector<std::string>{"bytes", "count", "empty", "flag",
                                                       "infinite", "name", "nan", "ratio"}));
  EXPECT_EQ(reopened.boolean("flag"), true);
  EXPECT_EQ(reopened.integer("count"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(reopened.number("ratio"), 0.1);
  EXPECT_EQ(reopened.number("infinite"), -std::numeric_limits<double>::infinity());
  ASSERT_TRUE(reopened.number("nan").has_value());
  EXPECT_TRUE(std::isnan(*reopened.number("nan")));
  EXPECT_EQ(reopened.string("name"), "ライト \"quoted\"\n");
  EXPECT_EQ(reopened.data("bytes"), (DefaultsData{0, 1, 254, 255}));
  EXPECT_EQ(reopened.data("empty"), DefaultsData{});
  // Kinds survive the file: a whole double is not an integer, a Boolean not a number.
  reopened.set("whole", 2.0);
  EXPECT_EQ(FileUserDefaults(file).number("whole"), 2.0);
  EXPECT_EQ(FileUserDefaults(file).integer("whole"), std::nullopt);
  EXPECT_EQ(FileUserDefaults(file).integer("flag"), std::nullopt);
  EXPECT_TRUE(leftoverTemporaries(file.parent_path()).empty());
}

TEST(FileUserDefaults, WritesTheDocumentedFormat) {
  FileUserDefaults::Values values{{"a", true},
                                  {"b", std::int64_t{-3}},
                                  {"c", 0.5},
                                  {"d", std::string("x")},
                                  {"e", DefaultsData{'h', 'i'}}};
  std::string text = FileUserDefaults::encode(values);
  EXPECT_EQ(text, R"({"values":{"a":{"boolean":true},"b":{"integer":-3},"c":{"double":0.5},)"
                  R"("d":{"string":"x"},"e":{"data":"aGk="}}})");
  EXPECT_EQ(FileUserDefaults::decode(text), values);
  EXPECT_THROW(FileUserDefaults::decode(std::string_view()), json::DecodingError);
  // Members the store does not know are ignored, for later versions.
  EXPECT_EQ(FileUserDefaults::decode(R"({"format":2,"values":{"a":{"boolean":false}}})"),
            (FileUserDefaults::Values{{"a", false}}));
}

TEST(FileUserDefaults, ReadsADamagedFileAsEmptyAndKeepsItAside) {
  struct Case {
    const char* name;
    std::string contents;
  };
  const std::vector<Case> cases = {
      {"empty file", ""},
      {"not JSON", "{\"values\":{\"a\":{\"boolean\":true}"},
      {"not an object", "[]"},
      {"values missing", "{}"},
      {"values not an object", R"({"values":[]})"},
      {"entry not an object", R"({"values":{"a":true}})"},
      {"two kinds", R"({"values":{"a":{"boolean":true,"integer":1}}})"},
      {"no kind", R"({"values":{"a":{}}})"},
      {"unknown kind", R"({"values":{"a":{"date":1}}})"},
      {"integer not whole", R"({"values":{"a":{"integer":1.5}}})"},
      {"integer too large", R"({"values":{"a":{"integer":9223372036854775808}}})"},
      {"double as other text", R"({"values":{"a":{"double":"Infinity"}}})"},
      {"boolean as text", R"({"values":{"a":{"boolean":"true"}}})"},
      {"data not base64", R"({"values":{"a":{"data":"a*=="}}})"},
      {"data unpadded", R"({"values":{"a":{"data":"aGk"}}})"},
      {"data not canonical", R"({"values":{"a":{"data":"aGl="}}})"},
      {"key twice", R"({"values":{"a":{"boolean":true},"a":{"boolean":false}}})"},
      {"ill-formed UTF-8", "{\"values\":{\"a\":{\"string\":\"\xC3\x28\"}}}"},
      {"too large", R"({"values":{"a":{"string":")" +
                        std::string(FileUserDefaults::maximumFileSize, 'x') + R"("}}})"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    TemporaryDirectory folder;
    std::filesystem::path file = folder / "prefs.json";
    writeFile(file, row.contents);
    FileUserDefaults store(file);
    EXPECT_EQ(store.value("a"), std::nullopt);
    EXPECT_TRUE(store.keys().empty());
    // Kept aside unchanged, out of the way of the next change.
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_TRUE(std::filesystem::exists(store.damagedFile()));
    EXPECT_EQ(readFile(store.damagedFile()), row.contents);
    store.set("b", 1);
    EXPECT_EQ(FileUserDefaults(file).keys(), std::vector<std::string>{"b"});
    EXPECT_EQ(readFile(store.damagedFile()), row.contents);
  }
}

TEST(FileUserDefaults, SeesChangesMadeThroughAnotherInstance) {
  TemporaryDirectory folder;
  FileUserDefaults first(folder / "prefs.json");
  FileUserDefaults second(folder / "prefs.json");
  first.set("a", 1);
  EXPECT_EQ(second.integer("a"), 1);
  second.set("b", 2);  // re-reads before changing: "a" is kept
  EXPECT_EQ(first.integer("b"), 2);
  EXPECT_EQ(first.integer("a"), 1);
  first.removeValue("b");
  EXPECT_EQ(second.value("b"), std::nullopt);
  EXPECT_EQ(second.keys(), std::vector<std::string>{"a"});
}

TEST(FileUserDefaults, RefusesChangesItCannotWriteAndKeepsThePreviousValues) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  FileUserDefaults store(file);
  store.set("name", "kept");
  std::string before = readFile(file);

  EXPECT_THROW(store.set("name", std::string("\xFF")), std::invalid_argument);
  EXPECT_THROW(store.set(std::string("\xC0\x80"), true), std::invalid_argument);
  try {
    store.set("huge", std::string(FileUserDefaults::maximumFileSize, 'x'));
    ADD_FAILURE() << "a document over the limit was written";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code().value(), EFBIG);
  }
  EXPECT_EQ(readFile(file), before);
  EXPECT_EQ(store.string("name"), "kept");
  EXPECT_EQ(store.value("huge"), std::nullopt);

  // A folder that cannot be made: the failure passes on, nothing is kept.
  writeFile(folder / "blocker", "");
  FileUserDefaults blocked(folder / "blocker" / "prefs.json");
  EXPECT_THROW(blocked.set("a", true), std::system_error);
  EXPECT_EQ(blocked.value("a"), std::nullopt);
}

TEST(FileUserDefaults, NeitherBlocksOnNorReplacesAFileThatIsNotRegular) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
  FileUserDefaults store(file);
  EXPECT_EQ(store.value("a"), std::nullopt);  // returns at once: no writer is waited for
  EXPECT_THROW(store.set("a", true), std::system_error);
  EXPECT_TRUE(std::filesystem::is_fifo(file));
  EXPECT_FALSE(std::filesystem::exists(store.damagedFile()));
}

// The lock file sits in the data folder, where anyone who can write there
// may plant something: the store creates nothing through it and waits on
// nothing, and every change fails while the document is left alone.
TEST(FileUserDefaults, RefusesALockFileThatIsNotARegularFile) {
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path& lock, const std::filesystem::path& outside)>
        plant;
  };
  const Case cases[] = {
      {"dangling symbolic link",
       [](const auto& lock, const auto& outside) {
         std::filesystem::create_symlink(outside / "created-by-the-store", lock);
       }},
      {"symbolic link to a regular file",
       [](const auto& lock, const auto& outside) {
         writeFile(outside / "created-by-the-store", "");
         std::filesystem::create_symlink(outside / "created-by-the-store", lock);
       }},
      {"FIFO", [](const auto& lock, const auto&) { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); }},
      {"folder", [](const auto& lock, const auto&) { std::filesystem::create_directory(lock); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryDirectory folder;
    TemporaryDirectory outside;
    std::filesystem::path file = folder / "prefs.json";
    writeFile(file, R"({"values":{"kept":{"boolean":true}}})");
    std::filesystem::path lock = folder / "prefs.json.lock";
    c.plant(lock, outside.path());
    const bool targetExisted = std::filesystem::exists(outside / "created-by-the-store");

    FileUserDefaults store(file);
    EXPECT_THROW(store.set("a", true), std::system_error);
    EXPECT_THROW(store.removeValue("kept"), std::system_error);
    EXPECT_EQ(store.value("kept"), DefaultsValue(true));
    EXPECT_EQ(std::filesystem::exists(outside / "created-by-the-store"), targetExisted);
    if (targetExisted) {
      EXPECT_EQ(readFile(outside / "created-by-the-store"), "");
    }
    EXPECT_EQ(readFile(file), R"({"values":{"kept":{"boolean":true}}})");
    EXPECT_FALSE(std::filesystem::exists(store.damagedFile()));
  }
}

TEST(FileUserDefaults, ServesSeveralThreads) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  FileUserDefaults store(file);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < 4; ++thread) {
    threads.emplace_back([&store, thread] {
      std::string key = "key" + std::to_string(thread);
      for (int index = 0; index < 50; ++index) {
        store.set(key, index);
        (void)store.integer("key0");
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  FileUserDefaults reopened(file);
  for (int thread = 0; thread < 4; ++thread)
    EXPECT_EQ(reopened.integer("key" + std::to_string(thread)), 49);
}

// Runs `work` in a child process; returns its process id.
template <typename Work>
pid_t inChild(Work work) {
  pid_t child = ::fork();
  if (child == 0) {
    int status = 0;
    try {
      work();
    } catch (...) {
      status = 1;
    }
    ::_exit(status);
  }
  return child;
}

int exitStatus(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileUserDefaults, AFileThatCannotBeOpenedForNowIsNeitherMovedNorReplaced) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  FileUserDefaults(file).set("kept", true);
  std::string before = readFile(file);
  pid_t child = inChild([&] {
    // Out of descriptors: the store cannot open its file.
    rlimit limit{64, 64};
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) throw std::runtime_error("setrlimit");
    std::vector<int> held;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) held.push_back(fd);
    FileUserDefaults store(file);
    bool readAsEmpty = !store.value("kept").has_value();
    bool refused = false;
    try {
      store.set("other", 1);
    } catch (const std::system_error&) {
      refused = true;
    }
    for (int fd : held) ::close(fd);
    bool readAgain = store.boolean("kept") == true;  // tried again once descriptors are back
    ::_exit(readAsEmpty && refused && readAgain ? 0 : 2);
  });
  ASSERT_GT(child, 0);
  EXPECT_EQ(exitStatus(child), 0);
  EXPECT_EQ(readFile(file), before);
  EXPECT_FALSE(std::filesystem::exists(FileUserDefaults(file).damagedFile()));
}

TEST(FileUserDefaults, TwoProcessesWritingAtOnceKeepEveryChange) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  constexpr int count = 100;
  auto writeKeys = [&file](const std::string& prefix) {
    FileUserDefaults store(file);
    for (int index = 0; index < count; ++index) {
      store.set(prefix + std::to_string(index), index);
      if (!FileUserDefaults(file).integer(prefix + std::to_string(index)))
        throw std::runtime_error("lost");
    }
  };
  pid_t child = inChild([&] { writeKeys("child"); });
  ASSERT_GT(child, 0);
  writeKeys("parent");
  // Whatever moment a reader picks, it finds a whole document.
  for (int check = 0; check < 50; ++check) {
    if (std::filesystem::exists(file)) {
      EXPECT_NO_THROW(FileUserDefaults::decode(readFile(file)));
    }
  }
  ASSERT_EQ(exitStatus(child), 0);

  FileUserDefaults store(file);
  EXPECT_EQ(store.keys().size(), 2u * count);
  EXPECT_EQ(store.integer("child99"), 99);
  EXPECT_EQ(store.integer("parent99"), 99);
  EXPECT_FALSE(std::filesystem::exists(store.damagedFile()));
  EXPECT_TRUE(leftoverTemporaries(folder.path()).empty());
}

TEST(FileUserDefaults, AKilledWriterLeavesTheOldOrTheNewDocument) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "prefs.json";
  // Large values make each write long enough to be cut at different points.
  const std::string filler(512 * 1024, 'x');
  std::mt19937 random(15);
  // A first document, so that every kill has an old one to keep.
  {
    FileUserDefaults store(file);
    store.set("payload", "0" + filler);
    store.set("generation", 0);
  }
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    pid_t child = inChild([&] {
      FileUserDefaults store(file);
      for (std::int64_t generation = store.integer("generation").value_or(-1) + 1;; ++generation) {
        // Two writes per generation: a kill between them leaves the payload one ahead.
        store.set("payload", std::to_string(generation) + filler);
        store.set("generation", generation);
      }
    });
    ASSERT_GT(child, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 40000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    ASSERT_TRUE(std::filesystem::exists(file));
    FileUserDefaults::Values values;
    ASSERT_NO_THROW(values = FileUserDefaults::decode(readFile(file)));
    FileUserDefaults store(file);
    EXPECT_FALSE(std::filesystem::exists(store.damagedFile()));
    std::optional<std::string> payload = store.string("payload");
    ASSERT_TRUE(payload.has_value());
    EXPECT_EQ(payload->size() - filler.size(), std::to_string(std::stoll(*payload)).size());
    EXPECT_TRUE(payload->ends_with(filler));
    std::optional<std::int64_t> generation = store.integer("generation");
    ASSERT_TRUE(generation.has_value());
    std::int64_t payloadGeneration = std::stoll(*payload);
    EXPECT_TRUE(*generation == payloadGeneration || *generation + 1 == payloadGeneration);
  }
  // The next writer clears what killed writers left behind.
  FileUserDefaults(file).set("after", true);
  EXPECT_TRUE(leftoverTemporaries(folder.path()).empty());
  EXPECT_EQ(FileUserDefaults(file).boolean("after"), true);
}

}  // namespace
}  // namespace tavro::platform
