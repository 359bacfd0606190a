#include "TavroCore/account/TavroCloudSync.h"

#include "Support/JsonEncoding.h"
#include "Support/Text.h"
#include "Support/Uuid.h"
#include "TavroCore/account/AccountService.h"
#include "TavroCore/account/AccountText.h"
#include "TavroCore/account/AttemptIdentifiers.h"
#include "TavroCore/account/InternetDateTime.h"

#include <boost/url/url_view.hpp>

#include <set>
#include <utility>

namespace tavro {
namespace {

platform::HTTPRequest serviceRequest(std::string_view method, std::string url,
                                     std::string_view token) {
  platform::HTTPRequest request(std::move(url));
  request.setMethod(std::string(method));
  request.setHeader("Authorization", "Bearer " + std::string(token));
  request.setHeader("Accept", "application/json");
  request.setHeader("Content-Type", "application/json");
  return request;
}

// The page and the account it claims to belong to.
struct Page {
  std::vector<Attempt> attempts;
  std::optional<std::string> nextCursor;
  std::string syncedAt;
  std::int64_t schemaVersion = 0;
};

Page readPage(const json::Object& object) {
  Page page;
  page.schemaVersion = object.integer("schemaVersion");
  json::Array attempts = object.array("attempts");
  page.attempts.reserve(attempts.size());
  for (const json::Value& attempt : attempts.elements())
    page.attempts.push_back(Attempt::decode(attempt));
  page.nextCursor = object.optionalString("nextCursor");
  page.syncedAt = object.string("syncedAt");
  return page;
}

bool sameAccount(const AccountProfile& page, const AccountProfile& signedIn) {
  if (!accounttext::sameText(page.id, signedIn.id)) return false;
  if (page.email.empty() || signedIn.email.empty()) return true;
  return accounttext::sameText(text::lowercased(page.email), text::lowercased(signedIn.email));
}

// Every identifier of the chunk and nothing else, in any order and with any
// repetition.
void checkAcknowledgement(std::string_view body, const std::vector<Attempt>& chunk) {
  json::Document document = json::Document::parse(body);
  json::Array accepted = document.root().object().array("accepted");

  AttemptIdentifierSet sent(chunk.size());
  for (const Attempt& attempt : chunk) sent.insert(attempt.id());
  AttemptIdentifierSet confirmed(chunk.size());
  bool stray = false;
  for (const json::Value& value : accepted.elements()) {
    std::optional<Uuid> id = Uuid::parse(value.stringView());
    if (!id) throw json::DecodingError("Expected a UUID for " + value.name());
    if (!sent.contains(*id)) {
      stray = true;
      continue;
    }
    confirmed.insert(*id);
  }
  if (stray || confirmed.size() != sent.size())
    throw AccountServiceFailure(std::string(TavroCloudSync::unconfirmedMessage));
}

}  // namespace

TavroCloudSync::Fetch TavroCloudSync::fetchThrough(Perform perform) {
  return [perform = std::move(perform)](const platform::HTTPRequest& request) {
    platform::HTTPReply reply = perform(request);
    if (reply.status >= 200 && reply.status < 300) return std::move(reply.body);
    boost::urls::url_view url(request.url());
    throw AccountService::httpFailure(reply.status, url.path(), reply.body);
  };
}

boost::urls::url TavroCloudSync::endpoint() {
  return AccountService::serviceURL(path);
}

platform::HTTPRequest TavroCloudSync::pageRequest(std::string_view token,
                                                  const std::optional<std::string>& cursor) {
  boost::urls::url url = endpoint();
  if (cursor) url.params().append({"cursor", *cursor});
  return serviceRequest("GET", std::string(url.buffer()), token);
}

platform::HTTPRequest TavroCloudSync::uploadRequest(std::string_view token,
                                                    const std::vector<Attempt>& attempts) {
  for (const Attempt& attempt : attempts) {
    if (!attempt.withinByteBounds()) throw BackupFailure::invalid();
  }
  std::string body = "{\"schemaVersion\":1,\"attempts\":[";
  body.reserve(attempts.size() * 160 + 64);
  for (std::size_t i = 0; i < attempts.size(); ++i) {
    if (i > 0) body += ',';
    body += attempts[i].encode();
  }
  body += "]}";
  platform::HTTPRequest request = serviceRequest("POST", std::string(endpoint().buffer()), token);
  request.setBody(std::move(body));
  return request;
}

TavroCloudSync::Result TavroCloudSync::sync(std::string_view token, const TavroBackup& local,
                                            const AccountProfile& profile, Date now) const {
  if (!AccountService::validToken(token) || !profile.valid()) throw BackupFailure::invalid();
  local.validated(profile.id);

  std::vector<Attempt> remote;
  AttemptIdentifierSet seen(local.attempts().size());
  std::set<Uuid> usedCursors;
  std::optional<std::string> cursor;
  std::optional<AccountProfile> pageProfile;
  Date syncedAt;
  const std::chrono::steady_clock::time_point deadline = clock_() + maximumDownloadSeconds;
  std::size_t downloadedBytes = 0;
  Progress progress;
  auto report = [&](Progress::Step step) {
    progress.step = step;
    if (progress_) progress_(progress);
  };

  while (true) {
    report(Progress::Step::downloading);
    std::string body = fetch_(pageRequest(token, cursor));
    // Written so that the sum cannot wrap, whatever a fetch returns.
    if (body.size() > maximumDownloadBytes - downloadedBytes) throw BackupFailure::invalid();
    downloadedBytes += body.size();

    // The reply document first (size, object, no "error"), then the page.
    json::Document document = AccountService::object(body);
    json::Object top = document.root().object();
    Page page = readPage(top);
    pageProfile = AccountService::profile(top, std::nullopt, now);
    if (!sameAccount(*pageProfile, profile)) throw BackupFailure::invalid();
    if (page.schemaVersion != 1 || page.attempts.size() > maximumPageAttempts)
      throw BackupFailure::invalid();
    for (const Attempt& attempt : page.attempts) {
      if (!seen.insert(attempt.id())) throw BackupFailure::invalid();
    }
    if (remote.size() + page.attempts.size() > maximumRemoteAttempts)
      throw BackupFailure::invalid();
    std::optional<Date> pageTime = InternetDateTime::parse(page.syncedAt);
    if (!pageTime) throw BackupFailure::invalid();
    syncedAt = *pageTime;
    remote.insert(remote.end(), std::make_move_iterator(page.attempts.begin()),
                  std::make_move_iterator(page.attempts.end()));
    ++progress.pagesDone;

    if (!page.nextCursor) break;
    std::optional<Uuid> next = Uuid::parse(*page.nextCursor);
    if (!next || page.attempts.empty() || !usedCursors.insert(*next).second)
      throw BackupFailure::invalid();
    cursor = std::move(page.nextCursor);
    if (clock_() > deadline) throw AccountServiceFailure(std::string(slowDownloadMessage));
  }

  TavroBackup remoteBackup =
      TavroBackup(profile.id, std::move(remote), local.jlptLevel(), local.kanaInput(), now)
          .validated(profile.id);
  TavroBackup merged = TavroBackup(profile.id, remoteBackup.merging(local.attempts()),
                                   local.jlptLevel(), local.kanaInput(), now)
                           .validated(profile.id);

  // The merged backup is final before anything is uploaded: uploading only
  // tells the service about attempts the result already holds.
  std::size_t unsent = 0;
  for (const Attempt& attempt : local.attempts()) {
    if (!seen.contains(attempt.id())) ++unsent;
  }
  progress.uploadsTotal = (unsent + maximumUploadAttempts - 1) / maximumUploadAttempts;
  std::vector<Attempt> chunk;
  chunk.reserve(maximumUploadAttempts);
  auto send = [&] {
    report(Progress::Step::uploading);
    std::string reply = fetch_(uploadRequest(token, chunk));
    checkAcknowledgement(reply, chunk);
    ++progress.uploadsDone;
    chunk.clear();
  };
  for (const Attempt& attempt : local.attempts()) {
    if (seen.contains(attempt.id())) continue;
    chunk.push_back(attempt);
    if (chunk.size() == maximumUploadAttempts) send();
  }
  if (!chunk.empty()) send();

  return Result{std::move(merged), std::move(*pageProfile), syncedAt};
}

}  // namespace tavro
