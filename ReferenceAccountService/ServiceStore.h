// The reference service's storage: accounts, sign-in codes, session tokens
// (one per signed-in device), sync cursors and the attempts of each account,
// in one SQLite file in WAL mode. Every upload is stored in one transaction,
// so a chunk is either wholly stored or not at all.
//
// The file and its -wal and -shm companions are readable by their owner
// only, and hold a SHA-256 digest of each session token, never the token:
// a copy of the file does not sign anyone in.
#pragma once

#include "Support/Uuid.h"
#include "TavroCore/account/AccountProfile.h"
#include "TavroCore/history/Attempt.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tavro::reference {

class StoreFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One signed-in device of an account, as the device list shows it.
struct DeviceRecord {
  std::string id;
  std::string device;
  std::string platform;
  bool current = false;
  std::string loginAt;
  std::string lastSeen;
};

// A page of attempts: their JSON objects in storage order and the cursor of
// the next page when more remain.
struct PageSlice {
  std::vector<std::string> attempts;
  std::optional<std::string> nextCursor;
};

// What became of an upload's attempts: stored (now, or an identical copy
// before), or refused because the account holds another attempt under the
// same identifier.
struct StoreOutcome {
  std::vector<Uuid> accepted;
  std::vector<Uuid> rejected;
};

class ServiceStore {
 public:
  // Opens or creates the database file. Throws StoreFailure.
  explicit ServiceStore(const std::filesystem::path& file);
  ~ServiceStore();
  ServiceStore(const ServiceStore&) = delete;
  ServiceStore& operator=(const ServiceStore&) = delete;

  void addAccount(const AccountProfile& profile);
  std::optional<AccountProfile> account(const std::string& id);
  // The account with this e-mail address (the first made, should several
  // share it), or a new one with a random identifier, `name` and `email`:
  // what a person approving a sign-in on the development page signs in as.
  AccountProfile accountWithEmail(const std::string& email, const std::string& name);

  // A one-time sign-in code (64 lower-case hexadecimal digits) for the
  // account, bound to the S256 `challenge` the sign-in page was given.
  std::string addSignInCodeForChallenge(const std::string& accountID, const std::string& challenge);
  // The same, bound to the challenge of `verifier`.
  std::string addSignInCode(const std::string& accountID, const std::string& verifier);
  // The new session token for a matching code and verifier (the verifier's
  // challenge is the code's); the code is used up either way. No value when
  // the code is unknown or the verifier does not match.
  std::optional<std::string> exchangeCode(const std::string& code, const std::string& verifier);
  // A session token for the account, as a sign-in on `device` would give.
  std::string issueToken(const std::string& accountID, const std::string& device);
  // The account of a session token; records the use.
  std::optional<AccountProfile> accountOfToken(const std::string& token);
  std::vector<DeviceRecord> devices(const std::string& accountID, const std::string& currentToken);

  // The attempts after `cursor` (from the first when absent): at most
  // `maximumAttempts` whose JSON texts (one separator byte each) together
  // stay within `maximumBytes`. An attempt that alone exceeds `maximumBytes`
  // (only an older service stored such) is passed over, so it can never
  // hold up the attempts after it. A page without attempts never has a next
  // cursor, and a position keeps the cursor it was first given. No value
  // for a cursor this account was never given.
  std::optional<PageSlice> page(const std::string& accountID,
                                const std::optional<std::string>& cursor,
                                std::size_t maximumAttempts, std::size_t maximumBytes);

  // Stores the attempts the account does not hold yet, all in one
  // transaction. Accepted: the given attempts the account now holds as
  // given; rejected: those whose identifier it holds for another attempt
  // (kept as it was). No checks beyond that: callers validate.
  StoreOutcome store(const std::string& accountID, const std::vector<Attempt>& attempts);

  // Every attempt of the account, in storage order.
  std::vector<Attempt> attempts(const std::string& accountID);

 private:
  void migrateClearTokens();
  // The statement for `sql`, prepared on its first use and kept until the
  // store closes. Call with mutex_ held; `sql` is a string literal.
  sqlite3_stmt* prepared(const char* sql);

  std::mutex mutex_;
  sqlite3* database_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
};

}  // namespace tavro::reference
