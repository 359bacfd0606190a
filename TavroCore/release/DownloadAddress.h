// The parts of a download address that the feed and the update policy judge.
// Both accept only addresses on the maker's download host; they differ in
// what they ask of the path, so the path is offered in the pieces they read.
//
// Paths are read percent-decoded, as the download host serves them, so an
// encoded "%2E%2E" is seen as "..".
#pragma once

#include <boost/url/url_view.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace tavro::DownloadAddress {

// True when the scheme is exactly "https" (as written, case-sensitive), the
// host is exactly the compiled-in download host, there is no port or the
// port 443, and there is no user information (user name or password, even
// empty) and no fragment (even empty).
bool onDownloadHost(boost::urls::url_view url);

// True when the path begins with "/tools/", both as written and decoded
// (an encoded "%74ools" or "tools%2F" is not the tools folder).
bool inToolsFolder(boost::urls::url_view url);

// The decoded path.
std::string path(boost::urls::url_view url);

// The extension of the path's last piece: the text after its last ".",
// empty when the piece has no "." or nothing before it, and empty when the
// path ends with "/" (it names no file then).
std::string pathExtension(boost::urls::url_view url);

// The decoded path split at every "/", empty pieces dropped.
std::vector<std::string> pathPieces(boost::urls::url_view url);

}  // namespace tavro::DownloadAddress
