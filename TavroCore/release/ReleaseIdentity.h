// Which application this build is: the identity an update must carry and the
// version and build the host compares feed entries against.
#pragma once

#include <string_view>

namespace tavro::ReleaseIdentity {

// The application's bundle identifier; feeds, manifests and candidate
// bundles must name exactly this one.
inline constexpr std::string_view bundleID = "com.brelva.tavro";

// The version and build of this build of the application.
inline constexpr std::string_view version = "1.6.3";
inline constexpr std::string_view build = "18";

}  // namespace tavro::ReleaseIdentity
