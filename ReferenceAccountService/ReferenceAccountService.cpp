#include "ReferenceAccountService/ReferenceAccountService.h"

#include "Support/Json.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/account/TavroBackup.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <stdexcept>

namespace tavro::reference {
namespace {

constexpr std::size_t maximumPageAttempts = 500;
// The attempts of a page stay well inside the client's 128,000-byte limit,
// leaving room for the rest of the page.
constexpr std::size_t maximumPageAttemptBytes = 120'000;
constexpr std::size_t maximumUploadAttempts = 100;
constexpr std::size_t maximumRequestBytes = 1 << 20;

std::string isoNow() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char buffer[40];
  std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(buffer + length, sizeof buffer - length, ".%03dZ", static_cast<int>(milliseconds));
  return buffer;
}

json::OrderedJson userObject(const AccountProfile& profile) {
  return {{"id", profile.id}, {"name", profile.name}, {"email", profile.email}};
}

void reply(httplib::Response& response, int status, const std::string& body,
           const char* type = "application/json") {
  response.status = status;
  response.set_content(body, type);
}

void replyError(httplib::Response& response, int status, const std::string& message,
                const std::string& code = "") {
  json::OrderedJson body = {{"error", message}};
  if (!code.empty()) body["code"] = code;
  reply(response, status, json::encode(body));
}

// The session's account, or a 401 already written.
std::optional<std::pair<AccountProfile, std::string>> authorize(ServiceStore& store,
                                                                const httplib::Request& request,
                                                                httplib::Response& response) {
  std::string header = request.get_header_value("Authorization");
  constexpr std::string_view prefix = "Bearer ";
  if (header.rfind(prefix, 0) == 0) {
    std::string token = header.substr(prefix.size());
    if (auto account = store.accountOfToken(token)) return std::make_pair(*account, token);
  }
  replyError(response, 401, "The session is not valid. Sign in again.");
  return std::nullopt;
}

// Breaks the request's TCP connection with a reset: the socket is found
// among this process's descriptors by its two ports, and disconnected, which
// on Linux sends RST. The server then fails to write its reply and drops the
// connection.
void resetConnection(const httplib::Request& request) {
  DIR* directory = ::opendir("/proc/self/fd");
  if (!directory) return;
  while (dirent* entry = ::readdir(directory)) {
    char* end = nullptr;
    long fd = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || fd < 0) continue;
    struct stat status {};
    if (::fstat(static_cast<int>(fd), &status) != 0 || !S_ISSOCK(status.st_mode)) continue;
    sockaddr_in local{};
    sockaddr_in peer{};
    socklen_t localSize = sizeof local;
    socklen_t peerSize = sizeof peer;
    if (::getsockname(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        ::getpeername(static_cast<int>(fd), reinterpret_cast<sockaddr*>(&peer), &peerSize) != 0)
      continue;
    if (local.sin_family != AF_INET || ntohs(local.sin_port) != request.local_port ||
        ntohs(peer.sin_port) != request.remote_port)
      continue;
    linger abort{1, 0};
    ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    sockaddr disconnect{};
    disconnect.sa_family = AF_UNSPEC;
    ::connect(static_cast<int>(fd), &disconnect, sizeof disconnect);
  }
  ::closedir(directory);
}

// Announces the whole body but sends only its first half, then drops the
// connection.
void replyTruncated(httplib::Response& response, std::string body) {
  std::size_t length = body.size();
  response.status = 200;
  response.set_content_provider(
      length, "application/json",
      [body = std::move(body)](std::size_t offset, std::size_t, httplib::DataSink& sink) {
        if (offset == 0) sink.write(body.data(), body.size() / 2);
        return false;
      });
}

// Applies a fault that answers without the normal reply; true when it did.
bool answerWithStatusFault(ReferenceAccountService::Fault fault, httplib::Response& response) {
  using Fault = ReferenceAccountService::Fault;
  switch (fault) {
    case Fault::unauthorized:
      replyError(response, 401, "The session has expired. Sign in again.");
      return true;
    case Fault::securityCheck:
      replyError(response, 428, "A security check is required.", "SEC-428");
      return true;
    case Fault::serverErrorHTML:
      reply(response, 500, "<html><body><h1>500 Internal Server Error</h1></body></html>",
            "text/html");
      return true;
    default:
      return false;
  }
}

}  // namespace

