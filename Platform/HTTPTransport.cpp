#include "Platform/HTTPTransport.h"

#include <curl/curl.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <utility>

namespace tavro::platform {
namespace {

void initializeOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  CURL* handle = nullptr;
  std::string body;
  std::size_t limit = 0;
  bool overLimit = false;
  const std::function<bool()>* cancelled = nullptr;
  bool wasCancelled = false;
  int requestsStarted = 0;
  bool resendRefused = false;
};

std::size_t receive(char* data, std::size_t size, std::size_t count, void* context) {
  auto* transfer = static_cast<Transfer*>(context);
  std::size_t bytes = size * count;
  if (bytes > transfer->limit - transfer->body.size()) {
    transfer->overLimit = true;
    return 0;  // libcurl stops the transfer with CURLE_WRITE_ERROR
  }
  transfer->body.append(data, bytes);
  return bytes;
}

int progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(context);
  if (*transfer->cancelled && (*transfer->cancelled)()) {
    transfer->wasCancelled = true;
    return 1;
  }
  return 0;
}

// Called before each time libcurl writes the request, once per request unless
// libcurl means to send it again: it does so on a new connection when a kept
// one gave no reply at all, even for a POST whose body went out and may have
// been stored before the connection broke. That is allowed here only while
// not a byte of the request has been written (the kept connection was found
// dead when the request was to go out); otherwise the request ends as a
// reset and the caller learns that its request may have arrived.
int beforeRequest(void* context, char*, char*, int, int) {
  auto* transfer = static_cast<Transfer*>(context);
  if (++transfer->requestsStarted == 1) return CURL_PREREQFUNC_OK;
  long written = -1;
  if (transfer->requestsStarted == 2 &&
      curl_easy_getinfo(transfer->handle, CURLINFO_REQUEST_SIZE, &written) == CURLE_OK &&
      written == 0)
    return CURL_PREREQFUNC_OK;
  transfer->resendRefused = true;
  return CURL_PREREQFUNC_ABORT;
}

struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using List = std::unique_ptr<curl_slist, ListFree>;

void append(List& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (!grown) throw std::bad_alloc();
  list.release();
  list.reset(grown);
}

bool hasHeader(const HTTPRequest& request, std::string_view name) {
  return request.header(name).has_value();
}

[[noreturn]] void fail(HTTPTransportFailure::Cause cause, std::string_view what, CURLcode code) {
  // curl_easy_strerror gives a fixed text per code: no request content.
  throw HTTPTransportFailure(
      cause, "HTTP request failed: " + std::string(what) + " (" + curl_easy_strerror(code) + ")");
}

void check(CURLcode code) {
  if (code != CURLE_OK)
    fail(HTTPTransportFailure::Cause::other, "the transport could not be set up", code);
}

}  // namespace

// The libcurl handle kept between requests: it holds the open connection,
// the TLS session and the trust store read for it.
struct HTTPTransport::Connection {
  std::mutex mutex;
  CURL* handle = nullptr;

