// tavro-reference-sync-run: one whole cloud sync over loopback HTTPS against
// an in-process reference service, timed, for bench/sync_loopback.sh.
//
//   tavro-reference-sync-run [--remote N] [--local M] [--runs R]
//
// Each run uses a new account whose service side holds N attempts and whose
// local side holds M others, so every run downloads N and uploads M. Prints
// per run and for the median run the wall time and its split: the core
// (everything outside the fetch), the service (inside its request handlers)
// and the transport (the rest of the fetch: TLS, HTTP, libcurl, sockets).
//
// Each run also times an anchor: the sync's requests replayed, same method,
// headers and body, over the same kept-alive connection to a handler of the
// same service that answers as many bytes as the sync's reply had, without
// SQLite or any core work. The sync's wall time over the anchor's is what
// the sync adds to the bare cost of moving its bytes.
#include "Platform/HTTPTransport.h"
#include "ReferenceAccountService/DevelopmentCertificates.h"
#include "ReferenceAccountService/ReferenceAccountService.h"
#include "TavroCore/Configuration.h"
#include "TavroCore/account/TavroCloudSync.h"

#include <boost/url/url_view.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tavro::Attempt;

std::vector<Attempt> sampleAttempts(std::size_t count, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::vector<Attempt> attempts;
  attempts.reserve(count);
  double date = 700'000'000.0;
  for (std::size_t i = 0; i < count; ++i) {
    date += 600.0 + static_cast<double>(random() % 100000) / 997.0;
    attempts.emplace_back(tavro::Uuid::random(), tavro::Date{date}, "romaji",
                          static_cast<std::int64_t>(random() % 7 + 1),
                          static_cast<std::int64_t>(150 + random() % 250),
                          static_cast<std::int64_t>(random() % 30), 30.5);
  }
  return attempts;
}

struct Timing {
  double wall = 0;
  double fetch = 0;
  double service = 0;
  double anchor = 0;
};

// One request of a sync and the size of its reply.
struct Exchange {
  tavro::platform::HTTPRequest request;
  std::size_t replyBytes;
};

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t remoteCount = 50'000;
  std::size_t localCount = 50'000;
  int runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    long value = std::strtol(argv[i + 1], nullptr, 10);
    if (option == "--remote")
      remoteCount = static_cast<std::size_t>(std::clamp(value, 0L, 100'000L));
    else if (option == "--local")
      localCount = static_cast<std::size_t>(std::clamp(value, 0L, 100'000L));
    else if (option == "--runs")
      runs = static_cast<int>(std::clamp(value, 1L, 20L));
  }

  std::filesystem::path folder;
  try {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tavro-sync-run-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    folder = pattern;
    boost::urls::url_view origin(tavro::configuration::accountServiceOrigin());
    std::string host(origin.host());
    tavro::reference::makeDevelopmentCertificates(folder, host);

    tavro::reference::ReferenceAccountService::Options options;
    options.database = folder / "service.sqlite";
    options.certificate = folder / "server.pem";
    options.privateKey = folder / "server.key";
    options.lifetime = std::chrono::seconds(900);
    options.anchorRoute = true;
    tavro::reference::ReferenceAccountService service(options);
    int port = service.start();

    tavro::platform::HTTPTransport::Options transportOptions;
    transportOptions.certificateAuthorities = folder / "ca.pem";
    transportOptions.connectTo = {host + ":" +
                                  (origin.has_port() ? std::string(origin.port()) : "443") +
                                  ":127.0.0.1:" + std::to_string(port)};
    // The sync and the anchor share one transport, and so one connection.
    tavro::platform::HTTPTransport connection(transportOptions);
    tavro::TavroCloudSync::Fetch transport = tavro::TavroCloudSync::fetchThrough(connection);

    std::vector<Timing> timings;
    for (int run = 0; run < runs; ++run) {
      tavro::AccountProfile profile("bench-" + std::to_string(run), "Bench", "bench@example.com");
      service.store().addAccount(profile);
      std::string token = service.store().issueToken(profile.id, "Bench");
      std::vector<Attempt> remote = sampleAttempts(remoteCount, 2 * run + 1);
      for (std::size_t i = 0; i < remote.size(); i += 500)
        service.store().store(
            profile.id, {remote.begin() + i, remote.begin() + std::min(remote.size(), i + 500)});
      tavro::TavroBackup local(profile.id, sampleAttempts(localCount, 2 * run + 2),
                               tavro::JLPTLevel::n5, false, tavro::Date::now());

      Clock::duration fetchTime{};
      std::vector<Exchange> exchanges;
      tavro::TavroCloudSync sync([&](const tavro::platform::HTTPRequest& request) {
        auto start = Clock::now();
        std::string body = transport(request);
        fetchTime += Clock::now() - start;
        exchanges.push_back({request, body.size()});
        return body;
      });
      double serviceBefore = service.handlerSeconds();
      auto start = Clock::now();
      tavro::TavroCloudSync::Result result = sync.sync(token, local, profile);
      Timing timing{milliseconds(Clock::now() - start), milliseconds(fetchTime),
                    (service.handlerSeconds() - serviceBefore) * 1000};
      if (result.backup.attempts().size() != remoteCount + localCount)
        throw std::runtime_error("the sync did not merge every attempt");

      // The anchor requests are made before the clock starts: only the
      // exchanges are timed.
      std::vector<tavro::platform::HTTPRequest> anchorRequests;
      for (const Exchange& exchange : exchanges) {
        tavro::platform::HTTPRequest request(
            std::string(tavro::configuration::accountServiceOrigin()) +
            "/bench/anchor?bytes=" + std::to_string(exchange.replyBytes));
        request.setMethod(exchange.request.method());
        for (const tavro::platform::HTTPHeader& header : exchange.request.headers())
          request.setHeader(header.name, header.value);
        request.setBody(exchange.request.body());
        anchorRequests.push_back(std::move(request));
      }
      auto anchorStart = Clock::now();
      for (std::size_t i = 0; i < anchorRequests.size(); ++i) {
        if (transport(anchorRequests[i]).size() != exchanges[i].replyBytes)
          throw std::runtime_error("the anchor's reply has the wrong size");
      }
      timing.anchor = milliseconds(Clock::now() - anchorStart);
      std::printf(
          "run %d: wall %.0f ms, core %.0f ms, transport %.0f ms, service %.0f ms; anchor %.0f ms "
          "(%zu requests); sync / anchor %.2f\n",
          run + 1, timing.wall, timing.wall - timing.fetch, timing.fetch - timing.service,
          timing.service, timing.anchor, exchanges.size(), timing.wall / timing.anchor);
      timings.push_back(timing);
    }
    service.stop();

    std::sort(timings.begin(), timings.end(),
              [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
    const Timing& median = timings[timings.size() / 2];
    std::printf("median of %d: wall %.0f ms for %zu remote and %zu local attempts\n", runs,
                median.wall, remoteCount, localCount);
    std::printf("  core      %5.1f%%\n", 100 * (median.wall - median.fetch) / median.wall);
    std::printf("  transport %5.1f%%\n", 100 * (median.fetch - median.service) / median.wall);
    std::printf("  service   %5.1f%%\n", 100 * median.service / median.wall);
    std::printf("sync wall %.0f ms, anchor wall %.0f ms, ratio %.2f\n", median.wall, median.anchor,
                median.wall / median.anchor);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "tavro-reference-sync-run: %s\n", failure.what());
    if (!folder.empty()) std::filesystem::remove_all(folder);
    return 1;
  }
  std::filesystem::remove_all(folder);
  return 0;
}