ReferenceAccountService::ReferenceAccountService(Options options)
    : options_(std::move(options)), store_(options_.database) {}

ReferenceAccountService::~ReferenceAccountService() {
  stop();
}

void ReferenceAccountService::injectFault(Fault fault, Target target, int after) {
  std::lock_guard lock(mutex_);
  faults_.push_back({fault, target, after});
}

std::size_t ReferenceAccountService::pendingFaults() {
  std::lock_guard lock(mutex_);
  return faults_.size();
}

std::optional<ReferenceAccountService::Fault> ReferenceAccountService::takeFault(Target target) {
  std::lock_guard lock(mutex_);
  std::optional<Fault> due;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (it->target != target) {
      ++it;
    } else if (it->after == 0 && !due) {
      due = it->fault;
      it = faults_.erase(it);
    } else {
      if (it->after > 0) --it->after;
      ++it;
    }
  }
  return due;
}

int ReferenceAccountService::start() {
  if (running_) throw std::logic_error("the service is already running");
  // Writing to a connection the peer (or a reset fault) has closed must be
  // an error the server handles, not a signal that ends the process.
  std::signal(SIGPIPE, SIG_IGN);
  server_ = std::make_unique<httplib::SSLServer>(options_.certificate.c_str(),
                                                 options_.privateKey.c_str());
  if (!server_->is_valid())
    throw std::runtime_error("cannot load the service's certificate and key");
  server_->set_payload_max_length(maximumRequestBytes);
  installRoutes();
  int port = server_->bind_to_any_port("127.0.0.1");
  if (port <= 0) throw std::runtime_error("cannot bind a port on 127.0.0.1");
  running_ = true;
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // The server honours stop() only once its accept loop runs; a service
  // stopped right after it started would otherwise wait for ever on a loop
  // that began after the stop. Wait for the loop (bounded: a listen that
  // fails ends the thread without ever running).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!server_->is_running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  watchdog_ = std::thread([this] {
    std::unique_lock lock(mutex_);
    stopping_.wait_for(lock, options_.lifetime, [this] { return !running_; });
    server_->stop();
  });
  return port;
}

void ReferenceAccountService::stop() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  stopping_.notify_all();
  if (watchdog_.joinable()) watchdog_.join();
  if (thread_.joinable()) thread_.join();
}

