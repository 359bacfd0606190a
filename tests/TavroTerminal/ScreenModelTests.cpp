// The screen model without a terminal: frames, the command line, storage
// locations and the archive on disk, and rounds typed key by key.
#include "TavroTerminal/CommandLine.h"
#include "TavroTerminal/Frame.h"
#include "TavroCore/practice/PracticeRound.h"
#include "TavroTerminal/ScoreText.h"
#include "TavroHost/Storage.h"
#include "TavroTerminal/Tutor.h"
#include "TutorTesting.h"
#include "common/TestSupport.h"

#include "Support/Text.h"
#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>

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
  tutor.handle(Key::character("y"), now);  // yes, leave it
  EXPECT_EQ(tutor.screen(), Tutor::Screen::home);
  EXPECT_EQ(Archive::read(paths.archive()).encode(), saved.encode());
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

// A tutor past its setup, in a folder of its own.
struct TutorFixture {
  TemporaryDirectory folder;
  StoragePaths paths{folder.path(), folder.path()};
  platform::InMemoryUserDefaults preferences;

  TutorFixture() { preferences.set(FirstLaunchSetup::completedKey, true); }
  std::unique_ptr<Tutor> start() {
    return std::make_unique<Tutor>(paths, loadArchive(paths.archive()), preferences);
  }
};

std::string shown(const Tutor& tutor, int width = 80, int height = 24, double now = 0) {
  Frame frame(width, height);
  tutor.render(frame, now);
  return frame.text();
}

TEST(TutorTest, KeysBehindTheSizeNoticeDoNothingAndTheRoundPauses) {
  // The same round typed twice with the same key times, once with a long
  // spell behind the size notice in the middle: keys there change nothing
  // and its time does not count.
  auto play = [](bool shrink) {
    TutorFixture fixture;
    std::unique_ptr<Tutor> tutor = fixture.start();
    double now = 100;
    tutor->handle(Key::character("1"), now);
    tutor->handle(Key::of(Key::Kind::enter), now);
    std::string first = tutor->round()->guide()->text();
    tutor->handle(Key::character(first.substr(0, 1)), now += 0.2);
    if (shrink) {
      shown(*tutor, 60, 20, now);
      std::string typed = tutor->round()->matcher().typed();
      for (const char* key : {"q", "x", "1"}) tutor->handle(Key::character(key), now += 10);
      tutor->handle(Key::of(Key::Kind::escape), now += 10);
      EXPECT_EQ(tutor->screen(), Tutor::Screen::practice);
      EXPECT_EQ(tutor->round()->matcher().typed(), typed);
      EXPECT_EQ(tutor->round()->session().misses(), 0);
      now += 600;
      shown(*tutor, 80, 24, now);
    }
    typeRound(*tutor, now, "q", 0);
    EXPECT_EQ(tutor->screen(), Tutor::Screen::results);
    return Archive::read(fixture.paths.archive()).attempts.at(0).seconds();
  };
  double steady = play(false);
  EXPECT_NEAR(play(true), steady, 1e-6);
}

