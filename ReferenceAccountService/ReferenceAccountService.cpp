#include "ReferenceAccountService/ReferenceAccountService.h"

#include "ReferenceAccountService/ServiceRequests.h"
#include "Support/JsonEncoding.h"
#include "TavroCore/account/AccountBrowserLogin.h"
#include "TavroCore/account/QueryText.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <stdexcept>
#include <variant>

namespace tavro::reference {
namespace {

constexpr std::string_view signInPath = "/api/downloader/auth";
constexpr std::string_view syncPath = "/api/downloader/tavro/sync";
// The browser sign-in page the tutor opens, and the form it posts back.
constexpr std::string_view signInPagePath = "/account";
// Benchmarks only (Options::anchorRoute).
constexpr std::string_view anchorPath = "/bench/anchor";
constexpr std::size_t maximumAnchorBytes = 256 * 1024;
// Far more than any client of ours sends; a request over it is refused
// before its headers are stored, let alone routed.
constexpr std::size_t maximumHeaderCount = 64;

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

// A request body read up to `limit` bytes, or the status that refuses it:
// 413 as soon as it passes the limit (announced or as it arrives, chunked or
// not), 400 when it breaks off. Nothing past the limit is read.
struct Body {
  std::string bytes;
  int refusal = 0;
};

Body readBody(const httplib::Request& request, const httplib::ContentReader& reader,
              std::size_t limit) {
  Body body;
  const bool chunked = request.get_header_value("Transfer-Encoding") == "chunked";
  if (request.has_header("Transfer-Encoding") && !chunked) {
    body.refusal = 400;
    return body;
  }
  // Without either header a request has no body; the server would wait
  // for the connection to end instead.
  if (!chunked && !request.has_header("Content-Length")) return body;
  if (request.has_header("Content-Length")) {
    // The server itself would skip an announced body over its limit by
    // reading all of it; refuse it unread instead.
    const std::string announced = request.get_header_value("Content-Length");
    char* end = nullptr;
    errno = 0;
    unsigned long long length = std::strtoull(announced.c_str(), &end, 10);
    if (announced.empty() || *end != '\0' || errno == ERANGE || length > limit) {
      body.refusal = 413;
      return body;
    }
    body.bytes.reserve(static_cast<std::size_t>(length));
  }
  bool tooLarge = false;
  bool complete = reader([&](const char* data, std::size_t length) {
    if (length > limit - body.bytes.size()) {
      tooLarge = true;
      return false;
    }
    body.bytes.append(data, length);
    return true;
  });
  if (tooLarge) body.refusal = 413;
  else if (!complete) body.refusal = 400;
  return body;
}

// Text for an HTML page: the five characters that could end an element or an
// attribute value are written as references.
std::string htmlEscaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The sign-in pages are HTML without a script: nothing may run, nothing be
// loaded from elsewhere, and no other site may frame the approval button.
void replyPage(httplib::Response& response, int status, const std::string& title,
               const std::string& content) {
  response.status = status;
  response.set_header("Content-Security-Policy", "default-src 'none'; frame-ancestors 'none'");
  response.set_header("X-Frame-Options", "DENY");
  response.set_header("Cache-Control", "no-store");
  response.set_header("Referrer-Policy", "no-referrer");
  response.set_content("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                           htmlEscaped(title) + "</title></head><body>\n" + content +
                           "</body></html>\n",
                       "text/html; charset=utf-8");
}

// A refused sign-in page: a plain sentence that repeats nothing it was sent.
void refusePage(httplib::Response& response, SignInPageRefusal refusal) {
  const char* message = "The sign-in request is not valid.";
  switch (refusal) {
    case SignInPageRefusal::malformed:
      break;
    case SignInPageRefusal::repeatedItem:
      message = "The sign-in request names an item twice.";
      break;
    case SignInPageRefusal::unknownApp:
      message = "The sign-in request is not for Tavro.";
      break;
    case SignInPageRefusal::foreignRedirect:
      message = "The sign-in request's redirect_uri is not the Tavro callback.";
      break;
    case SignInPageRefusal::invalidState:
      message = "The sign-in request's state is not valid.";
      break;
    case SignInPageRefusal::invalidChallenge:
      message = "The sign-in request's challenge is not valid.";
      break;
    case SignInPageRefusal::invalidAccount:
      message = "Give an e-mail address and a name of at most 256 characters.";
      break;
  }
  reply(response, 400, std::string(message) + "\n", "text/plain; charset=utf-8");
}

// The approval form: the page's own items go back as hidden fields, so the
// form posts exactly what the tutor asked for.
std::string approvalForm(const SignInPageRequest& page) {
  auto hidden = [](std::string_view name, std::string_view value) {
    return "<input type=\"hidden\" name=\"" + htmlEscaped(name) + "\" value=\"" +
           htmlEscaped(value) + "\">\n";
  };
  return "<h1>Sign in to Tavro</h1>\n"
         "<p>The Tavro typing tutor asks to sign in. This development service signs in the "
         "account with the address below, and makes it when there is none.</p>\n"
         "<form method=\"post\" action=\"" +
         std::string(signInPagePath) + "\">\n" + hidden("app", "tavro") +
         hidden("state", page.state) + hidden("challenge", page.challenge) +
         hidden("redirect_uri", AccountBrowserLogin::callbackURL) +
         "<p><label>E-mail address <input type=\"email\" name=\"email\" required "
         "maxlength=\"320\"></label></p>\n"
         "<p><label>Name <input type=\"text\" name=\"name\" required maxlength=\"256\">"
         "</label></p>\n"
         "<p><button type=\"submit\">Approve</button></p>\n</form>\n";
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
  server_.reset();
  guard_ = std::make_unique<ConnectionGuard>(options_.connectionLimits);
  server_ = std::make_unique<httplib::SSLServer>(options_.certificate.c_str(),
                                                 options_.privateKey.c_str());
  if (!server_->is_valid())
    throw std::runtime_error("cannot load the service's certificate and key");
  guard_->watch(server_->ssl_context());
  // The server's own pool has as many threads as cores (at least 8): a few
  // slow clients would hold all of them.
  const std::size_t connections = options_.maximumConnections;
  server_->new_task_queue = [connections] { return newConnectionPool(connections); };
  server_->set_payload_max_length(limits::maximumUploadBytes);
  // A sync is hundreds of requests back to back: each would otherwise pay
  // for a new connection and handshake (the server's default closes a
  // connection after 5 requests), and each small write would wait for the
  // client's delayed acknowledgement. Idle connections still end by the
  // guard's deadline.
  server_->set_keep_alive_max_count(std::numeric_limits<std::size_t>::max());
  server_->set_tcp_nodelay(true);
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
  // Connections still open (idle, or a client that went quiet) would hold
  // the server's clean-up until their deadlines.
  if (guard_) guard_->cutAll();
  if (thread_.joinable()) thread_.join();
}

void ReferenceAccountService::installRoutes() {
  // Before any body is read: too many headers, or a body on a request that
  // takes none (the server would read it whole, chunked, before routing),
  // are refused, and the connection closed so the unread rest is never
  // taken for a next request.
  server_->set_pre_routing_handler([this](const httplib::Request& request,
                                          httplib::Response& response) {
    guard_->headersRead(request.ssl);
    if (request.headers.size() > maximumHeaderCount) {
      replyError(response, 431, "The request has too many header fields.");
      response.set_header("Connection", "close");
      return httplib::Server::HandlerResponse::Handled;
    }
    const bool takesBody =
        request.method == "POST" &&
        (request.path == signInPath || request.path == syncPath || request.path == signInPagePath ||
         (options_.anchorRoute && request.path == anchorPath));
    const bool hasBody = request.has_header("Transfer-Encoding") ||
                         (request.has_header("Content-Length") &&
                          request.get_header_value("Content-Length") != "0");
    if (hasBody && !takesBody) {
      replyError(response, 413, "This request takes no body.");
      response.set_header("Connection", "close");
      return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });
  // Runs once the answer is written: the connection awaits its next
  // request, unless the answer left a body unread.
  server_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    guard_->answered(request.ssl, response.get_header_value("Connection") == "close");
  });

