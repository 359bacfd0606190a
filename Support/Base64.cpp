#include "Support/Base64.h"

#include <openssl/evp.h>

#include <limits>

namespace tavro::base64 {
namespace {

bool inAlphabet(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/';
}

}  // namespace

std::string encode(std::string_view bytes) {
  std::string out;
  if (bytes.empty()) return out;
  // EVP_EncodeBlock takes an int length; encode in pieces of a multiple of 3.
  constexpr std::size_t piece = 3 * 1024 * 1024;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t start = 0; start < bytes.size(); start += piece) {
    std::string_view part = bytes.substr(start, piece);
    std::size_t begin = out.size();
    out.resize(begin + (part.size() + 2) / 3 * 4 + 1);
    int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + begin),
                                  reinterpret_cast<const unsigned char*>(part.data()),
                                  static_cast<int>(part.size()));
    out.resize(begin + static_cast<std::size_t>(written));
  }
  return out;
}

std::optional<std::string> decode(std::string_view text) {
  if (text.size() % 4 != 0) return std::nullopt;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return std::nullopt;
  std::size_t padding = 0;
  if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  for (std::size_t i = 0; i + padding < text.size(); ++i) {
    if (!inAlphabet(text[i])) return std::nullopt;
  }
  if (text.empty()) return std::string();
  // OpenSSL decodes whole quantums and counts padding as zero bytes, and it
  // would skip leading blanks; the checks above leave it only well-formed input.
  std::string out(text.size() / 4 * 3, '\0');
  int written = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(text.data()),
                                static_cast<int>(text.size()));
  if (written < 0 || static_cast<std::size_t>(written) != out.size()) return std::nullopt;
  out.resize(out.size() - padding);
  return out;
}

}  // namespace tavro::base64
