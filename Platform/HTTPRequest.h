// The values passed between the core and the host's transport: the request
// the core builds, the reply the transport hands back and the failure it
// raises when there is no reply. None of them needs a transport, so the core
// can build requests, read replies and sort failures without linking one.
//
// An HTTP request holds the method, the absolute URL, the headers in the order
// they were first set, an optional body, a time-out, whether cookies are
// sent and stored (never, unless a caller turns it on) and the cache policy.
// Two requests are equal when every field is equal.
//
// Header names, header values and the method are checked when set, so a
// value taken from outside (a token, a device name) can never add a line to
// the request: a failed check throws std::invalid_argument whose message
// names the header but never repeats the value.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavro::platform {

// How the transport may use cached replies.
enum class HTTPCachePolicy {
  useProtocolCachePolicy,        // what the protocol's headers allow (the default)
  reloadIgnoringLocalCacheData,  // always ask the server
};

struct HTTPHeader {
  std::string name;
  std::string value;

  friend bool operator==(const HTTPHeader&, const HTTPHeader&) = default;
};

class HTTPRequest {
 public:
  static constexpr double defaultTimeoutSeconds = 60;

  // A "GET" of `url` without headers or body, time-out 60 seconds, cookies
  // off, default cache policy. Throws std::invalid_argument when `url` is
  // empty or holds a blank, a control character or a byte outside ASCII
  // (a URL carries those percent-escaped).
  explicit HTTPRequest(std::string url);

  const std::string& url() const { return url_; }

  // The method as sent, case kept ("GET", "POST", ...). Throws
  // std::invalid_argument unless it is a non-empty HTTP token.
  const std::string& method() const { return method_; }
  void setMethod(std::string method);

  // Every header in the order its name was first set.
  const std::vector<HTTPHeader>& headers() const { return headers_; }

  // The value of the header `name`, compared without regard to ASCII case.
  std::optional<std::string> header(std::string_view name) const;

  // Sets a header. A header of the same name (ignoring ASCII case) keeps its
  // place and gets the new name and value. Throws std::invalid_argument when
  // the name is not an HTTP token or the value holds a line break, NUL or any
  // other control character except the tab.
  void setHeader(std::string name, std::string value);

  // Removes the header `name` (ignoring ASCII case); nothing when absent.
  void removeHeader(std::string_view name);

  // The body; no value means the request has none (an empty body is a body).
  const std::optional<std::string>& body() const { return body_; }
  void setBody(std::optional<std::string> body) { body_ = std::move(body); }

  // Seconds the transport waits for the reply. Throws std::invalid_argument
  // unless it is finite and greater than zero.
  double timeoutSeconds() const { return timeoutSeconds_; }
  void setTimeoutSeconds(double seconds);

  // Whether the transport sends stored cookies and stores those it receives.
  bool handlesCookies() const { return handlesCookies_; }
  void setHandlesCookies(bool handles) { handlesCookies_ = handles; }

  HTTPCachePolicy cachePolicy() const { return cachePolicy_; }
  void setCachePolicy(HTTPCachePolicy policy) { cachePolicy_ = policy; }

  friend bool operator==(const HTTPRequest&, const HTTPRequest&) = default;

 private:
  std::string url_;
  std::string method_ = "GET";
  std::vector<HTTPHeader> headers_;
  std::optional<std::string> body_;
  double timeoutSeconds_ = defaultTimeoutSeconds;
  bool handlesCookies_ = false;
  HTTPCachePolicy cachePolicy_ = HTTPCachePolicy::useProtocolCachePolicy;
};

// The status and body of a reply, whatever the status.
struct HTTPReply {
  long status = 0;
  std::string body;
};

// A request that got no reply. The message names the cause and never
// repeats a header (so never a token) or the body.
class HTTPTransportFailure : public std::runtime_error {
 public:
  enum class Cause {
    unresolved,  // the host name did not resolve
    refused,     // nothing accepted the connection
    timedOut,    // the request's time-out passed
    reset,       // the connection broke or the reply ended early
    insecure,    // TLS failed: certificate, host name or handshake
    tooLarge,    // the reply body exceeds the transport's bound
    cancelled,   // the caller's cancellation check said so
    malformed,   // the reply is not HTTP the transport can read
    other,
  };

  HTTPTransportFailure(Cause cause, const std::string& message)
      : std::runtime_error(message), cause_(cause) {}
  Cause cause() const { return cause_; }

 private:
  Cause cause_;
};

}  // namespace tavro::platform