void ReferenceAccountService::installRoutes() {
  // Every handler's time is added up, so benchmarks can tell the service's
  // share of a sync from the transport's.
  auto timed = [this](auto handler) {
    return [this, handler](const httplib::Request& request, httplib::Response& response) {
      auto start = std::chrono::steady_clock::now();
      handler(request, response);
      handlerNanoseconds_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
    };
  };

  server_->Post(
      "/api/downloader/auth",
      timed([this](const httplib::Request& request, httplib::Response& response) {
        try {
          json::Document document = json::Document::parse(request.body);
          json::Object body = document.root().object();
          std::optional<std::string> token =
              store_.exchangeCode(body.string("code"), body.string("verifier"));
          if (!token) return replyError(response, 400, "The sign-in code is not valid.");
          std::optional<AccountProfile> account = store_.accountOfToken(*token);
          reply(response, 200, json::encode({{"token", *token}, {"user", userObject(*account)}}));
        } catch (const json::DecodingError&) {
          replyError(response, 400, "The request is not valid.");
        }
      }));

  server_->Get("/api/downloader/profile",
               timed([this](const httplib::Request& request, httplib::Response& response) {
                 auto session = authorize(store_, request, response);
                 if (!session) return;
                 reply(response, 200, json::encode({{"user", userObject(session->first)}}));
               }));

  server_->Get(
      "/api/downloader/activity",
      timed([this](const httplib::Request& request, httplib::Response& response) {
        auto session = authorize(store_, request, response);
        if (!session) return;
        json::OrderedJson devices = json::OrderedJson::array();
        for (const DeviceRecord& device : store_.devices(session->first.id, session->second)) {
          devices.push_back({{"id", device.id},
                             {"device", device.device},
                             {"platform", device.platform},
                             {"current", device.current},
                             {"active", true},
                             {"client", "BRELVA Tavro"},
                             {"loginAt", device.loginAt},
                             {"lastSeen", device.lastSeen}});
        }
        reply(response, 200, json::encode({{"devices", devices}}));
      }));

  server_->Get("/api/downloader/tavro/sync",
               timed([this](const httplib::Request& request, httplib::Response& response) {
                 auto session = authorize(store_, request, response);
                 if (!session) return;
                 const AccountProfile& account = session->first;
                 std::optional<Fault> fault = takeFault(Target::page);
                 if (fault && answerWithStatusFault(*fault, response)) return;
                 if (fault == Fault::connectionReset) return resetConnection(request);

                 std::optional<std::string> cursor;
                 if (request.has_param("cursor")) cursor = request.get_param_value("cursor");
                 std::optional<PageSlice> slice =
                     store_.page(account.id, cursor, maximumPageAttempts, maximumPageAttemptBytes);
                 if (!slice) return replyError(response, 400, "The cursor is not known.");
                 if (fault == Fault::repeatedCursor && cursor) slice->nextCursor = cursor;

                 std::string body = "{\"schemaVersion\":1,\"attempts\":[";
                 for (std::size_t i = 0; i < slice->attempts.size(); ++i) {
                   if (i > 0) body += ',';
                   body += slice->attempts[i];
                 }
                 body += "]";
                 if (slice->nextCursor)
                   body += ",\"nextCursor\":" + json::encode(*slice->nextCursor);
                 body += ",\"syncedAt\":" + json::encode(isoNow());
                 AccountProfile owner = account;
                 if (fault == Fault::foreignPage)
                   owner =
                       AccountProfile(account.id + "-other", "Someone Else", "someone@example.com");
                 body += ",\"user\":" + json::encode(userObject(owner));
                 if (fault == Fault::oversizedPage)
                   body += ",\"padding\":\"" + std::string(130'000, 'x') + "\"";
                 body += "}";
                 if (fault == Fault::truncatedBody)
                   return replyTruncated(response, std::move(body));
                 reply(response, 200, body);
               }));

  server_->Post(
      "/api/downloader/tavro/sync",
      timed([this](const httplib::Request& request, httplib::Response& response) {
        auto session = authorize(store_, request, response);
        if (!session) return;
        const AccountProfile& account = session->first;
        std::optional<Fault> fault = takeFault(Target::upload);
        if (fault && answerWithStatusFault(*fault, response)) return;

        std::vector<Attempt> attempts;
        try {
          json::Document document = json::Document::parse(request.body);
          json::Object body = document.root().object();
          json::Array list = body.array("attempts");
          if (body.integer("schemaVersion") != 1 || list.size() > maximumUploadAttempts)
            return replyError(response, 400, "The upload is not valid.");
          for (const json::Value& value : list.elements())
            attempts.push_back(Attempt::decode(value));
          TavroBackup(account.id, attempts, JLPTLevel::n5, false, Date{}).validated(account.id);
        } catch (const json::DecodingError&) {
          return replyError(response, 400, "The upload is not valid.");
        } catch (const BackupFailure&) {
          return replyError(response, 400, "The upload holds an attempt outside the limits.");
        }

        if (fault == Fault::acknowledgementMissingID && !attempts.empty()) attempts.pop_back();
        json::OrderedJson accepted = json::OrderedJson::array();
        for (const Uuid& id : store_.store(account.id, attempts)) accepted.push_back(id.text());
        std::string body = json::encode({{"accepted", accepted}});
        if (fault == Fault::connectionReset) return resetConnection(request);
        if (fault == Fault::truncatedBody) return replyTruncated(response, std::move(body));
        reply(response, 200, body);
      }));
}

}  // namespace tavro::reference