  // Every handler's time is added up, so benchmarks can tell the service's
  // share of a sync from the transport's.
  auto timed = [this](auto handler) {
    return [this, handler](const httplib::Request& request, httplib::Response& response) {
      ++handledRequests_;
      guard_->working(request.ssl);
      auto start = std::chrono::steady_clock::now();
      handler(request, response);
      handlerNanoseconds_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
    };
  };
  // The same for a request with a body, which the handler reads itself,
  // after its own checks and only up to its limit. The service's time
  // starts once the body is in.
  auto timedWithBody = [this](auto handler) {
    return [this, handler](const httplib::Request& request, httplib::Response& response,
                           const httplib::ContentReader& reader) {
      ++handledRequests_;
      auto start = std::chrono::steady_clock::now();
      handler(request, response, reader);
      handlerNanoseconds_ += std::chrono::duration_cast<std::chrono::nanoseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
    };
  };
  // A refusal that leaves (some of) the body unread closes the connection.
  auto refuseBody = [](httplib::Response& response, int status) {
    if (status == 413)
      replyError(response, 413, "The request body is too large.");
    else
      replyError(response, 400, "The request is not valid.");
    response.set_header("Connection", "close");
  };

  server_->Post(
      std::string(signInPath),
      timedWithBody([this, refuseBody](const httplib::Request& request,
                                       httplib::Response& response,
                                       const httplib::ContentReader& reader) {
        Body body = readBody(request, reader, limits::maximumSignInBytes);
        if (body.refusal) return refuseBody(response, body.refusal);
        guard_->working(request.ssl);
        std::optional<SignInBody> signIn = parseSignInBody(body.bytes);
        if (!signIn) return replyError(response, 400, "The request is not valid.");
        std::optional<std::string> token = store_.exchangeCode(signIn->code, signIn->verifier);
        if (!token) return replyError(response, 400, "The sign-in code is not valid.");
        std::optional<AccountProfile> account = store_.accountOfToken(*token);
        reply(response, 200, json::encode({{"token", *token}, {"user", userObject(*account)}}));
      }));
  // The browser sign-in page: opened by the tutor with its state and
  // challenge, it asks who signs in.
  server_->Get(std::string(signInPagePath),
               timed([](const httplib::Request& request, httplib::Response& response) {
                 const std::size_t mark = request.target.find('?');
                 const std::string_view query =
                     mark == std::string::npos ? std::string_view()
                                               : std::string_view(request.target).substr(mark + 1);
                 auto page = parseSignInPageQuery(query);
                 if (const SignInPageRefusal* refusal = std::get_if<SignInPageRefusal>(&page))
                   return refusePage(response, *refusal);
                 replyPage(response, 200, "Sign in to Tavro",
                           approvalForm(std::get<SignInPageRequest>(page)));
               }));
  // Its form approves: the account of the address (made when new) gets a
  // sign-in code bound to the page's challenge, and the browser goes to the
  // tutor's callback with the state and the code. The callback is always
  // the tutor's own: the page never sends a browser anywhere it was told.
  server_->Post(
      std::string(signInPagePath),
      timedWithBody([this, refuseBody](const httplib::Request& request, httplib::Response& response,
                                       const httplib::ContentReader& reader) {
        const std::string type = request.get_header_value("Content-Type");
        if (type.substr(0, type.find(';')) != "application/x-www-form-urlencoded") {
          refusePage(response, SignInPageRefusal::malformed);
          response.set_header("Connection", "close");
          return;
        }
        Body body = readBody(request, reader, limits::maximumSignInFormBytes);
        if (body.refusal) return refuseBody(response, body.refusal);
        guard_->working(request.ssl);
        auto approval = parseSignInApprovalForm(body.bytes);
        if (const SignInPageRefusal* refusal = std::get_if<SignInPageRefusal>(&approval))
          return refusePage(response, *refusal);
        const SignInApproval& approved = std::get<SignInApproval>(approval);
        const AccountProfile account = store_.accountWithEmail(approved.email, approved.name);
        const std::string code =
            store_.addSignInCodeForChallenge(account.id, approved.page.challenge);
        const std::string callback =
            std::string(AccountBrowserLogin::callbackURL) + "?" +
            querytext::items({{"state", approved.page.state}, {"code", code}});
        replyPage(response, 303, "Back to Tavro",
                  "<p>Signed in as " + htmlEscaped(account.email) + ". <a href=\"" +
                      htmlEscaped(callback) + "\">Return to Tavro</a></p>\n");
        response.set_header("Location", callback);
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
                     store_.page(account.id, cursor, limits::maximumPageAttempts,
                                 limits::maximumPageAttemptBytes);
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

  if (options_.anchorRoute) {
    auto anchorReply = [](const httplib::Request& request, httplib::Response& response) {
      std::size_t bytes = 0;
      if (request.has_param("bytes")) {
        const std::string text = request.get_param_value("bytes");
        char* end = nullptr;
        errno = 0;
        unsigned long long value = std::strtoull(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno == ERANGE || value > maximumAnchorBytes)
          return replyError(response, 400, "The request is not valid.");
        bytes = static_cast<std::size_t>(value);
      }
      reply(response, 200, std::string(bytes, ' '));
    };
    server_->Get(std::string(anchorPath), timed(anchorReply));
    server_->Post(std::string(anchorPath),
                  timedWithBody([this, refuseBody, anchorReply](
                                    const httplib::Request& request, httplib::Response& response,
                                    const httplib::ContentReader& reader) {
                    Body body = readBody(request, reader, limits::maximumUploadBytes);
                    if (body.refusal) return refuseBody(response, body.refusal);
                    guard_->working(request.ssl);
                    anchorReply(request, response);
                  }));
  }

  server_->Post(
      std::string(syncPath),
      timedWithBody([this, refuseBody](const httplib::Request& request,
                                       httplib::Response& response,
                                       const httplib::ContentReader& reader) {
        // The session first: without one, not a byte of the body is read.
        auto session = authorize(store_, request, response);
        if (!session) {
          response.set_header("Connection", "close");
          return;
        }
        Body body = readBody(request, reader, limits::maximumUploadBytes);
        if (body.refusal) return refuseBody(response, body.refusal);
        guard_->working(request.ssl);
        const AccountProfile& account = session->first;
        std::optional<Fault> fault = takeFault(Target::upload);
        if (fault && answerWithStatusFault(*fault, response)) return;

        auto parsed = parseUploadBody(body.bytes, account.id);
        if (const UploadRefusal* refusal = std::get_if<UploadRefusal>(&parsed)) {
          return replyError(response, 400,
                            *refusal == UploadRefusal::malformed
                                ? "The upload is not valid."
                                : "The upload holds an attempt outside the limits.");
        }
        std::vector<Attempt>& attempts = std::get<std::vector<Attempt>>(parsed);

        if (fault == Fault::acknowledgementMissingID && !attempts.empty()) attempts.pop_back();
        // Only what the account now holds as sent is acknowledged; an
        // identifier it holds for another attempt is reported, not stored.
        StoreOutcome outcome = store_.store(account.id, attempts);
        json::OrderedJson accepted = json::OrderedJson::array();
        for (const Uuid& id : outcome.accepted) accepted.push_back(id.text());
        json::OrderedJson answer = {{"accepted", accepted}};
        if (!outcome.rejected.empty()) {
          json::OrderedJson rejected = json::OrderedJson::array();
          for (const Uuid& id : outcome.rejected) rejected.push_back(id.text());
          answer["rejected"] = rejected;
        }
        std::string text = json::encode(answer);
        if (fault == Fault::connectionReset) return resetConnection(request);
        if (fault == Fault::truncatedBody) return replyTruncated(response, std::move(text));
        reply(response, 200, text);
      }));
}

}  // namespace tavro::reference
