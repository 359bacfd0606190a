#include "Platform/HTTPRequest.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tavro::platform {
namespace {

// RFC 9110 "tchar": the characters of a method or a header name.
bool isTokenCharacter(unsigned char c) {
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  return std::string_view("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

bool isToken(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
           return isTokenCharacter(static_cast<unsigned char>(c));
         });
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

HTTPRequest::HTTPRequest(std::string url) : url_(std::move(url)) {
  bool clean = !url_.empty() && std::all_of(url_.begin(), url_.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F;
  });
  if (!clean) throw std::invalid_argument("An HTTP request needs an absolute URL in ASCII without blanks.");
}

void HTTPRequest::setMethod(std::string method) {
  if (!isToken(method)) throw std::invalid_argument("An HTTP method must be a token.");
  method_ = std::move(method);
}

std::optional<std::string> HTTPRequest::header(std::string_view name) const {
  for (const HTTPHeader& header : headers_) {
    if (sameName(header.name, name)) return header.value;
  }
  return std::nullopt;
}

void HTTPRequest::setHeader(std::string name, std::string value) {
  if (!isToken(name)) throw std::invalid_argument("An HTTP header name must be a token.");
  bool clean = std::all_of(value.begin(), value.end(), [](char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 0x20 && byte != 0x7F);
  });
  // The name is a checked token and safe to show; the value may be a secret.
  if (!clean) throw std::invalid_argument("The value of the HTTP header " + name + " holds a control character.");
  for (HTTPHeader& header : headers_) {
    if (sameName(header.name, name)) {
      header = HTTPHeader{std::move(name), std::move(value)};
      return;
    }
  }
  headers_.push_back(HTTPHeader{std::move(name), std::move(value)});
}

void HTTPRequest::removeHeader(std::string_view name) {
  std::erase_if(headers_, [&](const HTTPHeader& header) { return sameName(header.name, name); });
}

void HTTPRequest::setTimeoutSeconds(double seconds) {
  if (!std::isfinite(seconds) || seconds <= 0) {
    throw std::invalid_argument("An HTTP time-out must be a positive number of seconds.");
  }
  timeoutSeconds_ = seconds;
}

}  // namespace tavro::platform
