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
  {"Guide lines", "ガイド表示"},
  {"on", "オン"},
  {"off", "オフ"},
  {"{1}/min", "{1}/分"},
  {"{1} (no missed keys yet)", "{1}（ミスしたキーはまだありません）"},
  {"Enter opens the text screen: your own Japanese text, typed in romaji.", "Enter でテキスト画面へ。自分の日本語の文章をローマ字で入力します。"},
  {"Arrows move/change · Enter start · p Progress · s Settings · a Account · q Quit", "矢印 移動・変更 · Enter 開始 · p 進捗 · s 設定 · a アカウント · q 終了"},

  // Status lines and saving
  {"Round left; nothing was saved.", "ラウンドを中断しました。何も保存していません。"},
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
  {"Tavro · Welcome   ({1}/5)", "Tavro · ようこそ   ({1}/5)"},
  {"Welcome to Tavro, a touch-typing tutor.", "Tavro へようこそ。タッチタイピングを練習しましょう。"},
  {"Which language do you want to practise?", "どの言語を練習しますか？"},
  {"Which keyboard do you type on?", "お使いのキーボードはどちらですか？"},
  {"What should practice show you?", "練習中に何を表示しますか？"},
  {"Guide lines: the reading and its romaji under Japanese prompts, the roman letters under Nepali ones.", "ガイド表示：日本語の問題の下に読みとローマ字、ネパール語の問題の下にローマ字を表示します。"},
  {"Pick the colours. System keeps your terminal's own.", "色を選んでください。「システム」は端末の色をそのまま使います。"},
  {"Practice looks like this:", "練習画面はこのように見えます："},
  {"With kana keys on this layout, these are typed so:", "この配列のかなキーでは次のように入力します："},
  {"Characters typed with Shift on this layout:", "この配列で Shift を使って入力する文字："},
  {"Devanagari letters and the Latin keys that type them:", "デーヴァナーガリー文字と、それを入力するラテン文字のキー："},
  {"Your scores stay on this computer, in {1}.", "成績はこのコンピューターの {1} に保存されます。"},
  {"Signed in, Sync Now keeps them in your account too; sign in now or later with a on the home screen.", "サインインすると、「今すぐ同期」でアカウントにも保存できます。サインインは今でも、あとでホーム画面の a からでもできます。"},
  {"Press Enter to start practising, or a to sign in.", "Enter で練習を始めます。a でサインインします。"},
  {"Left/Right change · Enter next · Esc back · q quit (the setup resumes next time)", "左右 変更 · Enter 次へ · Esc 戻る · q 終了（次回はここから再開します）"},

  // Account: the screen
  {"Name", "名前"},
  {"Email", "メール"},
  {"Account id", "アカウントID"},
  {"Last sync", "最終同期"},
  {"never", "まだ同期していません"},
  {"Not signed in.", "サインインしていません。"},
  {"The session token of {1} is missing or unreadable; paste it again to sign in.", "{1} のセッショントークンが見つからないか、読み込めません。もう一度貼り付けてサインインしてください。"},
  {"Paste a session token (64 characters 0-9 a-f) and press Enter.", "セッショントークン（0-9 a-f の64文字）を貼り付けて Enter を押してください。"},
  {"It is kept in {1}, readable by you alone.", "トークンは {1} に保存され、あなただけが読めます。"},
  {"Or sign in with a browser: open the page below and sign in, then paste here the address the browser is sent to, which starts with:", "ブラウザでもサインインできます：下のページを開いてサインインし、移動先のアドレスをここに貼り付けてください。アドレスの始まりは次のとおりです："},
  {"The page address, good for 10 minutes, is also in {1}:", "ページのアドレス（10分間有効）は {1} にもあります："},
  {"Devices signed in ({1}):", "サインイン中のデバイス（{1}）："},
  {"and {1} more", "ほか {1} 台"},
  {"last seen {1}", "最終利用 {1}"},
  {"(this one)", "（このデバイス）"},
  {"Token or address: {1}", "トークンまたはアドレス：{1}"},
  {"Export the scores to this file (Enter):", "成績を書き出すファイル（Enter で確定）："},
  {"Import a backup file (type its path, Enter):", "読み込むバックアップファイルのパス（Enter で確定）："},
  {"{1}: {2} · Esc cancels", "{1}：{2} · Esc でキャンセル"},
  {"cancelling…", "キャンセルしています…"},
  {"Esc cancel", "Esc キャンセル"},
  {"Enter confirm · Backspace erase · Esc Back", "Enter 確定 · Backspace 1文字消す · Esc 戻る"},
  {"Enter sign in · e export · i import a backup · Esc Back", "Enter サインイン · e 書き出し · i バックアップ読み込み · Esc 戻る"},
  {"y Sync Now · d devices · e export · i import · o sign out · Esc Back", "y 同期 · d デバイス · e 書き出し · i 読み込み · o サインアウト · Esc 戻る"},

  // Account: operations and their progress
  {"Sign-in", "サインイン"},
  {"Devices", "デバイス一覧"},
  {"Sync", "同期"},

  // Account: messages
  {"{1} failed: {2}", "{1}に失敗しました：{2}"},
  {"{1} failed: this tutor has no connection to the account service.", "{1}に失敗しました：アカウントサービスへの接続がありません。"},
  {"{1} You are signed out; sign in again.", "{1} サインアウトしました。もう一度サインインしてください。"},

  // Account: whose scores are whose, and the archive's bounds
  {"Could not record which account this round belongs to: {1}", "このラウンドがどのアカウントのものかを記録できませんでした：{1}"},
  {"{1} (account id {2})", "{1}（アカウントID {2}）"},
  {"an account this computer can no longer name", "このコンピュータでは特定できなくなったアカウント"},
  {"The scores on this computer were last synced with {1}, not with {2}.", "このコンピュータの成績を最後に同期したのは {1} で、{2} ではありません。"},
  {"Keep this computer's scores out of your account (Enter), or add them to it (m)? Sync Now waits for your answer.", "このコンピュータの成績をあなたのアカウントに入れない（Enter）か、入れる（m）かを選んでください。回答するまで同期はできません。"},
  {"The saved account profile is not valid (an empty id or control characters); it is not used. Sign in again.", "保存されたアカウント情報が正しくありません（IDが空か、制御文字を含んでいます）。使わずにおきます。もう一度サインインしてください。"},
  {"Enter keep them out · m add them · o sign out · Esc Back", "Enter 入れない · m 入れる · o サインアウト · Esc 戻る"},

  // Custom text
  {"{1} lines · {2}/{3}", "{1} 行 · {2}/{3}"},
  {"{1} line · {2}/{3}", "{1} 行 · {2}/{3}"},
  {"The paste does not fit: a field holds at most {1} characters. Nothing was pasted.", "貼り付けた文章が入りきりません：1つの欄には {1} 文字までです。何も貼り付けていません。"},
  {"Pasted: the text after the Tab went into the reading field.", "貼り付けました：Tab の後ろの文字は読みの欄に入れました。"},
  {"Pasted: the text after each Tab went into the reading field, {1} lines.", "貼り付けました：各行の Tab の後ろの文字は読みの欄に入れました（{1} 行）。"},
  {"This field is full: it holds at most {1} characters.", "この欄はいっぱいです：最大 {1} 文字までです。"},
  {"Paste or type the Japanese text first, one practice item per line.", "先に日本語の文章を貼り付けるか入力してください（1行に1項目）。"},
  {"Press Enter again to replace the reading you have with a generated one.", "もう一度 Enter を押すと、今の読みを生成した読みに置き換えます。"},
  {"Reading generated: no word in it was a guess; check it before starting.", "読みを生成しました：推測した語はありません。始める前に確認してください。"},
  {"Reading generated: check the underlined word; it can be read more than one way.", "読みを生成しました：下線の語は読み方が複数あります。確認してください。"},
  {"Reading generated: check the {1} underlined words; they can be read more than one way.", "読みを生成しました：下線の {1} 語は読み方が複数あります。確認してください。"},
  {"Give the reading of each line, or choose Generate reading.", "各行の読みを入力するか、「読みを生成」を選んでください。"},
  {"The text has {1} lines and the reading {2}: give one reading line per text line.", "文章は {1} 行、読みは {2} 行です：文章1行につき読みを1行入力してください。"},
  {"The text has {1} line and the reading {2}: give one reading line per text line.", "文章は {1} 行、読みは {2} 行です：文章1行につき読みを1行入力してください。"},
  {"Reading line {1} cannot be typed: use hiragana, digits and punctuation only.", "読みの {1} 行目は入力できません：ひらがな・数字・句読点だけを使ってください。"},
  {"Tab next field · Enter new line, or press the button · Esc home", "Tab 次の欄 · Enter 改行、またはボタンを押す · Esc ホーム"},
};
// clang-format on

}  // namespace

const std::vector<Translation>& japanese() {
  static const std::vector<Translation> table(std::begin(rows), std::end(rows));
  return table;
}

}  // namespace tavro::terminal::TutorStrings
