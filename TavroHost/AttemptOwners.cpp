#include "TavroHost/AttemptOwners.h"

#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "Support/Text.h"
#include "TavroHost/AccountFiles.h"
#include "TavroHost/Storage.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace tavro {
namespace {

// Account ids are one account's when canonically equivalent, as everywhere
// in the account rules; the map keeps them in one form.
std::string key(std::string_view account) {
  return text::nfc(account);
}

// 256 characters of up to four bytes each, and then some.
constexpr std::size_t maximumAccountTextBytes = 4096;

}  // namespace

void AttemptOwners::forgetHolder() {
  holder_.reset();
  holderUnknown_ = true;
}

std::set<Uuid> AttemptOwners::claimed() const {
  // One set for the whole question, so that asking it of every attempt costs
  // a look-up, not a walk over every account the record names.
  std::set<Uuid> ids = apart_;
  for (const auto& [account, owned] : accounts_) ids.insert(owned.begin(), owned.end());
  return ids;
}

std::vector<Attempt> AttemptOwners::attemptsOf(std::string_view account,
                                               const std::vector<Attempt>& archive) const {
  std::string wanted = key(account);
  bool takesUnclaimed = !holderUnknown_ && (!holder_ || key(holder_->id) == wanted);
  auto found = accounts_.find(wanted);
  const std::set<Uuid>* own = found == accounts_.end() ? nullptr : &found->second;
  std::set<Uuid> claimedIDs;
  if (takesUnclaimed) claimedIDs = claimed();
  std::vector<Attempt> result;
  for (const Attempt& attempt : archive) {
    if ((own && own->count(attempt.id())) || (takesUnclaimed && !claimedIDs.count(attempt.id())))
      result.push_back(attempt);
  }
  return result;
}

bool AttemptOwners::mustAsk(std::string_view account, const std::vector<Attempt>& archive) const {
  if (!holderUnknown_ && (!holder_ || key(holder_->id) == key(account))) return false;
  // Nothing to keep apart when every local attempt is this account's already.
  return attemptsOf(account, archive).size() != archive.size();
}

void AttemptOwners::answer(const AccountProfile& profile, bool add,
                           const std::vector<Attempt>& archive) {
  // What nobody claimed was the holder's; it stays the holder's (or apart,
  // when the holder is unknown) now that another account takes over.
  std::set<Uuid> claimedIDs = claimed();
  std::vector<Uuid> unclaimed;
  for (const Attempt& attempt : archive) {
    if (!claimedIDs.count(attempt.id())) unclaimed.push_back(attempt.id());
  }
  for (const Uuid& id : unclaimed) {
    if (holder_) {
      accounts_[key(holder_->id)].insert(id);
    } else {
      apart_.insert(id);
    }
  }
  if (add) {
    claim(profile.id, archive);
    for (const Attempt& attempt : archive) apart_.erase(attempt.id());
  }
  holder_ = Holder{profile.id, profile.name};
  holderUnknown_ = false;
}

void AttemptOwners::claim(std::string_view account, const std::vector<Attempt>& attempts) {
  std::set<Uuid>& ids = accounts_[key(account)];
  for (const Attempt& attempt : attempts) ids.insert(attempt.id());
}

void AttemptOwners::synced(const AccountProfile& profile, const std::vector<Attempt>& synced) {
  claim(profile.id, synced);
  holder_ = Holder{profile.id, profile.name};
  holderUnknown_ = false;
}

std::string AttemptOwners::encode(const std::vector<Attempt>& archive) const {
  std::set<Uuid> present;
  for (const Attempt& attempt : archive) present.insert(attempt.id());
  auto listed = [&](const std::set<Uuid>& ids) {
    json::OrderedJson list = json::OrderedJson::array();
    for (const Uuid& id : ids) {
      if (present.count(id)) list.push_back(id.text());
    }
    return list;
  };
  json::OrderedJson document = json::OrderedJson::object();
  document["schemaVersion"] = 1;
  if (holder_) document["holder"] = {{"id", holder_->id}, {"name", holder_->name}};
  if (holderUnknown_) document["holderUnknown"] = true;
  json::OrderedJson accounts = json::OrderedJson::array();
  for (const auto& [account, ids] : accounts_) {
    json::OrderedJson list = listed(ids);
    if (list.empty()) continue;
    json::OrderedJson entry = json::OrderedJson::object();
    entry["id"] = account;
    entry["attempts"] = std::move(list);
    accounts.push_back(std::move(entry));
  }
  document["accounts"] = std::move(accounts);
  document["keptApart"] = listed(apart_);
  return json::encode(document);
}

