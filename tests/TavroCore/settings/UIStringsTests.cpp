#include "TavroCore/settings/UIStrings.h"

#include "Support/Text.h"
#include "TavroCore/Configuration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace tavro {
namespace {

// Every key of the interface, in table order; nullptr marks the download
// message, whose text depends on the configured web domain.
// clang-format off
const char* const expectedKeys[] = {
    "Session progress",
    "Run Guided Setup",
    "Free Plan",
    "Exercises Completed",
    "Best WPM / Accuracy",
    "Last Sync Time",
    "Not synced yet",
    "Sync Now",
    "Profile & Two-Step Verification",
    "Login Devices & Activity",
    "Email not provided",
    "Syncing typing progress…",
    "Typing progress and rankings synced.",
    "Sign in to sync your typing progress across Macs.",
    "Sync completed exercises and rankings with your BRELVA Account. Your local rankings are preserved.",
    "Sign In with BRELVA Account",
    "Cancel Browser Sign-In",
    "Advanced / Paste Token Manually",
    "Complete sign-in in Safari, then return to Tavro.",
    "Browser sign-in cancelled or expired. Please try again.",
    "This account login link is invalid or expired. Start sign-in from the app.",
    "Verifying BRELVA sign-in…",
    "Safari is unavailable. Please try again.",
    "The update download could not be verified.",
    "The verified release has been opened.",
    "Downloading update…",
    nullptr,  // the download message
    "The update service is unavailable. Please try again.",
    "No published Tavro release is listed yet.",
    "Checking for updates…",
    "The saved account could not be restored. Please sign in again.",
    "Backup could not be completed. Existing local rankings are unchanged.",
    "Rankings merged and backed up.",
    "Signed out. Local rankings are unchanged.",
    "Sign-in could not be verified. Check your token or try again later.",
    "Enter a valid BRELVA session token.",
    "Signed in to BRELVA Account.",
    "Sign in to BRELVA Account.",
    "The backup could not be saved.",
    "BRELVA website",
    "Download & Open Release",
    "Export Local Backup…",
    "Sign Out",
    "Sign In with Token",
    "Forget Saved Account",
    "Use an BRELVA session token to connect this app. Tokens are stored only in its Keychain service.",
    "BRELVA session token",
    "Open BRELVA account sign-in",
    "BRELVA Account",
    "Account",
    "Use Kana key positions, including Shift and voiced marks. Changing this restarts the active Japanese round.",
    "Japanese Kana Input (JIS Kana / Non-Romaji)",
    "Kana Input",
    "Nepali · Romanized keys",
    "Use a Nepali input source in macOS for direct Devanagari typing.",
    "Character keycaps are unavailable for this input source.",
    "System keyboard",
    "Off: Type with the phonetic guide. On: Type directly using your active macOS keyboard layout.",
    "Direct / Native Keyboard Mode",
    "Learn typing by touch",
    "Space · Type a space",
    "Complex Sentences, Idioms & Numbers",
    "Complete Nepali Sentences",
    "Everyday Nepali Expressions",
    "Conjuncts & Matras",
    "Simple Nepali Words",
    "Vowels & Consonants",
    "Advanced Text, Numbers & Symbols",
    "Everyday & Professional Sentences",
    "Phrases & Punctuation",
    "Everyday Vocabulary & Capitals",
    "Short Common Words",
    "Home Row & Basic Keys",
    "Nepali · Romanized keys / Direct Unicode input",
    "Space · Type a space / Esc · Restart",
    "Blind Mode · Option-Space",
    "Changing typing language restarts active practice without saving partial scores.",
    "Nepali Typing",
    "English Typing",
    "English",
    "Nepali",
    "Japanese",
    "Typing Language",
    "JLPT Level",
    "Changing JLPT level restarts active Romaji practice without saving partial scores.",
    "View previous guided-mode rankings",
    "Short Vocabulary · Selected JLPT Level",
    "Core Kanji · Selected JLPT Level",
    "Compounds & Practical Phrases",
    "Sentences & Expressions · Selected JLPT Level",
    "Single Hiragana & Basic Vowels",
    "Easy Words · 2–3 Characters",
    "Dakuon, Sokuon & Yōon",
    "Basic Kanji Words · With Hiragana Guide",
    "Advanced Kanji & Daily Phrases · With Hiragana Guide",
    "Master Challenge · Complex Kanji & Full Sentences",
    "Custom Text Practice",
    "JLPT N4/N3 Tango",
    "Kanji vocabulary · Hiragana reading hints",
    "Paste Japanese text, one practice item per line. The 25-item session repeats shorter lists.",
    "Japanese text",
    "Generate reading",
    "Hiragana reading · Review and correct ambiguous readings before starting",
    "Use matching lines, Hiragana and punctuation, up to 2,000 characters. No text is saved.",
    "Start practice",
    "Space · Blind Mode / Esc · Restart",
    "Guided Romaji · Per-segment hints",
    "KISO RENSHU (BASIC PRACTICE)",
    "OYO RENSHU (APPLIED PRACTICE)",
    "YUBI TRAINING (FINGER TRAINING)",
    "Kihon Tango · 2-moji",
    "Kihon Tango · 3-moji",
    "Dakuon & Sokuon",
    "Yoon & Oyo Tango",
    "Tanbun & Rizumu",
    "Jitsuyobun & Suji",
    "Right middle",
    "Right ring",
    "Right pinky",
    "Settings",
    "Settings…",
    "General",
    "Appearance",
    "Help & Support",
    "Updates",
    "About",
    "Done",
    "System",
    "Light",
    "Dark",
    "Midnight",
    "Sakura",
    "Ocean",
    "High Contrast",
    "WhatsApp Support",
    "Version",
    "Available version",
    "About BRELVA Tavro",
    "Thumb",
    "Keystrokes/min",
    "Changing layout restarts the current round without saving partial scores.",
    "System follows macOS appearance automatically.",
    "Need help? Contact BRELVA support.",
    "Check for Updates",
    "Download Update",
    "Install and Relaunch",
    "Install verified update?",
    "Updates unavailable for this local build.",
    "No published update is available.",
    "An update is available.",
    "You are up to date.",
    "Update check failed.",
    "Update could not be verified.",
    "Verified update ready to install.",
    "Update installation failed.",
    "Use n before consonants except n/y or at word end; otherwise nn or apostrophe. Small kana accept x/l forms; small tsu also accepts doubled consonants or xtsu / ltsu.",
    "File",
    "Edit",
    "View",
    "Window",
    "Help",
    "New Window",
    "Close Window",
    "Minimize",
    "Zoom",
    "Bring All to Front",
    "Undo",
    "Redo",
    "Cut",
    "Copy",
    "Paste",
    "Select All",
    "Hide BRELVA Tavro",
    "Hide Others",
    "Show All",
    "Quit BRELVA Tavro",
    "Services",
    "Enter Full Screen",
    "Exit Full Screen",
    "Cancel",
    "25 complete Japanese sentences",
    "Theme",
    "10-Key",
    "6 progressive rounds + weak fingers",
    "A little practice, every day.",
    "APPLIED PRACTICE",
    "Accuracy",
    "All three columns · 1–9",
    "Arithmetic and mixed symbols",
    "Attempts · Correct keystrokes per minute",
    "BASIC PRACTICE",
    "Back",
    "Build a rhythm. Find your flow.",
    "Choose an exercise to begin.",
    "Complete a round to see your progress.",
    "Completion Time",
    "Contracted sounds and varied words",
    "Date",
    "Decimals and prices",
    "Easy words · 2 characters",
    "Easy words · 3 characters",
    "Exercises",
    "FINGER TRAINING",
    "Hiragana phrases and rhythm",
    "History could not be read or saved. Existing data preserved.",
    "Home keys · 1–6",
    "Keyboard Click",
    "Keyboard",
    "Show visual keyboard guide",
    "Text Display",
    "Show Romaji",
    "Practice shows the original English text.",
    "Show the spelling in Latin letters below the original text.",
    "Input Method & Keyboard",
    "Type with Kana keys",
    "On uses Kana keys. Off uses Romaji.",
    "Use my Mac’s input",
    "On uses your Mac’s input. Off uses Roman letters.",
    "On uses your Mac’s input. Off uses the practice keyboard.",
    "US (ANSI)",
    "Japan (JIS)",
    "Keyboard preview",
    "Kana input",
    "Romaji input",
    "Nepali typing examples",
    "In Romaji, type the letters shown below each Nepali character.",
    "Show keyboard during practice",
    "Japanese Level",
    "N5 is beginner. N1 is advanced.",
    "Changing your language, input, layout, or level may restart the round.",
    "Keyboard layout",
    "Language",
    "Latest",
    "Learn Japanese typing by touch",
    "Left index",
    "Little finger",
    "Longer numbers and rhythm",
    "Middle finger",
    "Miss rate",
    "Mute",
    "No results yet",
    "Phrases and numbers",
    "Practice without looking at the keyboard.",
    "Practice your frequently missed keys",
    "Press Space to hide the characters",
    "Progress Graph",
    "Quit",
    "Recommended",
    "Results",
    "Return / Enter · Retry",
    "Return each finger to its home position.",
    "Right index",
    "Ring finger",
    "Romaji Chart",
    "Romaji Input",
    "Round",
    "Shift + highlighted key",
    "Soft Tap",
    "Sound",
    "Space · Hide characters",
    "Space · Show characters",
    "Top 5 Hi-Score",
    "Type to start · or press Return",
    "Use n before consonants except n/y or at word end; otherwise nn or apostrophe. Double the next consonant for small tsu, or use xtu / ltu.",
    "Voiced sounds and small tsu",
    "Weak Fingers",
    "Zero and number combinations",
};

// Rows whose Japanese is fixed word for word.
const std::pair<const char*, const char*> tellingRows[] = {
    {"Complete sign-in in Safari, then return to Tavro.", "Safariでサインインしてください。サイト側でTavroへのコールバック対応が必要です。"},
    {"BRELVA Account", "BRELVAアカウント"},
    {"Use Kana key positions, including Shift and voiced marks. Changing this restarts the active Japanese round.", "Shiftや濁点を含むかなキー位置で練習します。変更すると日本語の練習を最初から始めます。"},
    {"Japanese Kana Input (JIS Kana / Non-Romaji)", "日本語かな入力（JISかな・ローマ字を使わない）"},
    {"Off: Type with the phonetic guide. On: Type directly using your active macOS keyboard layout.", "オフ：ローマ字ガイドで入力。オン：macOSで選択中のキーボード配列を使って直接入力。"},
    {"Direct / Native Keyboard Mode", "ダイレクト・ネイティブ入力モード"},
    {"Changing typing language restarts active practice without saving partial scores.", "練習言語を変更すると、練習を最初から始めます。途中の成績は保存されません。"},
    {"Changing JLPT level restarts active Romaji practice without saving partial scores.", "JLPTレベルを変更すると、ローマ字練習を最初から始めます。途中の成績は保存されません。"},
    {"Paste Japanese text, one practice item per line. The 25-item session repeats shorter lists.", "日本語を1行に1項目ずつ貼り付けてください。25項目に満たない場合は繰り返します。"},
    {"Use matching lines, Hiragana and punctuation, up to 2,000 characters. No text is saved.", "行数をそろえ、読みはひらがな・句読点で入力してください（最大2,000文字）。文章は保存されません。"},
    {"Guided Romaji · Per-segment hints", "ローマ字入力 · かなごとのヒント"},
    {"KISO RENSHU (BASIC PRACTICE)", "基本練習"},
    {"OYO RENSHU (APPLIED PRACTICE)", "応用練習"},
    {"YUBI TRAINING (FINGER TRAINING)", "指のトレーニング"},
    {"Kihon Tango · 2-moji", "やさしいことば · 2文字"},
    {"Kihon Tango · 3-moji", "やさしいことば · 3文字"},
    {"Dakuon & Sokuon", "濁音・半濁音・促音のことば"},
    {"Yoon & Oyo Tango", "拗音といろいろなことば"},
    {"Tanbun & Rizumu", "ひらがなのフレーズ・リズム"},
    {"Jitsuyobun & Suji", "フレーズと数字の練習"},
    {"Right middle", "中指（右）"},
    {"Right ring", "薬指（右）"},
    {"Right pinky", "小指（右）"},
    {"System", "システム"},
    {"Light", "ライト"},
    {"Dark", "ダーク"},
    {"Midnight", "ミッドナイト"},
    {"Sakura", "さくら"},
    {"Ocean", "オーシャン"},
    {"High Contrast", "ハイコントラスト"},
    {"Thumb", "親指"},
    {"Keystrokes/min", "打鍵/分"},
    {"Changing layout restarts the current round without saving partial scores.", "配列を変更すると、途中の成績を保存せずにラウンドを最初からやり直します。"},
    {"Use n before consonants except n/y or at word end; otherwise nn or apostrophe. Small kana accept x/l forms; small tsu also accepts doubled consonants or xtsu / ltsu.", "ん → n・y以外の子音の前や語末では n、それ以外は nn / n'。小さいかなは x / l、っは子音の重複 / xtsu / ltsu も使えます。"},
    {"10-Key", "10キー篇"},
    {"6 progressive rounds + weak fingers", "段階的な6ラウンド ＋ 苦手な指"},
    {"Attempts · Correct keystrokes per minute", "回の記録 · 1分あたりの正しい打鍵数"},
    {"US (ANSI)", "米国 (ANSI)"},
    {"Japan (JIS)", "日本 (JIS)"},
    {"Changing your language, input, layout, or level may restart the round.", "言語、入力方法、配列、レベルの変更で練習が最初から始まる場合があります。"},
    {"Left index", "人差指（左）"},
    {"Little finger", "小指"},
    {"Middle finger", "中指"},
    {"Press Space to hide the characters", "スペースキーを押す → 文字が隠れる"},
    {"Right index", "人差指（右）"},
    {"Ring finger", "薬指"},
    {"Romaji Chart", "ローマ字の復習（付録）"},
    {"Romaji Input", "ローマ字入力篇"},
    {"Shift + highlighted key", "シフト ＋ 光っているキー"},
    {"Use n before consonants except n/y or at word end; otherwise nn or apostrophe. Double the next consonant for small tsu, or use xtu / ltu.", "ん → nn / n'（n・y以外の子音の前や語末では n も可）。っ → 次の子音を重ねる / xtu / ltu。"},
};
// clang-format on

std::string downloadMessage() {
  return "Continue the download on " + std::string(configuration::webDomain()) + ".";
}

TEST(UIStrings, TableHoldsExactlyTheInterfaceKeysInOrder) {
  const auto& table = UIStrings::japanese();
  ASSERT_EQ(std::size(expectedKeys), 267u);
  ASSERT_EQ(table.size(), 267u);
  std::set<std::string> unique;
  for (std::size_t index = 0; index < table.size(); ++index) {
    std::string expected = expectedKeys[index] ? expectedKeys[index] : downloadMessage();
    SCOPED_TRACE(expected);
    EXPECT_EQ(table[index].english, expected);
    EXPECT_TRUE(unique.insert(table[index].english).second) << "repeated key";
    EXPECT_EQ(UIStrings::translation(expected), table[index].japanese);
  }
  EXPECT_EQ(unique.size(), 267u);
}

TEST(UIStrings, TellingRowsCarryTheirJapaneseExactly) {
  ASSERT_EQ(std::size(tellingRows), 50u);
  for (const auto& [english, japanese] : tellingRows) {
    SCOPED_TRACE(english);
    EXPECT_EQ(UIStrings::text(english, false), japanese);
  }
}

TEST(UIStrings, EveryTranslationIsJapaneseText) {
  for (const UIStrings::Translation& row : UIStrings::japanese()) {
    SCOPED_TRACE(row.english);
    EXPECT_TRUE(text::isValidUtf8(row.japanese));
    EXPECT_NE(row.japanese, row.english);
    // At least one kana or kanji: no English left untranslated.
    bool hasJapanese = false;
    for (char32_t codePoint : text::codePoints(row.japanese)) {
      if ((codePoint >= 0x3040 && codePoint <= 0x30FF) ||
          (codePoint >= 0x4E00 && codePoint <= 0x9FFF)) {
        hasJapanese = true;
      }
    }
    EXPECT_TRUE(hasJapanese);
    EXPECT_EQ(row.japanese.find("{domain}"), std::string::npos);
  }
  std::string message = UIStrings::text(downloadMessage(), false);
  EXPECT_EQ(message, std::string(configuration::webDomain()) + "でダウンロードを続けてください。");
}

TEST(UIStrings, LooksUpWholeTextsCaseSensitively) {
  struct Row {
    std::string_view text;
    bool english;
    std::string_view expected;
  };
  const Row rows[] = {
      {"Settings", false, "設定"},
      {"settings", false, "settings"},
      {"Settings", true, "Settings"},
      {"Settings ", false, "Settings "},
      {"Setting", false, "Setting"},
      {"おはようございます", false, "おはようございます"},  // practice content passes through
      {"", false, ""},
      {"High Contrast", false, "ハイコントラスト"},
      {"High Contrast", true, "High Contrast"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + (row.english ? " (English)" : " (Japanese)"));
    EXPECT_EQ(UIStrings::text(row.text, row.english), row.expected);
  }
  EXPECT_EQ(UIStrings::translation("settings"), std::nullopt);
  for (std::string_view label : UIStrings::guidedRomajiRoundLabels) {
    EXPECT_TRUE(UIStrings::translation(label).has_value()) << label;
  }
  EXPECT_EQ(UIStrings::text(UIStrings::guidedRomajiRoundLabels[0], false),
            "やさしいことば · 2文字");
  EXPECT_EQ(UIStrings::guidedRomajiRoundLabels[5], "Jitsuyobun & Suji");
}

TEST(UIStrings, FormatsDurationsAsWholeMinutesAndSeconds) {
  constexpr double infinity = std::numeric_limits<double>::infinity();
  struct Row {
    double seconds;
    std::string_view english;
    std::string_view japanese;
  };
  const Row rows[] = {
      {0, "0 min 0 sec", "0分 0秒"},
      {-5, "0 min 0 sec", "0分 0秒"},
      {-0.5, "0 min 0 sec", "0分 0秒"},
      {0.99, "0 min 0 sec", "0分 0秒"},
      {59.999, "0 min 59 sec", "0分 59秒"},
      {125.7, "2 min 5 sec", "2分 5秒"},
      {3599.99, "59 min 59 sec", "59分 59秒"},
      {3600, "60 min 0 sec", "60分 0秒"},
      {std::nan(""), "0 min 0 sec", "0分 0秒"},
      {infinity, "0 min 0 sec", "0分 0秒"},
      {-infinity, "0 min 0 sec", "0分 0秒"},
      // Beyond signed 64 bits: the largest whole number of seconds.
      {1e300, "153722867280912930 min 7 sec", "153722867280912930分 7秒"},
      {9007199254740993.0, "150119987579016 min 32 sec", "150119987579016分 32秒"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.seconds);
    EXPECT_EQ(UIStrings::duration(row.seconds, true), row.english);
    EXPECT_EQ(UIStrings::duration(row.seconds, false), row.japanese);
  }
}

}  // namespace
}  // namespace tavro
