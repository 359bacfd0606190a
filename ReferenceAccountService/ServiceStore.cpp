#include "ReferenceAccountService/ServiceStore.h"

#include "Support/File.h"
#include "Support/FileDescriptor.h"
#include "Support/Sha256.h"
#include "TavroCore/account/AccountBrowserLogin.h"

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>

namespace tavro::reference {
namespace {

[[noreturn]] void fail(sqlite3* database, const std::string& what) {
  throw StoreFailure(what + ": " + (database ? sqlite3_errmsg(database) : "out of memory"));
}

// One use of a prepared statement. A statement prepared here is finalized
// when the use ends; one kept by the store (ServiceStore::prepared) is only
// reset, with its bindings cleared, so the next request skips the parse and
// plan and no bound text outlives its use.
class Statement {
 public:
  Statement(sqlite3* database, const char* sql) : database_(database), owned_(true) {
    if (sqlite3_prepare_v2(database, sql, -1, &statement_, nullptr) != SQLITE_OK)
      fail(database, "cannot prepare a statement");
  }
  Statement(sqlite3* database, sqlite3_stmt* kept) : database_(database), statement_(kept) {}
  ~Statement() {
    if (owned_) {
      sqlite3_finalize(statement_);
    } else {
      sqlite3_reset(statement_);
      sqlite3_clear_bindings(statement_);
    }
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& bind(int index, const std::string& text) {
    if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
      fail(database_, "cannot bind a value");
    return *this;
  }
  Statement& bind(int index, std::int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK)
      fail(database_, "cannot bind a value");
    return *this;
  }
  // True while there is a row.
  bool step() {
    int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    fail(database_, "cannot run a statement");
  }
  void reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  std::string text(int column) {
    const unsigned char* value = sqlite3_column_text(statement_, column);
    return value ? std::string(reinterpret_cast<const char*>(value),
                               static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                 : std::string();
  }
  std::int64_t integer(int column) { return sqlite3_column_int64(statement_, column); }

 private:
  sqlite3* database_;
  sqlite3_stmt* statement_ = nullptr;
  bool owned_ = false;
};

void execute(sqlite3* database, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(database, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "unknown error";
    sqlite3_free(message);
    throw StoreFailure(std::string("cannot run \"") + sql + "\": " + text);
  }
}

// Rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* database) : database_(database) {
    execute(database, "BEGIN IMMEDIATE");
  }
  ~Transaction() {
    if (!committed_) sqlite3_exec(database_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    execute(database_, "COMMIT");
    committed_ = true;
  }

 private:
  sqlite3* database_;
  bool committed_ = false;
};

// A write that a crash may lose without harm is committed without syncing
// the WAL (it is still atomic and still ordered before later writes); the
// next durable commit syncs it along. A lost page cursor makes the client
// start its download again, a lost last-use time shows an older one.
class LightWrite {
 public:
  LightWrite(sqlite3_stmt* normal, sqlite3_stmt* full) : full_(full) { run(normal); }
  ~LightWrite() { run(full_); }
  LightWrite(const LightWrite&) = delete;
  LightWrite& operator=(const LightWrite&) = delete;

