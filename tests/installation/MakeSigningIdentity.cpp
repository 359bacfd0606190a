// tavro-make-signing-identity DIRECTORY NAME: writes NAME.key.pem and
// NAME.cert.pem (a fresh P-256 key and a self-signed certificate) and prints
// the certificate's SHA-256.
#include "installation/BundleFixture.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tavro-make-signing-identity DIRECTORY NAME\n", stderr);
    return 2;
  }
  try {
    auto identity = tavro::testing::SigningIdentity::create(argv[1], argv[2]);
    std::printf("%s\n", identity.certificateSHA256.c_str());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tavro-make-signing-identity: %s\n", failure.what());
    return 1;
  }
  return 0;
}
