// The host's HTTP transport over libcurl: performs an HTTPRequest exactly as
// written (method, headers in order, body, time-out) and returns the status
// and body of the reply. It is our stand-in for the platform's URL session.
//
// Safety rules it keeps whatever the request says:
// - TLS peers are always verified (certificate chain and host name) and only
//   https is spoken, so the session token never travels in clear;
// - redirects are never followed: a 3xx is returned as the reply it is;
// - no cookie is ever sent or stored, and no compressed encoding is asked
//   for (a small compressed reply cannot unpack into a large one);
// - the body is bounded while it is read: a reply announcing or sending more
//   than maximumBodyBytes is abandoned at that point;
// - a connection that closes, resets or breaks off is never taken for a
//   reply, and a request that may have reached the server is never sent
//   again (an upload must not be stored twice behind the caller's back).
//
// A transport keeps its connection between requests, so a sync of hundreds
// of requests pays for one TCP connection, one TLS handshake and one read of
// the trust store rather than one of each per request. A connection found
// closed before a request is written is replaced by a fresh one. Copies of a
// transport share its connection and take turns on it.
// Transport failures are HTTPTransportFailure (declared beside the request,
// so that code which only sorts failures needs no transport), whose message
// names the cause and never repeats a header (so never the token) or the
// body.
#pragma once

#include "Platform/HTTPRequest.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tavro::platform {

class HTTPTransport {
 public:
  struct Options {
    // The largest reply body accepted: the account service's largest reply
    // (128,000 bytes) with room to spare.
    std::size_t maximumBodyBytes = 256 * 1024;
    // Extra certificate authorities (a PEM file) trusted instead of the
    // system's; for tests and development services.
    std::optional<std::filesystem::path> certificateAuthorities;
    // libcurl connect-to mappings ("HOST:PORT:CONNECT-HOST:CONNECT-PORT"):
    // the request keeps its URL, host name and TLS name while the connection
    // goes elsewhere. For tests against a local service.
    std::vector<std::string> connectTo;
    // Polled while a request runs; returning true abandons it with the
    // cause `cancelled`. Must be safe to call from the transport's thread.
    std::function<bool()> cancelled;
  };

  HTTPTransport();
  explicit HTTPTransport(Options options);

  // Performs `request` and returns the reply whatever its status. Throws
  // HTTPTransportFailure for transport failures and std::invalid_argument
  // for a request it cannot perform as written (cookies asked for, or a URL
  // that is not https). A request waits while a copy of this transport
  // performs another on the shared connection.
  HTTPReply perform(const HTTPRequest& request) const;

  // perform(request): a transport is itself a callable from request to
  // reply, the form in which hosts hand it to the core's fetch helpers.
  HTTPReply operator()(const HTTPRequest& request) const { return perform(request); }

 private:
  struct Connection;

  Options options_;
  std::shared_ptr<Connection> connection_;
};

}  // namespace tavro::platform
