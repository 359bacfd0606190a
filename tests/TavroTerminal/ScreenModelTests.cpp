// The screen model without a terminal: frames, the command line, storage
// locations and the archive on disk, and rounds typed key by key.
#include "TavroTerminal/CommandLine.h"
#include "TavroTerminal/Frame.h"
#include "TavroTerminal/PracticeRound.h"
#include "TavroTerminal/Storage.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Support/Text.h"
#include "TavroCore/content/CustomPractice.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <map>

namespace tavro::terminal {
namespace {

using tavro::testing::TemporaryDirectory;

TEST(FrameTest, LaysOutWideAndUnsafeCharactersByColumns) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::string text;
    int column;
    std::string line;
    int end;
  };
  const Case cases[] = {
      {"ascii", "abc", 0, "abc", 3},
      {"wide kana take two columns", "かな", 1, " かな", 5},
      {"clipped at the right edge", "abcdefghijkl", 4, "    abcdef", 16},
      {"a wide character never straddles the edge", "aaaaaaaaか", 1, " aaaaaaaa", 11},
      {"escape sequences never reach a cell", "a\x1b[2Jb", 0, "a\xEF\xBF\xBD[2Jb", 6},
      {"format characters are shown", "a\u202Eb", 0,
       "a\xEF\xBF\xBD"
       "b",
       3},
      {"combining marks stay with their letter", "e\u0301x", 0, "e\u0301x", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame(10, 2);
    EXPECT_EQ(frame.put(0, c.column, c.text), c.end);
    EXPECT_EQ(frame.line(0), c.line);
  }
  Frame frame(10, 1);
  frame.put(5, 0, "outside");
  frame.put(0, -3, "abcd");
  EXPECT_EQ(frame.text(), "d\n");
}

TEST(CommandLineTest, ReadsOptionsAndRefusesTheRest) {
  struct Case {
    std::vector<std::string> arguments;
    std::optional<CommandLine::Command> command;  // nothing: an error
    std::optional<std::string> folder;
  };
  const Case cases[] = {
      {{}, CommandLine::Command::tutor, std::nullopt},
      {{"stats"}, CommandLine::Command::stats, std::nullopt},
      {{"--data-dir", "/tmp/x", "stats"}, CommandLine::Command::stats, "/tmp/x"},
      {{"--data-dir=/d"}, CommandLine::Command::tutor, "/d"},
      {{"--version", "--bogus"}, CommandLine::Command::version, std::nullopt},
      {{"--help"}, CommandLine::Command::help, std::nullopt},
      {{"--data-dir"}, std::nullopt, std::nullopt},
      {{"--data-dir="}, std::nullopt, std::nullopt},
      {{"--data-dir", "a", "--data-dir", "b"}, std::nullopt, std::nullopt},
      {{"--bogus"}, std::nullopt, std::nullopt},
      {{"stats", "stats"}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const auto& argument : c.arguments) joined += argument + " ";
    SCOPED_TRACE(joined);
    auto parsed = CommandLine::parse(c.arguments);
    if (!c.command) {
      EXPECT_TRUE(std::holds_alternative<std::string>(parsed));
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    EXPECT_EQ(std::get<CommandLine>(parsed).command, *c.command);
    EXPECT_EQ(std::get<CommandLine>(parsed).dataDirectory, c.folder);
  }
  // An argument is echoed without the control characters it carries.
  auto parsed = CommandLine::parse({"--\x1b]0;x\x07"});
  ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
  EXPECT_EQ(std::get<std::string>(parsed).find('\x1b'), std::string::npos);
}

TEST(StoragePathsTest, FollowsTheBaseDirectoryRules) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> environment;
    std::optional<std::string> dataDir;
    std::optional<std::pair<std::string, std::string>> folders;
  };
  const Case cases[] = {
      {"defaults under HOME",
       {{"HOME", "/home/a"}},
       std::nullopt,
       std::pair{"/home/a/.local/share/tavro", "/home/a/.config/tavro"}},
      {"XDG variables win",
       {{"HOME", "/home/a"}, {"XDG_DATA_HOME", "/d"}, {"XDG_CONFIG_HOME", "/c"}},
       std::nullopt,
       std::pair{"/d/tavro", "/c/tavro"}},
      {"relative and empty XDG values are ignored",
       {{"HOME", "/home/a"}, {"XDG_DATA_HOME", "rel"}, {"XDG_CONFIG_HOME", ""}},
       std::nullopt,
       std::pair{"/home/a/.local/share/tavro", "/home/a/.config/tavro"}},
      {"--data-dir holds both", {}, "/x/y", std::pair{"/x/y", "/x/y"}},
      {"no HOME and no XDG", {}, std::nullopt, std::nullopt},
      {"relative HOME", {{"HOME", "home"}}, std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto environment = [&](const char* name) -> std::optional<std::string> {
      auto found = c.environment.find(name);
      if (found == c.environment.end()) return std::nullopt;
      return found->second;
    };
    std::optional<std::filesystem::path> dataDir;
    if (c.dataDir) dataDir = *c.dataDir;
    std::optional<StoragePaths> paths = storagePaths(dataDir, environment);
    ASSERT_EQ(paths.has_value(), c.folders.has_value());
    if (!paths) continue;
    EXPECT_EQ(paths->dataFolder, c.folders->first);
    EXPECT_EQ(paths->configFolder, c.folders->second);
    EXPECT_EQ(paths->archive(), paths->dataFolder / "archive.json");
  }
}

std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(ArchiveStorageTest, MissingFileStartsEmptyAndSavesAtomically) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "sub" / "archive.json";
  LoadedArchive loaded = loadArchive(file);
  EXPECT_TRUE(loaded.canSave);
  EXPECT_FALSE(loaded.notice);
  EXPECT_TRUE(loaded.archive.attempts.empty());