 private:
  static void run(sqlite3_stmt* pragma) {
    sqlite3_step(pragma);
    sqlite3_reset(pragma);
  }
  sqlite3_stmt* full_;
};

std::string randomHex(std::size_t uuids) {
  std::string text;
  for (std::size_t i = 0; i < uuids; ++i) {
    for (std::uint8_t byte : Uuid::random().bytes) {
      static constexpr char digits[] = "0123456789abcdef";
      text.push_back(digits[byte >> 4]);
      text.push_back(digits[byte & 15]);
    }
  }
  return text;
}

// The database's files hold every account's sessions and attempts: only
// their owner may read them. SQLite gives the -wal and -shm files it creates
// the database file's permissions, so creating that file 0600 first covers
// all three; files an older service left readable are closed down here too.
// Links and anything but a regular file are refused (and never waited on).
void restrictFile(const std::filesystem::path& file, bool create) {
  file::OpenOptions options{.followLinks = false, .readWrite = true};
  if (create) options.createMode = 0600;
  file::OpenedFile opened = file::openRegular(file, options);
  if (opened.failure == file::Failure::open) {
    if (!create && opened.error == ENOENT) return;
    throw StoreFailure("cannot open " + file.string() + ": " + std::strerror(opened.error));
  }
  if (!opened) throw StoreFailure("not a regular file: " + file.string());
  const struct stat& status = opened.status;
  const FileDescriptor& fd = opened.descriptor;
  if ((status.st_mode & 0777) != 0600 && ::fchmod(fd.get(), 0600) != 0)
    throw StoreFailure("cannot restrict " + file.string() + ": " + std::strerror(errno));
}

// What the store keeps of a session token.
std::string tokenDigest(const std::string& token) {
  return sha256::hex(token);
}

std::string nowText() {
  std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return buffer;
}

}  // namespace

ServiceStore::ServiceStore(const std::filesystem::path& file) {
  restrictFile(file, true);
  restrictFile(file.string() + "-wal", false);
  restrictFile(file.string() + "-shm", false);
  if (sqlite3_open_v2(file.c_str(), &database_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX |
                          SQLITE_OPEN_NOFOLLOW,
                      nullptr) != SQLITE_OK) {
    std::string message = database_ ? sqlite3_errmsg(database_) : "out of memory";
    sqlite3_close(database_);
    throw StoreFailure("cannot open the database: " + message);
  }
  sqlite3_busy_timeout(database_, 5000);
  execute(database_, "PRAGMA journal_mode=WAL");
  // Every commit syncs the WAL, so an upload is on disk before it is
  // acknowledged (WAL mode's default syncs only at checkpoints); the writes
  // a crash may lose without harm say so (LightWrite).
  execute(database_, "PRAGMA synchronous=FULL");
  // Random ids put an upload's hundred attempts on about a hundred pages of
  // the id index, so with the default of a checkpoint every 1,000 pages one
  // upload in eight would also copy the WAL back into the file and sync it,
  // rewriting the same index pages again and again. A checkpoint every
  // 10,000 pages (40 MB) writes each of those pages once for many uploads;
  // the WAL is cut back to 64 MiB after a checkpoint should it grow beyond.
  execute(database_, "PRAGMA wal_autocheckpoint=10000");
  execute(database_, "PRAGMA journal_size_limit=67108864");
  execute(database_, "PRAGMA foreign_keys=ON");
  execute(database_,
          "CREATE TABLE IF NOT EXISTS accounts (id TEXT PRIMARY KEY, name TEXT NOT NULL,"
          " email TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS sign_in_codes (code TEXT PRIMARY KEY, account TEXT NOT NULL"
          " REFERENCES accounts(id), challenge TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS sessions (token_digest TEXT PRIMARY KEY, account TEXT"
          " NOT NULL REFERENCES accounts(id), device TEXT NOT NULL, device_id TEXT NOT NULL,"
          " login_at TEXT NOT NULL, last_seen TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS attempts (sequence INTEGER PRIMARY KEY AUTOINCREMENT,"
          " account TEXT NOT NULL REFERENCES accounts(id), id TEXT NOT NULL, json TEXT NOT NULL,"
          " UNIQUE (account, id));"
          "CREATE TABLE IF NOT EXISTS cursors (cursor TEXT PRIMARY KEY, account TEXT NOT NULL"
          " REFERENCES accounts(id), after_sequence INTEGER NOT NULL);"
          "CREATE INDEX IF NOT EXISTS cursors_by_position ON cursors (account, after_sequence);"
          // A page reads the account's attempts in storage order from a
          // position: without this, each page would sort (or skip over)
          // every attempt of the account.
          "CREATE INDEX IF NOT EXISTS attempts_by_position ON attempts (account, sequence);");
  migrateClearTokens();
}

// An older service kept session tokens in clear (table `tokens`) and codes
// bound to verifiers (table `codes`). Its sessions carry over as digests;
// its codes, one-time and short-lived, are dropped. Secure deletion and a
// truncating checkpoint leave no clear token behind in the file or its WAL.
void ServiceStore::migrateClearTokens() {
  {
    Statement exists(database_,
                     "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'tokens'");
    exists.step();
    if (exists.integer(0) == 0) return;
  }
  execute(database_, "PRAGMA secure_delete=ON");
  {
    Transaction transaction(database_);
    {
      Statement select(database_,
                       "SELECT token, account, device, device_id, login_at, last_seen FROM tokens");
      Statement insert(database_,
                       "INSERT OR IGNORE INTO sessions (token_digest, account, device, device_id,"
                       " login_at, last_seen) VALUES (?, ?, ?, ?, ?, ?)");
      while (select.step()) {
        insert.bind(1, tokenDigest(select.text(0)));
        for (int column = 1; column < 6; ++column) insert.bind(column + 1, select.text(column));
        insert.step();
        insert.reset();
      }
    }
    execute(database_, "DROP TABLE tokens; DROP TABLE IF EXISTS codes");
    transaction.commit();
  }
  execute(database_, "PRAGMA wal_checkpoint(TRUNCATE)");
}

ServiceStore::~ServiceStore() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  sqlite3_close(database_);
}

