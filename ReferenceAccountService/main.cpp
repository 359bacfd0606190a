// tavro-reference-account-service: runs the reference account and sync
// service on 127.0.0.1 for development.
//
//   tavro-reference-account-service --database FILE --certificate PEM --key PEM
//       [--lifetime SECONDS] [--account ID --email ADDRESS]
//
// Prints "port PORT" once it listens, and with --account also creates that
// account (when new) and prints "token TOKEN", a session token for it. It
// stops by itself after the lifetime (default 600 seconds) or on SIGINT or
// SIGTERM.
#include "ReferenceAccountService/ReferenceAccountService.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

int main(int argc, char** argv) {
  tavro::reference::ReferenceAccountService::Options options;
  std::string accountID;
  std::string email;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string_view option = argv[i];
    std::string value = argv[i + 1];
    if (option == "--database")
      options.database = value;
    else if (option == "--certificate")
      options.certificate = value;
    else if (option == "--key")
      options.privateKey = value;
    else if (option == "--lifetime")
      options.lifetime = std::chrono::seconds(std::strtol(value.c_str(), nullptr, 10));
    else if (option == "--account")
      accountID = value;
    else if (option == "--email")
      email = value;
    else {
      std::fprintf(stderr, "tavro-reference-account-service: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (argc % 2 == 0 || options.database.empty() || options.certificate.empty() ||
      options.privateKey.empty()) {
    std::fputs(
        "usage: tavro-reference-account-service --database FILE --certificate PEM --key PEM"
        " [--lifetime SECONDS] [--account ID --email ADDRESS]\n",
        stderr);
    return 2;
  }
  if (options.lifetime.count() <= 0) options.lifetime = std::chrono::seconds(600);

  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);  // the server's threads inherit this
  try {
    tavro::reference::ReferenceAccountService service(options);
    if (!accountID.empty()) {
      if (!service.store().account(accountID))
        service.store().addAccount(tavro::AccountProfile(accountID, accountID, email));
    }
    int port = service.start();
    std::printf("port %d\n", port);
    if (!accountID.empty())
      std::printf("token %s\n", service.store().issueToken(accountID, "Development").c_str());
    std::fflush(stdout);

    // Wait for a signal or the end of the lifetime, whichever comes first.
    timespec timeout{static_cast<time_t>(options.lifetime.count()), 0};
    sigtimedwait(&signals, nullptr, &timeout);
    service.stop();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tavro-reference-account-service: %s\n", failure.what());
    return 1;
  }
  return 0;
}