  loaded.archive.attempts.emplace_back("romaji", 1, 50, 2, 30.0);
  EXPECT_EQ(saveArchive(loaded.archive, file), std::nullopt);
  LoadedArchive again = loadArchive(file);
  ASSERT_EQ(again.archive.attempts.size(), 1u);
  EXPECT_EQ(again.archive.attempts[0].correct(), 50);
  EXPECT_EQ(filesIn(folder / "sub").size(), 1u);  // no temporary file left
}

TEST(ArchiveStorageTest, DamagedFileIsKeptAsideAndReported) {
  struct Case {
    const char* name;
    std::string contents;
  };
  const Case cases[] = {
      {"not JSON", "{\"attempts\": ["},
      {"wrong shape", "[1, 2, 3]"},
      {"empty file", ""},
      {"one bad attempt",
       R"({"attempts":[{"id":"x"}],"errors":{},"appearance":"System","sound":"s","jis":false,"english":false,"duration":60})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryDirectory folder;
    std::filesystem::path file = folder / "archive.json";
    tavro::testing::writeFile(file, c.contents);

    // Reading only reports and changes nothing.
    LoadedArchive looked = loadArchive(file, false);
    EXPECT_FALSE(looked.canSave);
    ASSERT_TRUE(looked.notice);
    EXPECT_EQ(filesIn(folder.path()), std::vector<std::filesystem::path>{file});

    LoadedArchive loaded = loadArchive(file);
    EXPECT_TRUE(loaded.canSave);
    ASSERT_TRUE(loaded.notice);
    EXPECT_NE(loaded.notice->text().find("damaged"), std::string::npos);
    std::vector<std::filesystem::path> files = filesIn(folder.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_NE(files[0].filename().string().find("archive.json.damaged-"), std::string::npos);
    EXPECT_NE(loaded.notice->text().find(files[0].string()), std::string::npos);
    EXPECT_EQ(tavro::testing::readFile(files[0]), c.contents);

    // A second damaged file the same second gets a name of its own.
    tavro::testing::writeFile(file, c.contents);
    loadArchive(file);
    EXPECT_EQ(filesIn(folder.path()).size(), 2u);
  }
}

TEST(ArchiveStorageTest, OversizedFileIsSetAsideWithoutReadingIt) {
  TemporaryDirectory folder;
  std::filesystem::path file = folder / "archive.json";
  { std::ofstream(file) << "{"; }
  std::filesystem::resize_file(file, maximumArchiveBytes + 1);  // sparse
  LoadedArchive loaded = loadArchive(file);
  ASSERT_TRUE(loaded.notice);
  EXPECT_NE(loaded.notice->text().find("larger than 64 MiB"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ArchiveStorageTest, SomethingOtherThanAFileIsLeftAloneAndSavingIsOff) {
  TemporaryDirectory folder;
  std::filesystem::path pipe = folder / "pipe.json";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::path directory = folder / "dir.json";
  std::filesystem::create_directory(directory);
  for (const auto& file : {pipe, directory}) {
    SCOPED_TRACE(file.string());
    LoadedArchive loaded = loadArchive(file);  // must not wait for a writer
    EXPECT_FALSE(loaded.canSave);
    ASSERT_TRUE(loaded.notice);
    EXPECT_NE(loaded.notice->text().find("not a regular file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(file));
  }
}

TEST(TutorTest, FinishedRoundIsSavedWithItsMissesAndFeedsTheWeakRound) {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  preferences.set(FirstLaunchSetup::completedKey, true);
  Tutor tutor(paths, loadArchive(paths.archive()), preferences);
  double now = 100;
  tutor.handle(Key::character("2"), now);
  tutor.handle(Key::of(Key::Kind::enter), now);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::practice);
  EXPECT_EQ(tutor.round()->mode(), "romaji");

  // A wrong key is marked and changes nothing typed; Backspace erases nothing.
  std::string before = tutor.round()->matcher().typed();
  tutor.handle(Key::character("q"), now += 0.2);
  EXPECT_EQ(tutor.round()->rejectedPiece(), "q");
  tutor.handle(Key::of(Key::Kind::backspace), now += 0.2);
  EXPECT_EQ(tutor.round()->matcher().typed(), before);
  EXPECT_EQ(tutor.round()->session().misses(), 1);

  typeRound(tutor, now, "q", 3);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::results);
  Archive saved = Archive::read(paths.archive());
  ASSERT_EQ(saved.attempts.size(), 1u);
  EXPECT_EQ(saved.attempts[0].mode(), "romaji");
  EXPECT_EQ(saved.attempts[0].round(), 2);
  EXPECT_EQ(saved.attempts[0].misses(), 4);
  ASSERT_TRUE(saved.weakKeys);
  std::vector<std::string> weak = saved.weakKeys->rankedKeys("romaji");
  ASSERT_FALSE(weak.empty());

  Frame frame(80, 24);
  tutor.render(frame, now);
  EXPECT_NE(frame.text().find("Round complete"), std::string::npos);
  EXPECT_NE(frame.text().find("  new"), std::string::npos);

  // Round 7 practises the weakest key: every prompt has it in a spelling.
  tutor.handle(Key::character("h"), now);
  tutor.handle(Key::character("7"), now);
  tutor.handle(Key::of(Key::Kind::enter), now);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::practice);
  bool found = false;
  for (const std::string& spelling :
       Romaji::spellings(tutor.round()->prompt().japanese->reading())) {
    found = found || spelling.find(weak[0]) != std::string::npos;
  }
  EXPECT_TRUE(found) << weak[0];

  // Leaving a round saves nothing of it.
  tutor.handle(Key::character("q"), now += 0.2);
  tutor.handle(Key::of(Key::Kind::escape), now);
  EXPECT_EQ(tutor.screen(), Tutor::Screen::home);
  EXPECT_EQ(Archive::read(paths.archive()).encode(), saved.encode());
}

TEST(ExerciseTest, WayOfTypingIsKeptInTheSharedPreferences) {
  platform::InMemoryUserDefaults store;
  auto saved = [&] {
    return std::vector<Exercise>{savedExercise(TavroLanguage::japanese, store),
                                 savedExercise(TavroLanguage::english, store),
                                 savedExercise(TavroLanguage::nepali, store)};
  };
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::japaneseRomaji, Exercise::english,
                                            Exercise::nepaliRoman}));
  // One direct-keyboard flag serves English and Nepali; kana keys are apart.
  saveInput(Exercise::nepaliDirect, store);
  saveInput(Exercise::japaneseKana, store);
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::japaneseKana, Exercise::englishDirect,
                                            Exercise::nepaliDirect}));
  EXPECT_EQ(mode(Exercise::englishDirect), "english-direct");
  saveInput(Exercise::customText, store);  // typed in romaji
  saveInput(Exercise::english, store);
  EXPECT_EQ(saved(), (std::vector<Exercise>{Exercise::japaneseRomaji, Exercise::english,
                                            Exercise::nepaliRoman}));
}

