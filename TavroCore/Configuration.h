// Values fixed when the system is built: there are no configuration files
// and no environment variables.
#pragma once

#include <string_view>

namespace tavro::configuration {

// The maker's host that serves the release feed and update archives.
std::string_view downloadHost();

// Scheme and host on which every account service path and the sign-in page lie.
std::string_view accountServiceOrigin();

// The support page offered to users.
std::string_view supportLink();

// The maker's web domain, named where the interface sends the user to the
// maker's site (a lower-case domain name such as "brelva.example").
std::string_view webDomain();

}  // namespace tavro::configuration