  Connection() : handle(curl_easy_init()) {
    if (!handle) throw std::bad_alloc();
  }
  ~Connection() { curl_easy_cleanup(handle); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
};

HTTPTransport::HTTPTransport() : HTTPTransport(Options{}) {}

HTTPTransport::HTTPTransport(Options options) : options_(std::move(options)) {
  initializeOnce();
  connection_ = std::make_shared<Connection>();
}

HTTPReply HTTPTransport::perform(const HTTPRequest& request) const {
  if (request.handlesCookies()) throw std::invalid_argument("The HTTP transport keeps no cookies.");
  if (request.url().rfind("https://", 0) != 0)
    throw std::invalid_argument("The HTTP transport speaks only https.");

  std::lock_guard lock(connection_->mutex);
  CURL* curl = connection_->handle;
  // Every option of the previous request goes; its connection, TLS session
  // and cached trust store stay.
  curl_easy_reset(curl);

  Transfer transfer;
  transfer.handle = curl;
  transfer.limit = options_.maximumBodyBytes;
  transfer.cancelled = &options_.cancelled;

  check(curl_easy_setopt(curl, CURLOPT_URL, request.url().c_str()));
  check(curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https"));
  check(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
  check(curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L));
  check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L));
  check(curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L));
  if (options_.certificateAuthorities)
    check(curl_easy_setopt(curl, CURLOPT_CAINFO, options_.certificateAuthorities->c_str()));
  // The trust store is one file (the system's bundle, or the authorities
  // given instead), read for the first connection and kept for the
  // transport's life rather than read again for each new connection.
  // libcurl keeps it only when no certificate folder is searched besides.
  check(curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr));
  check(curl_easy_setopt(curl, CURLOPT_CA_CACHE_TIMEOUT, -1L));
  // Requests and replies are small and back to back: without this, each
  // small write waits for the peer's delayed acknowledgement.
  check(curl_easy_setopt(curl, CURLOPT_TCP_NODELAY, 1L));
  check(curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, beforeRequest));
  check(curl_easy_setopt(curl, CURLOPT_PREREQDATA, &transfer));
  List connectTo;
  for (const std::string& mapping : options_.connectTo) append(connectTo, mapping);
  if (connectTo) check(curl_easy_setopt(curl, CURLOPT_CONNECT_TO, connectTo.get()));

  // The request's time-out bounds the whole exchange, connection included.
  double timeout = request.timeoutSeconds();
  long milliseconds = timeout >= 1e9 ? 1'000'000'000'000L : std::lround(std::ceil(timeout * 1000));
  check(curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, std::max(1L, milliseconds)));

  check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receive));
  check(curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer));
  check(curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(options_.maximumBodyBytes)));
  check(curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L));
  check(curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress));
  check(curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer));

  const std::string& method = request.method();
  if (request.body()) {
    check(curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                           static_cast<curl_off_t>(request.body()->size())));
    check(curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body()->data()));
    if (method != "POST") check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str()));
  } else if (method == "HEAD") {
    check(curl_easy_setopt(curl, CURLOPT_NOBODY, 1L));
  } else if (method != "GET") {
    check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str()));
  }

  // The request's headers in their order; libcurl's own defaults that the
  // request did not ask for are removed, so what is sent is what is written.
  List headers;
  for (const HTTPHeader& header : request.headers()) {
    // A header with an empty value needs libcurl's ";" form to be sent.
    append(headers, header.value.empty() ? header.name + ";" : header.name + ": " + header.value);
  }
  if (!hasHeader(request, "Accept")) append(headers, "Accept:");
  if (request.body() && !hasHeader(request, "Content-Type")) append(headers, "Content-Type:");
  if (!hasHeader(request, "Expect")) append(headers, "Expect:");
  check(curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get()));

  CURLcode code = curl_easy_perform(curl);
  // The handle outlives this request's lists and transfer state.
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_CONNECT_TO, nullptr);
  using Cause = HTTPTransportFailure::Cause;
  if (code != CURLE_OK && transfer.resendRefused)
    throw HTTPTransportFailure(Cause::reset,
                               "HTTP request failed: the connection closed before a reply; the "
                               "request may have arrived, so it was not sent again");
  switch (code) {
    case CURLE_OK:
      break;
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
      if (transfer.overLimit || code == CURLE_FILESIZE_EXCEEDED)
        fail(Cause::tooLarge,
             "the reply is larger than " + std::to_string(options_.maximumBodyBytes) + " bytes",
             code);
      fail(Cause::other, "the reply could not be stored", code);
    case CURLE_ABORTED_BY_CALLBACK:
      fail(transfer.wasCancelled ? Cause::cancelled : Cause::other, "the request was cancelled",
           code);
    case CURLE_COULDNT_RESOLVE_HOST:
      fail(Cause::unresolved, "the server's name could not be resolved", code);
    case CURLE_COULDNT_CONNECT:
      fail(Cause::refused, "the connection was refused", code);
    case CURLE_OPERATION_TIMEDOUT:
      fail(Cause::timedOut, "the request timed out", code);
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
      fail(Cause::reset, "the connection was reset or the reply ended early", code);
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_USE_SSL_FAILED:
      fail(Cause::insecure, "the secure connection could not be established", code);
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      fail(Cause::malformed, "the reply is not readable HTTP", code);
    default:
      fail(Cause::other, "the transfer failed", code);
  }

  long status = 0;
  check(curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status));
  return HTTPReply{status, std::move(transfer.body)};
}

}  // namespace tavro::platform
