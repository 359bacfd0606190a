#include "TavroCore/release/DownloadAddress.h"

#include "Support/Text.h"
#include "TavroCore/Configuration.h"

#include <algorithm>

namespace tavro::DownloadAddress {

bool onDownloadHost(boost::urls::url_view url) {
  if (!url.has_scheme() || url.scheme() != "https") return false;
  // As written: a percent-encoded spelling of the host is not the host.
  if (std::string_view(url.encoded_host()) != configuration::downloadHost()) return false;
  if (url.has_port() && url.port() != "443") return false;
  return !url.has_userinfo() && !url.has_fragment();
}

bool inToolsFolder(boost::urls::url_view url) {
  constexpr std::string_view folder = "/tools/";
  return url.encoded_path().starts_with(folder) && path(url).starts_with(folder);
}

std::string path(boost::urls::url_view url) {
  return url.path();
}

std::string pathExtension(boost::urls::url_view url) {
  std::string decoded = path(url);
  std::string_view name = decoded;
  name.remove_prefix(std::min(name.size(), name.rfind('/') + 1));
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return std::string(name.substr(dot + 1));
}

std::vector<std::string> pathPieces(boost::urls::url_view url) {
  std::string decoded = path(url);
  std::vector<std::string> pieces;
  for (std::string_view piece : text::split(decoded, '/')) {
    if (!piece.empty()) pieces.emplace_back(piece);
  }
  return pieces;
}

}  // namespace tavro::DownloadAddress
