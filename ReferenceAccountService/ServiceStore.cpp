#include "ReferenceAccountService/ServiceStore.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <memory>

namespace tavro::reference {
namespace {

[[noreturn]] void fail(sqlite3* database, const std::string& what) {
  throw StoreFailure(what + ": " + (database ? sqlite3_errmsg(database) : "out of memory"));
}

// One prepared statement, finalized on every path.
class Statement {
 public:
  Statement(sqlite3* database, const char* sql) : database_(database) {
    if (sqlite3_prepare_v2(database, sql, -1, &statement_, nullptr) != SQLITE_OK)
      fail(database, "cannot prepare a statement");
  }
  ~Statement() { sqlite3_finalize(statement_); }
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
  if (sqlite3_open_v2(file.c_str(), &database_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                      nullptr) != SQLITE_OK) {
    std::string message = database_ ? sqlite3_errmsg(database_) : "out of memory";
    sqlite3_close(database_);
    throw StoreFailure("cannot open the database: " + message);
  }
  sqlite3_busy_timeout(database_, 5000);
  execute(database_, "PRAGMA journal_mode=WAL");
  execute(database_, "PRAGMA foreign_keys=ON");
  execute(database_,
          "CREATE TABLE IF NOT EXISTS accounts (id TEXT PRIMARY KEY, name TEXT NOT NULL,"
          " email TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS codes (code TEXT PRIMARY KEY, account TEXT NOT NULL"
          " REFERENCES accounts(id), verifier TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS tokens (token TEXT PRIMARY KEY, account TEXT NOT NULL"
          " REFERENCES accounts(id), device TEXT NOT NULL, device_id TEXT NOT NULL,"
          " login_at TEXT NOT NULL, last_seen TEXT NOT NULL);"
          "CREATE TABLE IF NOT EXISTS attempts (sequence INTEGER PRIMARY KEY AUTOINCREMENT,"
          " account TEXT NOT NULL REFERENCES accounts(id), id TEXT NOT NULL, json TEXT NOT NULL,"
          " UNIQUE (account, id));"
          "CREATE TABLE IF NOT EXISTS cursors (cursor TEXT PRIMARY KEY, account TEXT NOT NULL"
          " REFERENCES accounts(id), after_sequence INTEGER NOT NULL);");
}

ServiceStore::~ServiceStore() {
  sqlite3_close(database_);
}

void ServiceStore::addAccount(const AccountProfile& profile) {
  std::lock_guard lock(mutex_);
  Statement insert(database_, "INSERT INTO accounts (id, name, email) VALUES (?, ?, ?)");
  insert.bind(1, profile.id).bind(2, profile.name).bind(3, profile.email).step();
}

std::optional<AccountProfile> ServiceStore::account(const std::string& id) {
  std::lock_guard lock(mutex_);
  Statement select(database_, "SELECT name, email FROM accounts WHERE id = ?");
  select.bind(1, id);
  if (!select.step()) return std::nullopt;
  return AccountProfile(id, select.text(0), select.text(1));
}

std::string ServiceStore::addSignInCode(const std::string& accountID, const std::string& verifier) {
  std::lock_guard lock(mutex_);
  std::string code = randomHex(1);
  Statement insert(database_, "INSERT INTO codes (code, account, verifier) VALUES (?, ?, ?)");
  insert.bind(1, code).bind(2, accountID).bind(3, verifier).step();
  return code;
}

std::optional<std::string> ServiceStore::exchangeCode(const std::string& code,
                                                      const std::string& verifier) {
  std::string accountID;
  {
    std::lock_guard lock(mutex_);
    Transaction transaction(database_);
    Statement select(database_, "SELECT account, verifier FROM codes WHERE code = ?");
    select.bind(1, code);
    if (!select.step()) return std::nullopt;
    accountID = select.text(0);
    bool matches = select.text(1) == verifier;
    Statement remove(database_, "DELETE FROM codes WHERE code = ?");
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
  Statement insert(database_,
                   "INSERT INTO tokens (token, account, device, device_id, login_at, last_seen)"
                   " VALUES (?, ?, ?, ?, ?, ?)");
  insert.bind(1, token)
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
  Statement select(database_,
                   "SELECT accounts.id, accounts.name, accounts.email FROM tokens"
                   " JOIN accounts ON accounts.id = tokens.account WHERE tokens.token = ?");
  select.bind(1, token);
  if (!select.step()) return std::nullopt;
  AccountProfile profile(select.text(0), select.text(1), select.text(2));
  Statement touch(database_, "UPDATE tokens SET last_seen = ? WHERE token = ?");
  touch.bind(1, nowText()).bind(2, token).step();
  return profile;
}

std::vector<DeviceRecord> ServiceStore::devices(const std::string& accountID,
                                                const std::string& currentToken) {
  std::lock_guard lock(mutex_);
  Statement select(database_,
                   "SELECT device_id, device, login_at, last_seen, token = ? FROM tokens"
                   " WHERE account = ? ORDER BY login_at, device_id");
  select.bind(1, currentToken).bind(2, accountID);
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
    Statement select(database_,
                     "SELECT after_sequence FROM cursors WHERE cursor = ? AND account = ?");
    select.bind(1, *cursor).bind(2, accountID);
    if (!select.step()) return std::nullopt;
    after = select.integer(0);
  }
  Statement select(database_,
                   "SELECT sequence, json FROM attempts WHERE account = ? AND sequence > ?"
                   " ORDER BY sequence LIMIT ?");
  select.bind(1, accountID).bind(2, after).bind(3, static_cast<std::int64_t>(maximumAttempts + 1));
  PageSlice slice;
  std::size_t bytes = 0;
  std::int64_t last = after;
  bool more = false;
  while (select.step()) {
    std::string json = select.text(1);
    if (slice.attempts.size() == maximumAttempts || bytes + json.size() + 1 > maximumBytes) {
      more = true;
      break;
    }
    bytes += json.size() + 1;
    last = select.integer(0);
    slice.attempts.push_back(std::move(json));
  }
  if (more) {
    std::string next = Uuid::random().text();
    Statement insert(database_,
                     "INSERT INTO cursors (cursor, account, after_sequence) VALUES (?, ?, ?)");
    insert.bind(1, next).bind(2, accountID).bind(3, last).step();
    slice.nextCursor = next;
  }
  return slice;
}

std::vector<Uuid> ServiceStore::store(const std::string& accountID,
                                      const std::vector<Attempt>& attempts) {
  std::lock_guard lock(mutex_);
  Transaction transaction(database_);
  Statement insert(database_,
                   "INSERT OR IGNORE INTO attempts (account, id, json) VALUES (?, ?, ?)");
  std::vector<Uuid> stored;
  for (const Attempt& attempt : attempts) {
    insert.bind(1, accountID).bind(2, attempt.id().text()).bind(3, attempt.encode());
    insert.step();
    insert.reset();
    stored.push_back(attempt.id());
  }
  transaction.commit();
  return stored;
}

std::vector<Attempt> ServiceStore::attempts(const std::string& accountID) {
  std::lock_guard lock(mutex_);
  Statement select(database_, "SELECT json FROM attempts WHERE account = ? ORDER BY sequence");
  select.bind(1, accountID);
  std::vector<Attempt> list;
  while (select.step()) list.push_back(Attempt::decode(select.text(0)));
  return list;
}

}  // namespace tavro::reference
