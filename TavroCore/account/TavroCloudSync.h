// Cloud sync of completed exercises: downloads every attempt the account
// service holds for the account, page by page, checks that each page belongs
// to the signed-in account, merges the pages with the local attempts (local
// copies win), uploads the local attempts the service lacks in chunks of 100
// and insists that the service confirms each one.
//
// The sync does no transport itself: it sends each request through the
// `fetch` callable it was made with, which returns the reply body for a
// successful reply and throws for anything else. sync() blocks the calling
// thread (the host runs it off its main thread) and never has two requests
// in flight. To cancel, the host makes its fetch (or its progress handler)
// throw, AccountOperationCancelled for instance: the sync ends with that
// failure and returns nothing. The host learns how far the sync has come
// from the progress it reports before each request, and turns any failure
// into words through AccountFailureSummary.
#pragma once

#include "Platform/HTTPRequest.h"
#include "Support/Date.h"
#include "TavroCore/account/AccountProfile.h"
#include "TavroCore/account/TavroBackup.h"

#include <boost/url/url.hpp>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class TavroCloudSync {
 public:
  // Sends one request and returns the body of a successful reply; throws for
  // any other outcome. Must be safe to call from any thread.
  using Fetch = std::function<std::string(const platform::HTTPRequest&)>;
  // Performs one request and returns the reply whatever its status; throws
  // when there is no reply. The host's transport is one.
  using Perform = std::function<platform::HTTPReply(const platform::HTTPRequest&)>;
  // The time the download's deadline is measured in; tests give their own.
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // How far a sync has come, reported before each request it sends. The
  // number of pages is never known ahead (each page names the next), the
  // number of uploads only once the download is complete.
  struct Progress {
    enum class Step { downloading, uploading };
    Step step = Step::downloading;  // what the request about to go out is for
    std::size_t pagesDone = 0;      // pages received and accepted
    std::size_t uploadsDone = 0;    // uploads (up to 100 attempts each) the service confirmed
    std::optional<std::size_t> uploadsTotal;  // every upload of this sync, once known

    friend bool operator==(const Progress&, const Progress&) = default;
  };
  // Called on the thread that runs sync(); what it throws ends the sync
  // like a failed fetch.
  using ProgressHandler = std::function<void(const Progress&)>;

  struct Result {
    TavroBackup backup;  // every local attempt and every attempt only the service had, oldest first
    AccountProfile profile;  // derived from the last page
    Date syncedAt;           // the service's sync time from the last page
  };

  static constexpr std::string_view path = "/api/downloader/tavro/sync";
  static constexpr std::size_t maximumPageAttempts = 500;
  static constexpr std::size_t maximumRemoteAttempts = 100'000;
  static constexpr std::size_t maximumUploadAttempts = 100;
  // The whole download, all page bodies together. The merged attempts end up
  // in the host's archive, which is never read back beyond 64 MiB, so a
  // download beyond that could never be kept anyway; a hostile service
  // cannot make the tutor parse more than this.
  static constexpr std::size_t maximumDownloadBytes = 64 * 1024 * 1024;
  // From the first page request to the last page read. Each request has its
  // own 60-second time-out, so without this a service trickling pages could
  // hold a sync for days; an honest service sends its 200 pages at most in
  // well under a minute.
  static constexpr std::chrono::seconds maximumDownloadSeconds{600};
  static constexpr std::string_view unconfirmedMessage =
      "The account service did not confirm every completed exercise. Try Sync Now again.";
  static constexpr std::string_view slowDownloadMessage =
      "The account service took too long to send the completed exercises. Try Sync Now again "
      "later.";

  explicit TavroCloudSync(Fetch fetch, Clock clock = std::chrono::steady_clock::now)
      : fetch_(std::move(fetch)), clock_(std::move(clock)) {}

  // A fetch that sends each request through `perform` (the host passes its
  // transport): the body of a 2xx reply; any other status throws
  // AccountService::httpFailure(status, the request's path, body), which
  // marks a 401 as an unauthorized session. What `perform` throws (a
  // transport's platform::HTTPTransportFailure) passes on unchanged.
  static Fetch fetchThrough(Perform perform);

  // Reports the sync's progress to `handler` from now on (before each
  // request: first the page requests, then the uploads).
  void setProgressHandler(ProgressHandler handler) { progress_ = std::move(handler); }

  // The account service origin followed by "/api/downloader/tavro/sync".
  static boost::urls::url endpoint();

  // GET endpoint, with the single query item "cursor" when `cursor` is given;
  // "Authorization: Bearer <token>", "Accept" and "Content-Type"
  // application/json, cookies off, time-out 60 seconds. Throws
  // std::invalid_argument when the token holds a control character.
  static platform::HTTPRequest pageRequest(std::string_view token,
                                           const std::optional<std::string>& cursor);

  // POST endpoint with the same headers and the body {"schemaVersion":1,
  // "attempts":[...]}. Throws BackupFailure::invalid() when an attempt is
  // outside Attempt::withinByteBounds(): the service could never page such
  // an attempt back, so it is never put into a body.
  static platform::HTTPRequest uploadRequest(std::string_view token,
                                             const std::vector<Attempt>& attempts);

  // One whole sync for the signed-in `profile` with its session `token`;
  // `local` holds the local attempts and must be made for `profile.id`. The
  // arguments are never changed; the first failure ends the sync and no
  // partial result is returned. Failures:
  // - BackupFailure::invalid(): a token not of 64 characters 0-9 a-f, an
  //   invalid profile, `local` or a remote attempt or the merged list outside
  //   the backup limits, a page of another account or with a conflicting
  //   address, a page "schemaVersion" other than 1 or more than 500 attempts,
  //   an attempt identifier repeated across the download, more than 100,000
  //   remote attempts, a "syncedAt" that is not an internet date-time, a
  //   "nextCursor" that is not a UUID, is repeated or comes with no attempts,
  //   pages adding up to more than maximumDownloadBytes (checked as each
  //   page arrives, before it is read);
  // - AccountServiceFailure: a page that is not a reply document (over
  //   128,000 bytes, not a JSON object, or with a member "error"), a page
  //   without a usable identity, an acknowledgement that does not list
  //   exactly its chunk's identifiers (unconfirmedMessage), or pages still
  //   coming maximumDownloadSeconds after the first request
  //   (slowDownloadMessage; checked between pages, so a request in flight
  //   is ended by its own time-out);
  // - json::DecodingError: a page or acknowledgement whose members do not
  //   have their types;
  // - whatever `fetch` or the progress handler throws, unchanged.
  // A page is first checked as a reply document and only then read as a
  // page, so an error reply that reached the sync gets the account message.
  Result sync(std::string_view token, const TavroBackup& local, const AccountProfile& profile,
              Date now = Date::now()) const;

 private:
  Fetch fetch_;
  Clock clock_;
  ProgressHandler progress_;
};

}  // namespace tavro
