// The tutor's English-to-Japanese table, as constant data. Keys are the
// English texts exactly as the tutor writes them, placeholders included;
// every Japanese text uses the same placeholders. Key names stay in Latin
// letters (Enter, Esc, Tab, Backspace, Shift) but for the space bar, and
// the key letters of each screen's help line stay as they are typed.
#include "TavroTerminal/TutorStrings.h"

namespace tavro::terminal::TutorStrings {
namespace {

// clang-format off
constexpr Translation rows[] = {
  // The screen size
  {"Tavro needs a terminal of at least {1}x{2};", "Tavro には {1}x{2} 以上の端末が必要です。"},
  {"this one is {1}x{2}.", "この端末は {1}x{2} です。"},
  {"Make the window larger.", "ウインドウを大きくしてください。"},

  // Home
  {"data: {1}", "データ：{1}"},
  {"on", "オン"},
  {"off", "オフ"},
  {"{1}/min", "{1}/分"},
  {"{1} (no missed keys yet)", "{1}（ミスしたキーはまだありません）"},
  {"Enter opens the text screen: your own Japanese text, typed in romaji.", "Enter でテキスト画面へ。自分の日本語の文章をローマ字で入力します。"},
  {"Arrows move/change · Enter start · p Progress · s Settings · a Account · q Quit", "矢印 移動・変更 · Enter 開始 · p 進捗 · s 設定 · a アカウント · q 終了"},

  // Status lines and saving
  {"Leave this round? What you typed is not kept. y leave · any other key goes on", "ラウンドを中断しますか？入力分は保存されません。y 中断 · 他のキー 続ける"},
  {"Nothing to erase: a wrong key is never typed into the prompt.", "消すものはありません。間違ったキーは入力されません。"},

  // Practice
  {"Word {1}/25", "問題 {1}/25"},
  {"reading", "読み"},
  {"romaji", "ローマ字"},
  {"words per minute (WPM)", "1分あたりの語数（WPM）"},
  {"keys per minute", "1分あたりの打鍵数"},
  {"The romaji line shows this spelling; every spelling is accepted as you type.", "ローマ字の行はこのつづりで表示します。入力はどのつづりでも受け付けます。"},
  {"A word is 5 keys. Scores are kept in keys per minute and shown in this unit.", "5打鍵を1語とします。成績は打鍵数/分で記録し、この単位で表示します。"},
  {"roman", "翻字"},
  {"keys", "キー"},
  {"then", "次"},
  {"Word complete: Space goes on (the word still takes more keys)", "入力完了：スペースで次へ（この語はまだキーを受け付けます）"},
  {"x  {1} is not next — type {2}", "x  {1} は次のキーではありません — {2} を入力"},
  {"x  {1} is not next", "x  {1} は次のキーではありません"},
  {"Next key: {1} · {2}", "次のキー：{1} · {2}"},
  {"Next: {1}", "次：{1}"},
  {"Esc leave the round (not saved) · Backspace: wrong keys are never typed", "Esc ラウンドを中断（保存しません） · Backspace 間違ったキーは入力されません"},

  // Results and score tables
  {"Time", "時間"},
  {"Keys {1} right, {2} missed", "正しい打鍵 {1}、ミス {2}"},
  {"Weakest keys, this round", "苦手なキー（このラウンド）"},
  {"Weakest keys, all rounds", "苦手なキー（全ラウンド）"},
  {"Enter/n next round · a again · p progress · h home", "Enter/n 次のラウンド · a もう一度 · p 進捗 · h ホーム"},

  // Progress
  {"Enter take the suggestion · h home", "Enter おすすめを始める · h ホーム"},
  {"trend {1}", "傾向 {1}"},
  {"Median speed, {1} days", "速度の中央値・{1} 日"},
  {"Accuracy, {1} days", "正確率・{1} 日"},
  {"Devanagari typed directly uses the system's own layout: no key map.", "デーヴァナーガリーの直接入力はシステムの配列を使うため、キーマップはありません。"},
  {"speed", "速度"},
  {"time", "時間"},
  {"date", "日付"},
  {"new, below top 5", "今回（5位圏外）"},
  {"{1} {2} ({3} of {4})", "{1} {2}（{4}回中{3}回）"},

  // Settings
  {"System uses the terminal's own colours; High Contrast draws white and yellow on black.", "「システム」は端末の色をそのまま使います。 「ハイコントラスト」は黒地に白と黄で表示します。"},
  {"Up/Down move · Left/Right change · Enter or Esc Back", "上下 移動 · 左右 変更 · Enter / Esc 戻る"},

  // First-launch setup
  {"Pick the colours. System keeps your terminal's own.", "色を選んでください。「システム」は端末の色をそのまま使います。"},
  {"Practice looks like this:", "練習画面はこのように見えます："},
  {"Signed in, Sync Now keeps them in your account too; sign in now or later with a on the home screen.", "サインインすると、「今すぐ同期」でアカウントにも保存できます。サインインは今でも、あとでホーム画面の a からでもできます。"},
  {"Press Enter to start practising, or a to sign in.", "Enter で練習を始めます。a でサインインします。"},
  {"Left/Right change · Enter next · Esc back · q quit (the setup resumes next time)", "左右 変更 · Enter 次へ · Esc 戻る · q 終了（次回はここから再開します）"},

  // Account: the screen
  {"Account id", "アカウントID"},
  {"The session token of {1} is missing or unreadable; paste it again to sign in.", "{1} のセッショントークンが見つからないか、読み込めません。もう一度貼り付けてサインインしてください。"},
  {"Paste a session token (64 characters 0-9 a-f) and press Enter.", "セッショントークン（0-9 a-f の64文字）を貼り付けて Enter を押してください。"},
  {"It is kept in {1}, readable by you alone.", "トークンは {1} に保存され、あなただけが読めます。"},
  {"Or sign in with a browser: open the page below and sign in, then paste here the address the browser is sent to, which starts with:", "ブラウザでもサインインできます：下のページを開いてサインインし、移動先のアドレスをここに貼り付けてください。アドレスの始まりは次のとおりです："},
  {"The page address, good for 10 minutes, is also in {1}:", "ページのアドレス（10分間有効）は {1} にもあります："},
  {"and {1} more", "ほか {1} 台"},
  {"Token or address: {1}", "トークンまたはアドレス：{1}"},
  {"Export the scores to this file (Enter):", "成績を書き出すファイル（Enter で確定）："},
  {"Import a backup file (type its path, Enter):", "読み込むバックアップファイルのパス（Enter で確定）："},
  {"{1}: {2} · Esc cancels", "{1}：{2} · Esc でキャンセル"},
  {"Esc cancel", "Esc キャンセル"},
  {"Enter confirm · Backspace erase · Esc Back", "Enter 確定 · Backspace 1文字消す · Esc 戻る"},
  {"Enter sign in · e export · i import a backup · Esc Back", "Enter サインイン · e 書き出し · i バックアップ読み込み · Esc 戻る"},
  {"y Sync Now · d devices · e export · i import · o sign out · Esc Back", "y 同期 · d デバイス · e 書き出し · i 読み込み · o サインアウト · Esc 戻る"},

  // Account: operations and their progress

  // Account: messages

  // Account: whose scores are whose, and the archive's bounds
  {"Keep this computer's scores out of your account (Enter), or add them to it (m)? Sync Now waits for your answer.", "このコンピュータの成績をあなたのアカウントに入れない（Enter）か、入れる（m）かを選んでください。回答するまで同期はできません。"},
  {"Enter keep them out · m add them · o sign out · Esc Back", "Enter 入れない · m 入れる · o サインアウト · Esc 戻る"},

  // Custom text
  {"Press Enter again to replace the reading you have with a generated one.", "もう一度 Enter を押すと、今の読みを生成した読みに置き換えます。"},
  {"Tab next field · Enter new line, or press the button · Esc home", "Tab 次の欄 · Enter 改行、またはボタンを押す · Esc ホーム"},
};
// clang-format on

}  // namespace

const std::vector<Translation>& japanese() {
  static const std::vector<Translation> table(std::begin(rows), std::end(rows));
  return table;
}

}  // namespace tavro::terminal::TutorStrings