sqlite3_stmt* ServiceStore::prepared(const char* sql) {
  auto [slot, added] = statements_.try_emplace(sql, nullptr);
  if (added && sqlite3_prepare_v2(database_, sql, -1, &slot->second, nullptr) != SQLITE_OK) {
    statements_.erase(slot);
    fail(database_, "cannot prepare a statement");
  }
  return slot->second;
}

void ServiceStore::addAccount(const AccountProfile& profile) {
  std::lock_guard lock(mutex_);
  Statement insert(database_, prepared("INSERT INTO accounts (id, name, email) VALUES (?, ?, ?)"));
  insert.bind(1, profile.id).bind(2, profile.name).bind(3, profile.email).step();
}

std::optional<AccountProfile> ServiceStore::account(const std::string& id) {
  std::lock_guard lock(mutex_);
  Statement select(database_, prepared("SELECT name, email FROM accounts WHERE id = ?"));
  select.bind(1, id);
  if (!select.step()) return std::nullopt;
  return AccountProfile(id, select.text(0), select.text(1));
}

AccountProfile ServiceStore::accountWithEmail(const std::string& email, const std::string& name) {
  std::lock_guard lock(mutex_);
  // Found and made under one lock, so two approvals at once for a new
  // address make one account.
  Statement select(
      database_, prepared("SELECT id, name FROM accounts WHERE email = ? ORDER BY rowid LIMIT 1"));
  select.bind(1, email);
  if (select.step()) return AccountProfile(select.text(0), select.text(1), email);
  AccountProfile profile(Uuid::random().text(), name, email);
  Statement insert(database_, prepared("INSERT INTO accounts (id, name, email) VALUES (?, ?, ?)"));
  insert.bind(1, profile.id).bind(2, profile.name).bind(3, profile.email).step();
  return profile;
}

std::string ServiceStore::addSignInCodeForChallenge(const std::string& accountID,
                                                    const std::string& challenge) {
  std::lock_guard lock(mutex_);
  // 32 random bytes: the 64 digits the client's callback check expects.
  std::string code = randomHex(2);
  Statement insert(
      database_, prepared("INSERT INTO sign_in_codes (code, account, challenge) VALUES (?, ?, ?)"));
  insert.bind(1, code).bind(2, accountID).bind(3, challenge).step();
  return code;
}

std::string ServiceStore::addSignInCode(const std::string& accountID, const std::string& verifier) {
  return addSignInCodeForChallenge(accountID, AccountBrowserLogin::challenge(verifier));
}