TEST(TutorTest, EveryExerciseCanBeTypedToTheEnd) {
  for (Exercise exercise : allExercises) {
    for (bool jis : {false, true}) {
      SCOPED_TRACE(std::string(mode(exercise)) + (jis ? " JIS" : " US"));
      std::vector<RoundPrompt> list = prompts(exercise, JLPTLevel::n5, 2, "", jis);
      if (exercise == Exercise::customText) {
        for (JapanesePrompt& prompt :
             CustomPractice::items("学校へ行く\n１２３！", "がっこうへいく\n１２３！")) {
          list.push_back({std::move(prompt), std::nullopt});
        }
      }
      ASSERT_FALSE(list.empty());
      PracticeRound round(exercise, 2, jis, list);
      double now = 0;
      int keys = 0;
      while (!round.isComplete() && keys < 5000) {
        std::optional<std::string> next = round.expectedInput();
        if (!next) {
          round.type(" ", now += 0.1);  // complete and waiting
          continue;
        }
        EXPECT_EQ(round.type(*next, now += 0.1), PracticeRound::Outcome::accepted);
        ++keys;
      }
      ASSERT_TRUE(round.isComplete());
      EXPECT_EQ(round.session().misses(), 0);
      std::optional<Attempt> attempt = round.session().attempt(std::string(round.mode()), 2);
      ASSERT_TRUE(attempt);
      EXPECT_EQ(attempt->correct(), keys);
    }
  }
}

