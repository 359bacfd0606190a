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
  {"The preferences file was damaged; it was kept as {1} and the defaults are used.", "設定ファイルが壊れていました。{1} として残し、初期設定を使います。"},

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
  {"asking the account service for the profile", "アカウントサービスにプロフィールを問い合わせています"},
  {"exchanging the sign-in code", "サインインコードを交換しています"},
  {"asking for the devices signed in", "サインイン中のデバイスを問い合わせています"},
  {"downloading page {1}", "{1} ページ目をダウンロードしています"},
  {"uploading batch {1} of new attempts", "新しい記録の {1} 回目をアップロードしています"},

  // Account: messages
  {"{1} failed: {2}", "{1}に失敗しました：{2}"},
  {"{1} failed: this tutor has no connection to the account service.", "{1}に失敗しました：アカウントサービスへの接続がありません。"},
  {"{1} You are signed out; sign in again.", "{1} サインアウトしました。もう一度サインインしてください。"},
  {"That is not a session token: a token is 64 characters, each 0-9 or a-f. Paste it again.", "セッショントークンではありません。トークンは 0-9 または a-f の64文字です。もう一度貼り付けてください。"},
  {"Browser sign-in is not available: no random numbers for it.", "ブラウザでのサインインは使えません：必要な乱数を得られませんでした。"},
  {"That sign-in took longer than 10 minutes. Open the new page address shown above and paste the address it sends you to.", "サインインに10分以上かかりました。上に表示された新しいページを開き、移動先のアドレスを貼り付けてください。"},
  {"That is not the address of this sign-in (it must come from the page shown above, pasted whole). Try again.", "このサインインのアドレスではありません（上に表示されたページから移動した先のアドレスを、そのまま全部貼り付けてください）。もう一度お試しください。"},
  {"could not keep the session token in {1} ({2})", "セッショントークンを {1} に保存できませんでした（{2}）"},
  {"Signed in as {1}.", "{1} としてサインインしました。"},
  {"Signed out; the session token was removed.", "サインアウトしました。セッショントークンを削除しました。"},
  {"{1} The token file {2} could not be removed ({3}); remove it yourself.", "{1} トークンファイル {2} を削除できませんでした（{3}）。手動で削除してください。"},
  {"unknown error", "不明なエラー"},
  {"Sync Now is off this session: the archive on disk could not be read, so the merged scores could not be saved.", "今回は「今すぐ同期」を使えません：ディスク上の記録を読み込めなかったため、統合した成績を保存できません。"},
  {"could not save the merged scores ({1})", "統合した成績を保存できませんでした（{1}）"},
  {"Synced: {1} attempts, {2} new from the account service.", "同期しました：記録 {1} 件（うちアカウントサービスからの新しい記録 {2} 件）。"},
  {"Not exported: {1} exists and is not a regular file.", "書き出していません：{1} は通常のファイルではありません。"},
  {"Not exported: the scores could not be written as a backup.", "書き出していません：成績をバックアップの形式にできませんでした。"},
  {"Not exported to {1}: {2}.", "{1} に書き出せませんでした：{2}。"},
  {"Exported {1} attempts to {2} (readable by you alone).", "記録 {1} 件を {2} に書き出しました（あなただけが読めます）。"},
  {"Exported 1 attempt to {2} (readable by you alone).", "記録 1 件を {2} に書き出しました（あなただけが読めます）。"},
  {"Not imported: {1}: the archive on disk could not be read, so nothing is saved this session.", "読み込んでいません：{1}：ディスク上の記録を読み込めなかったため、今回は何も保存されません。"},
  {"Not imported: {1} is not a regular file. Nothing was changed.", "読み込んでいません：{1} は通常のファイルではありません。何も変更していません。"},
  {"Not imported: {1} is larger than {2} MiB. Nothing was changed.", "読み込んでいません：{1} は {2} MiB を超えています。何も変更していません。"},
  {"Not imported: {1} is unreadable ({2}). Nothing was changed.", "読み込んでいません：{1} を読み込めません（{2}）。何も変更していません。"},
  {"Not imported: {1} is not a Tavro backup (damaged, truncated or another kind of file). Nothing was changed.", "読み込んでいません：{1} は Tavro のバックアップではありません（破損している、途中で切れている、または別の種類のファイルです）。何も変更していません。"},
  {"Not imported: {1} belongs to another account. Nothing was changed.", "読み込んでいません：{1} は別のアカウントのものです。何も変更していません。"},
  {"Not imported: {1} breaks the limits of a backup (for example two attempts with one id, or impossible counts). Nothing was changed.", "読み込んでいません：{1} はバックアップの制限を超えています（同じIDの記録が2件ある、ありえない回数がある、など）。何も変更していません。"},
  {"Not imported: {1}: the archive could not be saved ({2}). Nothing was changed.", "読み込んでいません：{1}：記録を保存できませんでした（{2}）。何も変更していません。"},
  {"Imported {1} new attempts from {2}.", "{2} から新しい記録を {1} 件読み込みました。"},
  {"Imported 1 new attempt from {2}.", "{2} から新しい記録を 1 件読み込みました。"},
  {"Not imported: {1} holds an attempt dated {2}, in the future. Nothing was changed.", "読み込みませんでした：{1} に未来の日付（{2}）の記録があります。何も変更していません。"},
  {"Cancelled; nothing was changed.", "キャンセルしました。何も変更していません。"},
  {"Could not reach the account service: {1}", "アカウントサービスに接続できませんでした：{1}"},
  {"The account service sent data that does not belong to this account or breaks a limit; nothing was changed.", "アカウントサービスから、このアカウントのものではないデータか、制限を超えるデータが届きました。何も変更していません。"},
  {"The account service sent a reply that could not be read; nothing was changed.", "アカウントサービスの応答を読み取れませんでした。何も変更していません。"},
  {"The account operation failed: {1}", "アカウントの操作に失敗しました：{1}"},
  {"The account operation failed.", "アカウントの操作に失敗しました。"},

  // Account: whose scores are whose, and the archive's bounds
  {"Could not record which account this round belongs to: {1}", "このラウンドがどのアカウントのものかを記録できませんでした：{1}"},
  {"Your answer could not be kept in {1} ({2}); the question stays.", "回答を {1} に保存できませんでした（{2}）。確認はそのまま残ります。"},
  {"This computer's scores will go into your account at the next sync.", "このコンピュータの成績は、次の同期であなたのアカウントに入ります。"},
  {"This computer's scores stay out of your account; only your own are synced.", "このコンピュータの成績はあなたのアカウントに入れません。同期するのはあなた自身の成績だけです。"},
  {"Sync Now is off this session: {1} could not be read, so it cannot tell which scores are this account's.", "今回は「今すぐ同期」を使えません：{1} を読み込めなかったため、どの成績がこのアカウントのものか分かりません。"},
  {"{1} Nothing was changed.", "{1} 何も変更していません。"},
  {"could not record which account the scores belong to ({1})", "成績がどのアカウントのものかを記録できませんでした（{1}）"},
  {"Not imported: {1}: {2} could not be read, so the attempts could not be kept as this account's. Nothing was changed.", "読み込んでいません：{1}：{2} を読み込めなかったため、記録をこのアカウントのものとして残せません。何も変更していません。"},
  {"Not imported: {1}: {2} Nothing was changed.", "読み込んでいません：{1}：{2} 何も変更していません。"},
  {"Not imported: {1}: which account the attempts belong to could not be recorded ({2}). Nothing was changed.", "読み込んでいません：{1}：記録がどのアカウントのものかを保存できませんでした（{2}）。何も変更していません。"},
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