std::optional<std::string> ServiceStore::exchangeCode(const std::string& code,
                                                      const std::string& verifier) {
  std::string accountID;
  {
    std::lock_guard lock(mutex_);
    Transaction transaction(database_);
    Statement select(database_,
                     prepared("SELECT account, challenge FROM sign_in_codes WHERE code = ?"));
    select.bind(1, code);
    if (!select.step()) return std::nullopt;
    accountID = select.text(0);
    bool matches = select.text(1) == AccountBrowserLogin::challenge(verifier);
    Statement remove(database_, prepared("DELETE FROM sign_in_codes WHERE code = ?"));
    remove.bind(1, code).step();
    transaction.commit();
    if (!matches) return std::nullopt;
  }
  return issueToken(accountID, "BRELVA Tavro");
}

std::string ServiceStore::issueToken(const std::string& accountID, const std::string& device) {
  std::lock_guard lock(mutex_);
  std::string token = randomHex(2);
  std::string now = nowText();
  Statement insert(
      database_,
      prepared("INSERT INTO sessions (token_digest, account, device, device_id, login_at,"
               " last_seen) VALUES (?, ?, ?, ?, ?, ?)"));
  insert.bind(1, tokenDigest(token))
      .bind(2, accountID)
      .bind(3, device)
      .bind(4, Uuid::random().text())
      .bind(5, now)
      .bind(6, now);
  insert.step();
  return token;
}

std::optional<AccountProfile> ServiceStore::accountOfToken(const std::string& token) {
  std::lock_guard lock(mutex_);
  const std::string digest = tokenDigest(token);
  Statement select(database_,
                   prepared("SELECT accounts.id, accounts.name, accounts.email,"
                            " sessions.last_seen FROM sessions JOIN accounts"
                            " ON accounts.id = sessions.account WHERE sessions.token_digest = ?"));
  select.bind(1, digest);
  if (!select.step()) return std::nullopt;
  AccountProfile profile(select.text(0), select.text(1), select.text(2));
  const std::string lastSeen = select.text(3);
  // Finished first: a write commits only once no statement of the
  // connection is still reading, and this one must commit as a light write.
  select.reset();
  // The use is recorded to the second: a sync's hundreds of requests in a
  // second write it once, not once each.
  const std::string now = nowText();
  if (lastSeen != now) {
    LightWrite light(prepared("PRAGMA synchronous=NORMAL"), prepared("PRAGMA synchronous=FULL"));
    Statement touch(database_,
                    prepared("UPDATE sessions SET last_seen = ? WHERE token_digest = ?"));
    touch.bind(1, now).bind(2, digest).step();
  }
  return profile;
}

std::vector<DeviceRecord> ServiceStore::devices(const std::string& accountID,
                                                const std::string& currentToken) {
  std::lock_guard lock(mutex_);
  Statement select(
      database_,
      prepared("SELECT device_id, device, login_at, last_seen, token_digest = ? FROM sessions"
               " WHERE account = ? ORDER BY login_at, device_id"));
  select.bind(1, tokenDigest(currentToken)).bind(2, accountID);
  std::vector<DeviceRecord> list;
  while (select.step()) {
    list.push_back(DeviceRecord{select.text(0), select.text(1), "macOS", select.integer(4) != 0,
                                select.text(2), select.text(3)});
  }
  return list;
}