TEST(TutorTest, KanaFromAnInputMethodStandsForItsKeys) {
  PracticeRound round(Exercise::japaneseKana, 1, true,
                      {{JapanesePrompt::kana("がく"), std::nullopt}});
  EXPECT_EQ(round.type("ガ", 1), PracticeRound::Outcome::accepted);
  EXPECT_EQ(round.matcher().typed(), "t@");
  EXPECT_EQ(round.doneCharacters(), 1);
  EXPECT_EQ(round.type("x", 2), PracticeRound::Outcome::rejected);
}

TEST(TutorTest, FirstLaunchSetupResumesFromItsDraftAndAppliesItsChoices) {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;
  {
    Tutor tutor(paths, loadArchive(paths.archive()), preferences);
    ASSERT_EQ(tutor.screen(), Tutor::Screen::setup);
    tutor.handle(Key::of(Key::Kind::right), 0);  // English
    tutor.handle(Key::of(Key::Kind::enter), 0);
    tutor.handle(Key::of(Key::Kind::right), 0);  // JIS
    tutor.handle(Key::character("q"), 0);        // quit half-way
    EXPECT_TRUE(tutor.finished());
  }
  Tutor tutor(paths, loadArchive(paths.archive()), preferences);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::setup);
  Frame frame(80, 24);
  tutor.render(frame, 0);
  EXPECT_NE(frame.text().find("(2/5)"), std::string::npos) << frame.text();
  EXPECT_NE(frame.text().find("< JIS (Japanese) >"), std::string::npos) << frame.text();
  for (int step = 2; step <= 3; ++step) tutor.handle(Key::of(Key::Kind::enter), 0);
  tutor.handle(Key::of(Key::Kind::left), 0);  // theme: High Contrast
  tutor.handle(Key::of(Key::Kind::enter), 0);
  tutor.handle(Key::of(Key::Kind::enter), 0);
  ASSERT_EQ(tutor.screen(), Tutor::Screen::home);
  EXPECT_EQ(tutor.exercise(), Exercise::english);
  EXPECT_EQ(preferences.boolean(FirstLaunchSetup::completedKey), true);
  EXPECT_FALSE(preferences.value(FirstLaunchSetup::draftKey));
  Archive saved = Archive::read(paths.archive());
  EXPECT_TRUE(saved.jis);
  EXPECT_EQ(saved.appearance, "High Contrast");
  // With an archive the setup is not shown again.
  EXPECT_EQ(Tutor(paths, loadArchive(paths.archive()), preferences).screen(), Tutor::Screen::home);
}

TEST(TutorTest, SmallFrameSaysWhatSizeIsNeeded) {
  TemporaryDirectory folder;
  platform::InMemoryUserDefaults preferences;
  preferences.set(FirstLaunchSetup::completedKey, true);
  Tutor tutor({folder.path(), folder.path()}, {}, preferences);
  Frame small(60, 20);
  tutor.render(small, 0);
  EXPECT_NE(small.text().find("at least 80x24"), std::string::npos);
  EXPECT_NE(small.text().find("this one is 60x20"), std::string::npos);
  Frame normal(80, 24);
  tutor.render(normal, 0);
  EXPECT_NE(normal.text().find("Rounds"), std::string::npos);
}

}  // namespace
}  // namespace tavro::terminal
