// codesign: checks or makes the code signature of an application bundle.
//   codesign --verify --deep --strict PATH
//   codesign --sign KEY.pem --cert CERT.pem PATH
// Silent with exit status 0 on success; otherwise one line on standard
// error and exit status 1 (2 for a wrong command line).
#include "Platform/CodeSignature.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

int usage() {
  std::fputs("usage: codesign --verify --deep --strict PATH\n"
             "       codesign --sign KEY.pem --cert CERT.pem PATH\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() == 4 && arguments[0] == "--verify" && arguments[1] == "--deep" &&
        arguments[2] == "--strict") {
      tavro::platform::codeSignature::verify(arguments[3]);
      return 0;
    }
    if (arguments.size() == 5 && arguments[0] == "--sign" && arguments[2] == "--cert") {
      tavro::platform::codeSignature::sign(arguments[4], arguments[1], arguments[3]);
      return 0;
    }
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "codesign: %s: %s\n", arguments.back().c_str(), failure.what());
    return 1;
  }
  return usage();
}