TEST(TutorTest, ChosenInputAndRoundComeBackAfterARestart) {
  struct Case {
    const char* name;
    Exercise exercise;
    std::int64_t round;
  };
  const Case cases[] = {
      {"guided romaji, round 5", Exercise::guidedRomaji, 5},
      {"the learner's own text", Exercise::customText, 1},
      {"kana keys, round 3", Exercise::japaneseKana, 3},
      {"romaji, round 7", Exercise::japaneseRomaji, 7},
      {"kana keys, the drill", Exercise::japaneseKana, drillRound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TutorFixture fixture;
    {
      std::unique_ptr<Tutor> tutor = fixture.start();
      for (int i = 0; i < 12 && shown(*tutor).find(" > Input") == std::string::npos; ++i)
        tutor->handle(Key::of(Key::Kind::up), 0);
      for (int i = 0; i < 5 && tutor->exercise() != c.exercise; ++i)
        tutor->handle(Key::of(Key::Kind::right), 0);
      ASSERT_EQ(tutor->exercise(), c.exercise);
      tutor->handle(Key::character(std::to_string(c.round)), 0);
      // The learner's own text has one round and shows no round list.
      if (c.exercise != Exercise::customText) {
        ASSERT_NE(shown(*tutor).find(" > " + std::to_string(c.round) + "  "), std::string::npos)
            << shown(*tutor);
      }
    }
    std::unique_ptr<Tutor> again = fixture.start();
    EXPECT_EQ(again->exercise(), c.exercise);
    if (c.exercise == Exercise::customText) {
      again->handle(Key::of(Key::Kind::enter), 0);
      EXPECT_EQ(again->screen(), Tutor::Screen::customText);
    } else {
      EXPECT_NE(shown(*again).find(" > " + std::to_string(c.round) + "  "), std::string::npos)
          << shown(*again);
    }
  }
}

TEST(TutorTest, PromptsWrapAtSpacesAndEveryCutIsMarked) {
  ASSERT_TRUE(utf8Locale);
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  std::vector<RoundPrompt> list = prompts(Exercise::english, JLPTLevel::n5, 6, "", false);
  ASSERT_GT(list.size(), 2u);
  for (std::size_t word = 0; word + 1 < list.size(); ++word) {
    const std::string display = list[word].display();
    const std::string next = list[word + 1].display();
    SCOPED_TRACE(display);
    std::vector<RoundPrompt> pair = {list[word], list[word + 1]};
    tutor->startRound(PracticeRound(Exercise::english, 6, false, pair));
    Frame frame(80, 24);
    tutor->render(frame, 0);
    // The prompt's rows, joined at the spaces they were cut at, are the
    // prompt; no row ends inside a word.
    std::string joined;
    for (int row = 3; row < 6 && !frame.line(row).empty(); ++row) {
      std::string line = frame.line(row).substr(3);
      if (!joined.empty()) joined += ' ';
      joined += line;
    }
    EXPECT_EQ(joined, display);
    // The next prompt is whole or cut visibly after a word.
    std::string then;
    for (int row = 0; row < frame.height(); ++row)
      if (frame.line(row).rfind(" then", 0) == 0) then = frame.line(row).substr(10);
    if (then != next) {
      ASSERT_GE(then.size(), 4u) << then;
      EXPECT_EQ(then.substr(then.size() - 3), "…");
      std::string kept = then.substr(0, then.size() - 3);
      EXPECT_EQ(next.rfind(kept, 0), 0u) << then;
      EXPECT_EQ(next[kept.size()], ' ') << then;
    }
  }
}

TEST(TutorTest, DamagedArchiveNoticeSaysWhereItBrokeInPlainWords) {
  const std::string settings =
      R"("errors":{},"appearance":"System","sound":"s","jis":false,"english":false,"duration":60)";
  const std::string good =
      R"({"id":"6E0A9A4C-6F47-4A2B-9A55-0C4E2F9E1A01","date":1,"mode":"romaji","round":1,"correct":1,"misses":0,"seconds":2})";
  struct Case {
    const char* name;
    std::string contents;
    std::string reason;
  };
  const Case cases[] = {
      {"empty", "  \n", "the file is empty"},
      {"cut short", R"({"attempts":[)" + good.substr(0, 30), "is cut short or garbled"},
      {"second attempt lacks misses",
       R"({"attempts":[)" + good + "," +
           R"({"id":"6E0A9A4C-6F47-4A2B-9A55-0C4E2F9E1A02","date":1,"mode":"romaji","round":1,"correct":1,"seconds":2})" +
           "]," + settings + "}",
       "attempt 2 of 2: \"misses\" is missing"},
      {"a setting of the wrong kind",
       R"({"attempts":[)" + good + R"(],"errors":{},"appearance":"System","sound":"s","jis":"yes","english":false,"duration":60})",
       "\"jis\" holds the wrong kind of value"},
      {"not an archive", "[1, 2]", "the file holds no score archive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryDirectory folder;
    tavro::testing::writeFile(folder / "archive.json", c.contents);
    LoadedArchive loaded = loadArchive(folder / "archive.json");
    ASSERT_TRUE(loaded.notice);
    std::string english = TutorStrings::Message(*loaded.notice).text(InterfaceLanguage::english);
    EXPECT_NE(english.find(c.reason), std::string::npos) << english;
    // Not the parser's own sentence.
    EXPECT_EQ(english.find("Expected"), std::string::npos) << english;
    EXPECT_EQ(english.find("TAPE_ERROR"), std::string::npos) << english;
    EXPECT_EQ(english.find("not valid JSON:"), std::string::npos) << english;
    // The Japanese notice says it in Japanese, the path kept.
    std::string japanese = TutorStrings::Message(*loaded.notice).text(InterfaceLanguage::japanese);
    EXPECT_NE(japanese.find("壊れていました"), std::string::npos) << japanese;
    EXPECT_NE(japanese.find("archive.json.damaged-"), std::string::npos) << japanese;
    EXPECT_EQ(japanese.find(c.reason), std::string::npos) << japanese;
  }
}

TEST(TutorTest, ThemeIsAPreferenceTakenOnceFromTheArchive) {
  TutorFixture fixture;
  Archive archive;
  archive.appearance = "Dark";
  ASSERT_FALSE(saveArchive(archive, fixture.paths.archive()));
  EXPECT_EQ(fixture.start()->theme(), AppearanceTheme::dark);
  EXPECT_EQ(fixture.preferences.string("appearanceTheme"), "Dark");

  // A damaged archive no longer takes the theme with it.
  tavro::testing::writeFile(fixture.paths.archive(), "{\"attempts\": [");
  std::unique_ptr<Tutor> tutor = fixture.start();
  EXPECT_EQ(tutor->theme(), AppearanceTheme::dark);
  // A change in the settings is kept in the preferences.
  tutor->handle(Key::character("s"), 0);
  tutor->handle(Key::of(Key::Kind::down), 0);
  tutor->handle(Key::of(Key::Kind::right), 0);
  EXPECT_EQ(tutor->theme(), AppearanceTheme::midnight);
  EXPECT_EQ(fixture.start()->theme(), AppearanceTheme::midnight);
}

TEST(TutorTest, SetupThemeStepShowsTheThemeItOffers) {
  TutorFixture fixture;
  fixture.preferences.removeValue(FirstLaunchSetup::completedKey);
  std::unique_ptr<Tutor> tutor = fixture.start();
  ASSERT_EQ(tutor->screen(), Tutor::Screen::setup);
  for (int step = 1; step <= 3; ++step) tutor->handle(Key::of(Key::Kind::enter), 0);
  tutor->handle(Key::of(Key::Kind::right), 0);
  // The screen is drawn in the theme on offer, before the setup ends.
  EXPECT_EQ(tutor->theme(), AppearanceTheme::light);
  Frame frame(80, 24);
  tutor->render(frame, 0);
  std::set<Style> styles;
  for (int row = 0; row < frame.height(); ++row)
    for (int column = 0; column < frame.width(); ++column) styles.insert(frame.cell(row, column).style);
  for (Style style : {Style::done, Style::active, Style::target, Style::rejected})
    EXPECT_EQ(styles.count(style), 1u) << static_cast<int>(style) << "\n" << frame.text();
}

// The text of the cells drawn in `style`, row by row.
std::string styled(const Frame& frame, Style style) {
  std::string text;
  for (int row = 0; row < frame.height(); ++row)
    for (int column = 0; column < frame.width(); ++column)
      if (frame.cell(row, column).style == style) text += frame.cell(row, column).text;
  return text;
}

TEST(TutorTest, ScreensNameAndShowWhatTheyMean) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    std::function<void(TutorFixture&, std::unique_ptr<Tutor>&)> open;
    std::vector<std::string> shown;
    std::vector<std::string> absent;
  };
  auto key = [](std::unique_ptr<Tutor>& tutor, Key k, int times = 1) {
    for (int i = 0; i < times; ++i) tutor->handle(k, 0);
  };
  const Case cases[] = {
      {"the Nepali transliteration is no romaji",
       [&](TutorFixture& f, std::unique_ptr<Tutor>& tutor) {
         f.preferences.set("practiceTavroLanguage", "nepali");
         tutor = f.start();
         key(tutor, Key::of(Key::Kind::enter));
       },
       {" roman    "},
       {" romaji "}},
      {"setup keyboard names its keys whole and captions the kana lines",
       [&](TutorFixture& f, std::unique_ptr<Tutor>& tutor) {
         f.preferences.removeValue(FirstLaunchSetup::completedKey);
         tutor = f.start();
         key(tutor, Key::of(Key::Kind::enter));
         key(tutor, Key::of(Key::Kind::right));  // JIS
       },
       {"Backspace", "Caps Lock", "With kana keys on this layout"},
       {"…"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TutorFixture fixture;
    std::unique_ptr<Tutor> tutor;
    c.open(fixture, tutor);
    std::string text = shown(*tutor);
    for (const std::string& wanted : c.shown) EXPECT_NE(text.find(wanted), std::string::npos) << text;
    for (const std::string& unwanted : c.absent) EXPECT_EQ(text.find(unwanted), std::string::npos) << text;
  }

  // The settings sample marks on the keyboard the key its next letter needs.
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  tutor->handle(Key::character("s"), 0);
  Frame frame(80, 24);
  tutor->render(frame, 0);
  EXPECT_EQ(styled(frame, Style::active), "s");
  EXPECT_EQ(styled(frame, Style::target), " S ");
}

TEST(TutorTest, GuideSpellingAndSpeedUnitAreChosenInTheSettings) {
  ASSERT_TRUE(utf8Locale);
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  auto guideFor = [&](const char* kana) {
    tutor->startRound(PracticeRound(Exercise::japaneseRomaji, 1, false,
                                  {{JapanesePrompt::kana(kana), std::nullopt}}));
    std::string guide = tutor->round()->guide()->text();
    tutor->handle(Key::of(Key::Kind::escape), 0);
    return guide;
  };
  // Hepburn, as learners are taught, whatever spelling has the fewest keys.
  EXPECT_EQ(guideFor("しょくじ"), "shokuji");
  EXPECT_EQ(guideFor("ともだち"), "tomodachi");

  tutor->handle(Key::character("s"), 0);
  for (int i = 0; i < 2; ++i) tutor->handle(Key::of(Key::Kind::down), 0);
  tutor->handle(Key::of(Key::Kind::right), 0);  // Kunrei
  tutor->handle(Key::of(Key::Kind::down), 0);
  tutor->handle(Key::of(Key::Kind::right), 0);  // words per minute
  EXPECT_NE(shown(*tutor).find("< words per minute (WPM) >"), std::string::npos) << shown(*tutor);
  tutor->handle(Key::of(Key::Kind::escape), 0);
  EXPECT_EQ(guideFor("ともだち"), "tomodati");

  // Every screen shows speeds in the unit; the archive keeps keys per minute.
  std::unique_ptr<Tutor> again = fixture.start();
  EXPECT_EQ(again->guideStyle(), RomajiStyle::kunrei);
  EXPECT_EQ(again->speedUnit(), SpeedUnit::wordsPerMinute);
  double now = 100;
  again->handle(Key::character("1"), now);
  again->handle(Key::of(Key::Kind::enter), now);
  EXPECT_NE(shown(*again, 80, 24, now).find("Speed 0 WPM"), std::string::npos);
  typeRound(*again, now, "q", 0);
  std::string results = shown(*again, 80, 24, now);
  const Attempt kept = Archive::read(fixture.paths.archive()).attempts.at(0);
  EXPECT_NE(
      results.find(speedText(kept.cpm(), InterfaceLanguage::english, SpeedUnit::wordsPerMinute)),
      std::string::npos)
      << results;
  EXPECT_EQ(results.find("keys/min"), std::string::npos) << results;
  again->handle(Key::character("h"), now);
  EXPECT_NE(shown(*again).find(" WPM "), std::string::npos);
  EXPECT_EQ(shown(*again).find("/min"), std::string::npos);
}

TEST(TutorTest, RoundsOfTheLevelKeepItAndRankEachLevelApart) {
  TutorFixture fixture;
  Archive archive;
  Attempt old("romaji", 2, 600, 0, 60);  // saved before levels were kept: counts as N5
  Attempt n1("romaji", 2, 60, 0, 60);
  n1.setJLPTLevel("N1");
  Attempt guided("guided-romaji", 2, 900, 0, 60);  // no level round
  archive.attempts = {old, n1, guided};
  ASSERT_FALSE(saveArchive(archive, fixture.paths.archive()));
  fixture.preferences.set("practiceJLPTLevel", "N1");
  std::unique_ptr<Tutor> tutor = fixture.start();
  std::string home = shown(*tutor);
  std::string row2 = home.substr(home.find("2  Short Vocabulary"));
  row2 = row2.substr(0, row2.find('\n'));
  EXPECT_NE(row2.find("  60/min"), std::string::npos) << row2;
  EXPECT_EQ(row2.find("600/min"), std::string::npos) << row2;

  double now = 100;
  tutor->handle(Key::character("2"), now);
  tutor->handle(Key::of(Key::Kind::enter), now);
  typeRound(*tutor, now, "q", 0);
  Archive saved = Archive::read(fixture.paths.archive());
  EXPECT_EQ(saved.attempts.back().jlptLevel(), "N1");
  std::string results = shown(*tutor);
  EXPECT_EQ(results.find(speedText(600)), std::string::npos) << results;
  EXPECT_NE(results.find(speedText(60)), std::string::npos) << results;
}

// A round of 25 ほん: each word waits after "hon" for a possible second n,
// but the last ends the round at once.
PracticeRound honRound() {
  return PracticeRound(Exercise::japaneseRomaji, 1, false,
                       {{JapanesePrompt::kana("ほん"), std::nullopt}});
}

// Types every word of `tutor`'s ほん round as "honn" but the last, "hon".
void typeHonRound(Tutor& tutor, double& now) {
  for (int word = 1; word <= 25; ++word) {
    for (const char* key : {"h", "o", "n", "n"}) {
      if (word == 25 && std::string_view(key) == "n" && tutor.screen() != Tutor::Screen::practice)
        break;
      tutor.handle(Key::character(key), now += 0.1);
    }
  }
}

TEST(TutorTest, KeysMeantForTheEndOfARoundDoNotSkipItsResults) {
  struct Case {
    const char* name;
    Key key;
    double after;  // seconds after the round ended
    Tutor::Screen expected;
  };
  const Case cases[] = {
      {"the second n of the closing ん, late", Key::character("n"), 2, Tutor::Screen::results},
      {"the Enter that would have moved on", Key::of(Key::Kind::enter), 2, Tutor::Screen::results},
      {"h within the moment after the end", Key::character("h"), 0.2, Tutor::Screen::results},
      {"Enter within the moment", Key::of(Key::Kind::enter), 0.1, Tutor::Screen::results},
      {"h once the results were seen", Key::character("h"), 2, Tutor::Screen::home},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TutorFixture fixture;
    std::unique_ptr<Tutor> tutor = fixture.start();
    tutor->startRound(honRound());
    double now = 10;
    typeHonRound(*tutor, now);
    ASSERT_EQ(tutor->screen(), Tutor::Screen::results);
    tutor->handle(c.key, now + c.after);
    EXPECT_EQ(tutor->screen(), c.expected);
    // Only the first key can belong to the round: the next n is the
    // results' own.
    if (c.expected == Tutor::Screen::results) {
      tutor->handle(Key::character("n"), now + 5);
      EXPECT_EQ(tutor->screen(), Tutor::Screen::practice);
      EXPECT_EQ(tutor->round()->round(), 2);
    }
  }
}

TEST(TutorTest, EscapeAsksBeforeDroppingTypedWords) {
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  double now = 10;
  // Nothing typed yet: nothing to lose, so nothing to ask.
  tutor->startRound(honRound());
  tutor->handle(Key::of(Key::Kind::escape), now);
  EXPECT_EQ(tutor->screen(), Tutor::Screen::home);

  tutor->startRound(honRound());
  for (const char* key : {"h", "o", "n", "n", "h"}) tutor->handle(Key::character(key), now += 0.1);
  // A stray Escape asks; any other key but y (the Escape again among them)
  // keeps the round as it was, and is not typed into it.
  for (const Key& answer : {Key::character("o"), Key::of(Key::Kind::escape)}) {
    tutor->handle(Key::of(Key::Kind::escape), now += 0.1);
    ASSERT_EQ(tutor->screen(), Tutor::Screen::practice);
    EXPECT_NE(shown(*tutor).find("Leave this round? What you typed is not kept."),
              std::string::npos)
        << shown(*tutor);
    tutor->handle(answer, now += 0.1);
    ASSERT_EQ(tutor->screen(), Tutor::Screen::practice);
    EXPECT_EQ(tutor->round()->matcher().typed(), "h");
    EXPECT_EQ(tutor->round()->session().completedWords(), 1);
  }
  EXPECT_EQ(shown(*tutor).find("Leave this round?"), std::string::npos) << shown(*tutor);
  tutor->handle(Key::of(Key::Kind::escape), now += 0.1);
  tutor->handle(Key::character("y"), now += 0.1);
  EXPECT_EQ(tutor->screen(), Tutor::Screen::home);
  EXPECT_TRUE(tutor->archive().attempts.empty());
  EXPECT_FALSE(std::filesystem::exists(fixture.paths.archive()));
}

TEST(TutorTest, ResultsSayWhichWeakKeysTheyShowAndNameKanaKeysByTheirKana) {
  ASSERT_TRUE(utf8Locale);
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  // Kana keys on JIS: し is the D key. One miss on it in this round.
  tutor->startRound(PracticeRound(Exercise::japaneseKana, 1, true,
                                {{JapanesePrompt::kana("し"), std::nullopt}}));
  double now = 10;
  tutor->handle(Key::character("q"), now += 0.1);
  for (int word = 1; word <= 25; ++word) tutor->handle(Key::character("d"), now += 0.1);
  ASSERT_EQ(tutor->screen(), Tutor::Screen::results);
  std::string results = shown(*tutor);
  std::stringstream lines(results);
  std::string line;
  std::vector<std::string> weak;
  while (std::getline(lines, line))
    if (line.find("Weakest keys") != std::string::npos) weak.push_back(line);
  ASSERT_EQ(weak.size(), 2u) << results;
  EXPECT_NE(weak[0].find("Weakest keys, this round"), std::string::npos) << results;
  EXPECT_NE(weak[1].find("Weakest keys, all rounds"), std::string::npos) << results;
  for (const std::string& shownLine : weak) {
    EXPECT_NE(shownLine.find("し 4% (1 of 26)"), std::string::npos) << results;
    EXPECT_EQ(shownLine.find(" d "), std::string::npos) << results;
  }
}

TEST(TutorTest, SetupAndHomeNameTheGuideLinesAlike) {
  ASSERT_TRUE(utf8Locale);
  struct Case {
    const char* name;
    int languageSteps;  // Right presses on the first step, from Japanese
    bool offered;
  };
  const Case cases[] = {{"Japanese", 0, true}, {"English", 1, false}, {"Nepali", 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryDirectory folder;
    platform::InMemoryUserDefaults preferences;
    Tutor tutor({folder.path(), folder.path()}, loadArchive(folder.path() / "archive.json"),
                preferences);
    ASSERT_EQ(tutor.screen(), Tutor::Screen::setup);
    for (int i = 0; i < c.languageSteps; ++i) tutor.handle(Key::of(Key::Kind::right), 0);
    tutor.handle(Key::of(Key::Kind::enter), 0);
    tutor.handle(Key::of(Key::Kind::enter), 0);
    std::string setup = shown(tutor);
    ASSERT_NE(setup.find("What should practice show you?"), std::string::npos) << setup;
    EXPECT_EQ(setup.find("Romaji line"), std::string::npos) << setup;
    EXPECT_EQ(setup.find("> Guide lines") != std::string::npos, c.offered) << setup;
    // The first option is what Left/Right change: guide lines, or for
    // English (which has none) the keyboard.
    tutor.handle(Key::of(Key::Kind::right), 0);
    for (int step = 0; step < 3; ++step) tutor.handle(Key::of(Key::Kind::enter), 0);
    ASSERT_EQ(tutor.screen(), Tutor::Screen::home);
    std::string home = shown(tutor);
    EXPECT_EQ(home.find("Guide lines") != std::string::npos, c.offered) << home;
    if (c.offered) {
      EXPECT_NE(home.find("Guide lines    off"), std::string::npos) << home;
    }
    EXPECT_EQ(home.find("Keyboard       off") != std::string::npos, !c.offered) << home;
  }
}

TEST(TutorTest, EnglishRoundsMarkTheNextCharacter) {
  ASSERT_TRUE(utf8Locale);
  TutorFixture fixture;
  std::unique_ptr<Tutor> tutor = fixture.start();
  tutor->startRound(PracticeRound(Exercise::english, 1, false,
                                {{std::nullopt, LanguagePrompt("cat")}}));
  for (int typed = 0; typed < 3; ++typed) {
    SCOPED_TRACE(typed);
    Frame frame(80, 24);
    tutor->render(frame, 10);
    ASSERT_EQ(frame.line(3).substr(3, 3), "cat");
    for (int i = 0; i < 3; ++i) {
      Style expected = i < typed ? Style::done : (i == typed ? Style::active : Style::normal);
      EXPECT_EQ(frame.cell(3, 3 + i).style, expected) << i;
    }
    tutor->handle(Key::character(std::string(1, "cat"[typed])), 10 + typed);
  }
}

TEST(TutorTest, LayoutSurvivesADamagedArchive) {
  TutorFixture fixture;
  {
    std::unique_ptr<Tutor> tutor = fixture.start();
    ASSERT_FALSE(tutor->archive().jis);
    // Home: Up from the first round reaches the keyboard, then the layout.
    for (int i = 0; i < 3; ++i) tutor->handle(Key::of(Key::Kind::up), 0);
    ASSERT_NE(shown(*tutor).find("> Layout"), std::string::npos) << shown(*tutor);
    tutor->handle(Key::of(Key::Kind::right), 0);
    ASSERT_TRUE(Archive::read(fixture.paths.archive()).jis);
  }
  tavro::testing::writeFile(fixture.paths.archive(), "{\"attempts\": [");
  std::unique_ptr<Tutor> tutor = fixture.start();
  EXPECT_NE(shown(*tutor).find("cut short"), std::string::npos) << shown(*tutor);
  EXPECT_TRUE(tutor->archive().jis);
  EXPECT_NE(shown(*tutor).find("JIS (Japanese)"), std::string::npos) << shown(*tutor);
}

TEST(StoragePathsTest, DataDirectoryThatIsNoFolderIsRefused) {
  TemporaryDirectory folder;
  tavro::testing::writeFile(folder / "file", "x");
  std::filesystem::create_directory_symlink(folder.path(), folder / "link");
  EXPECT_FALSE(dataDirectoryProblem(folder.path()));
  EXPECT_FALSE(dataDirectoryProblem(folder / "link"));
  EXPECT_FALSE(dataDirectoryProblem(folder / "not-yet"));
  std::optional<std::string> problem = dataDirectoryProblem(folder / "file");
  ASSERT_TRUE(problem);
  EXPECT_NE(problem->find("is not a folder"), std::string::npos) << *problem;
}

}  // namespace
}  // namespace tavro::terminal