std::optional<PageSlice> ServiceStore::page(const std::string& accountID,
                                            const std::optional<std::string>& cursor,
                                            std::size_t maximumAttempts, std::size_t maximumBytes) {
  std::lock_guard lock(mutex_);
  std::int64_t after = 0;
  if (cursor) {
    Statement select(
        database_, prepared("SELECT after_sequence FROM cursors WHERE cursor = ? AND account = ?"));
    select.bind(1, *cursor).bind(2, accountID);
    if (!select.step()) return std::nullopt;
    after = select.integer(0);
  }
  // No LIMIT: rows passed over do not count towards the page, and SQLite
  // reads rows only as they are stepped to.
  Statement select(database_,
                   prepared("SELECT sequence, json FROM attempts WHERE account = ? AND sequence > ?"
                            " ORDER BY sequence"));
  select.bind(1, accountID).bind(2, after);
  PageSlice slice;
  std::size_t bytes = 0;
  std::int64_t last = after;
  bool more = false;
  while (select.step()) {
    std::string json = select.text(1);
    if (json.size() + 1 > maximumBytes) {
      // It could never be sent; without passing it over, every page after
      // it would come back empty.
      last = select.integer(0);
      continue;
    }
    if (slice.attempts.size() == maximumAttempts || bytes + json.size() + 1 > maximumBytes) {
      more = true;
      break;
    }
    bytes += json.size() + 1;
    last = select.integer(0);
    slice.attempts.push_back(std::move(json));
  }
  // Finished first: a write commits only once no statement of the
  // connection is still reading, and the cursor must commit as a light write.
  select.reset();
  // A cursor on an empty page would send the client round the same
  // position for ever; `more` is only set by an attempt that fits a page.
  if (more && !slice.attempts.empty()) {
    Statement known(
        database_,
        prepared("SELECT cursor FROM cursors WHERE account = ? AND after_sequence = ? LIMIT 1"));
    known.bind(1, accountID).bind(2, last);
    if (known.step()) {
      slice.nextCursor = known.text(0);
    } else {
      std::string next = Uuid::random().text();
      LightWrite light(prepared("PRAGMA synchronous=NORMAL"), prepared("PRAGMA synchronous=FULL"));
      Statement insert(
          database_,
          prepared("INSERT INTO cursors (cursor, account, after_sequence) VALUES (?, ?, ?)"));
      insert.bind(1, next).bind(2, accountID).bind(3, last).step();
      slice.nextCursor = next;
    }
  }
  return slice;
}

StoreOutcome ServiceStore::store(const std::string& accountID,
                                 const std::vector<Attempt>& attempts) {
  std::lock_guard lock(mutex_);
  // Said again here rather than trusted from the last light write: an
  // upload is acknowledged only once it is on disk.
  Statement(database_, prepared("PRAGMA synchronous=FULL")).step();
  Transaction transaction(database_);
  Statement insert(database_,
                   prepared("INSERT OR IGNORE INTO attempts (account, id, json) VALUES (?, ?, ?)"));
  Statement held(database_, prepared("SELECT json FROM attempts WHERE account = ? AND id = ?"));
  StoreOutcome outcome;
  for (const Attempt& attempt : attempts) {
    const std::string json = attempt.encode();
    insert.bind(1, accountID).bind(2, attempt.id().text()).bind(3, json);
    insert.step();
    insert.reset();
    bool stored = sqlite3_changes(database_) > 0;
    if (!stored) {
      // The identifier is taken: only an identical copy counts as stored.
      // Compared in the encoded form, which is canonical for equal attempts
      // (the stored text may come from an older encoder).
      held.bind(1, accountID).bind(2, attempt.id().text());
      if (held.step()) {
        try {
          stored = Attempt::decode(held.text(0)).encode() == json;
        } catch (const json::DecodingError&) {
          stored = false;
        }
      }
      held.reset();
    }
    (stored ? outcome.accepted : outcome.rejected).push_back(attempt.id());
  }
  transaction.commit();
  return outcome;
}

std::vector<Attempt> ServiceStore::attempts(const std::string& accountID) {
  std::lock_guard lock(mutex_);
  Statement select(database_,
                   prepared("SELECT json FROM attempts WHERE account = ? ORDER BY sequence"));
  select.bind(1, accountID);
  std::vector<Attempt> list;
  while (select.step()) list.push_back(Attempt::decode(select.text(0)));
  return list;
}

}  // namespace tavro::reference
