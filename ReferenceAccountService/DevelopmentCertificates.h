// A certificate authority and a server certificate made on the spot with
// OpenSSL, for running the reference service under the account service's
// host name on this machine. Valid for one day.
#pragma once

#include <filesystem>
#include <string>

namespace tavro::reference {

// Writes ca.pem (the authority a client must trust), server.pem and
// server.key (for `host`, signed by that authority) into `folder`, each a
// fresh P-256 key. Throws std::runtime_error.
void makeDevelopmentCertificates(const std::filesystem::path& folder, const std::string& host);

}  // namespace tavro::reference