AttemptOwners AttemptOwners::decode(std::string_view bytes) {
  json::Document document = json::Document::parse(bytes);
  json::Object root = document.root().object();
  if (root.integer("schemaVersion") != 1)
    throw json::DecodingError("schemaVersion: not a version this tutor knows");
  auto ids = [](const json::Array& list, std::set<Uuid>& into) {
    for (const json::Value& value : list.elements()) {
      std::optional<Uuid> id = Uuid::parse(value.stringView());
      if (!id) throw json::DecodingError(value.name() + ": not an attempt id");
      into.insert(*id);
    }
  };
  // Ids and names are drawn and compared on every frame: far longer than
  // any real one (256 characters) is damage, not a name.
  auto bounded = [](const json::Object& object, std::string_view name) {
    std::string value = object.string(name);
    if (value.size() > maximumAccountTextBytes)
      throw json::DecodingError(std::string(name) + ": too long");
    return value;
  };
  AttemptOwners owners;
  if (std::optional<json::Value> holder = root.optional("holder")) {
    json::Object object = holder->object();
    owners.holder_ = Holder{bounded(object, "id"), bounded(object, "name")};
  }
  owners.holderUnknown_ = root.optionalBoolean("holderUnknown").value_or(false);
  for (const json::Value& value : root.array("accounts").elements()) {
    json::Object account = value.object();
    ids(account.array("attempts"), owners.accounts_[key(bounded(account, "id"))]);
  }
  ids(root.array("keptApart"), owners.apart_);
  return owners;
}

std::filesystem::path attemptOwnersFile(const std::filesystem::path& dataFolder) {
  return dataFolder / "score-owners.json";
}

LoadedAttemptOwners loadAttemptOwners(const std::filesystem::path& file) {
  LoadedAttemptOwners loaded;
  struct stat status {};
  if (::lstat(file.c_str(), &status) != 0 && errno == ENOENT) return loaded;
  FileBytes read = readBoundedFile(file, maximumAttemptOwnersBytes);
  std::string reason;
  if (read.bytes) {
    try {
      loaded.owners = AttemptOwners::decode(*read.bytes);
      return loaded;
    } catch (const json::DecodingError& error) {
      reason = error.what();
    }
  } else if (read.failure.rfind("larger", 0) == 0) {
    reason = read.failure;
  } else {
    loaded.usable = false;
    loaded.notice = {
        "Cannot read {1} ({2}), which tells whose scores are whose. It is left as it is; Sync "
        "Now and imports are off this session.",
        {file.string(), read.failure}};
    return loaded;
  }
  // Damaged: nobody can tell whose the local attempts are any more, so
  // each account is asked before they could reach it.
  std::string failure;
  std::optional<std::filesystem::path> kept = setAsideDamagedFile(file, failure);
  if (!kept) {
    loaded.usable = false;
    loaded.notice = {
        "Cannot read {1} ({2}), which tells whose scores are whose. It is left as it is; Sync "
        "Now and imports are off this session.",
        {file.string(), reason + "; it could not be set aside: " + failure}};
    return loaded;
  }
  loaded.owners.forgetHolder();
  loaded.notice = {
      "The record of whose scores are whose was damaged ({1}). It was kept as {2}; the next "
      "account to sync is asked whether this computer's scores are theirs.",
      {reason, kept->string()}};
  return loaded;
}

std::optional<std::string> saveAttemptOwners(const AttemptOwners& owners,
                                             const std::vector<Attempt>& archive,
                                             const std::filesystem::path& file) {
  std::string bytes;
  try {
    bytes = owners.encode(archive);
  } catch (const std::exception& error) {
    return std::string(error.what());
  }
  // A record that could not be read back would lose whose scores are whose.
  if (bytes.size() > maximumAttemptOwnersBytes)
    return "larger than " + std::to_string(maximumAttemptOwnersBytes >> 20) + " MiB";
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  return writeFileAtomically(file, bytes);
}

}  // namespace tavro
