// The account client's work on untrusted replies at their limits: a code
// exchange reply at just under the 128,000-byte bound (a realistic reply
// padded with a member the decoder ignores) and at a typical 600 bytes, and
// the redaction of a 100,000-character error text full of links and long
// token-like runs. Anchors measured in the same run: parsing the same reply
// bytes with the strict JSON reader alone, and decoding the error text to
// code points alone; quote the figures as ratios against them.

#include "Support/Json.h"
#include "Support/Text.h"
#include "TavroCore/account/AccountService.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const tavro::Date now = tavro::Date::fromUnixSeconds(1'800'000'000);
const std::string token = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// A typical reply: token, expiry, and the user with a name and an address.
std::string typicalReply() {
  return R"({"token":")" + token +
         R"(","expiresAt":"2030-01-01T00:00:00.000Z","data":{"session":{"created":"2026-12-10T13:00:00Z",)"
         R"("device":"BRELVA Tavro 2.4.1","platform":"macOS 15.2"}},"user":{"id":"5f1c8a2e-9b7d-4c3a-8e6f-)"
         R"(0a1b2c3d4e5f","name":"Ann Lee","email":"ann.lee@example.com","displayName":"Ann","locale":"en-GB",)"
         R"("plan":"member","created":"2024-03-01T09:15:00Z"},"profile":{"avatar":"https://cdn.example/a/5f1c8a)"
         R"(2e.png","timezone":"Europe/London"},"flags":{"beta":false,"sync":true}})";
}

// `reply` padded with an ignored member to exactly `bytes` bytes.
std::string padded(std::string reply, std::size_t bytes) {
  reply.pop_back();
  std::string head = reply + R"(,"ignored":")";
  std::string tail = "\"}";
  reply = head + std::string(bytes - head.size() - tail.size(), 'x') + tail;
  return reply;
}

const std::string& typical() {
  static const std::string reply = padded(typicalReply(), 600);
  return reply;
}

const std::string& largest() {
  static const std::string reply = padded(typicalReply(), 127'999);
  return reply;
}

// 100,000 characters of an error page: sentences with web and callback links,
// base64 runs, "brelva-" words that never become links, and long blanks-free
// runs that make a backtracking matcher retry at every position.
const std::string& errorText() {
  static const std::string text = [] {
    const std::string pieces[] = {
        "Sign-in failed, see https://account.example/help?ref=",
        std::string(60, 'Q') + " ",
        "brelva-tavro://auth-callback?state=s&code=" + token + " ",
        "retry later.\r\n",
        std::string(40, 'k') + "/" + std::string(40, 'k') + " ",
        "brelva-brelva-brelva-brelva-brelva-brelva-brelva-",
        "\u00e9t\u00e9 ",
    };
    std::string out;
    std::size_t index = 0;
    while (tavro::text::graphemeCount(out) < 100'000) out += pieces[index++ % std::size(pieces)];
    return tavro::text::graphemePrefix(out, 100'000);
  }();
  return text;
}

void BM_DecodeExchange127999Bytes(benchmark::State& state) {
  const std::string& reply = largest();
  for (auto _ : state) benchmark::DoNotOptimize(tavro::AccountService::decodeExchange(reply, now));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_DecodeExchange127999Bytes)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_DecodeExchange600Bytes(benchmark::State& state) {
  const std::string& reply = typical();
  for (auto _ : state) benchmark::DoNotOptimize(tavro::AccountService::decodeExchange(reply, now));
}
BENCHMARK(BM_DecodeExchange600Bytes)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Anchor: the strict JSON reader alone on the same 127,999 bytes.
void BM_AnchorParse127999Bytes(benchmark::State& state) {
  const std::string& reply = largest();
  for (auto _ : state) benchmark::DoNotOptimize(tavro::json::Document::parse(reply));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_AnchorParse127999Bytes)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_SafeDetail100000Characters(benchmark::State& state) {
  const std::string& text = errorText();
  for (auto _ : state) benchmark::DoNotOptimize(tavro::AccountService::safeDetail(text));
}
BENCHMARK(BM_SafeDetail100000Characters)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// Anchor: decoding the same text to code points, the first step of the redaction.
void BM_AnchorCodePoints100000Characters(benchmark::State& state) {
  const std::string& text = errorText();
  for (auto _ : state) benchmark::DoNotOptimize(tavro::text::codePoints(text));
}
BENCHMARK(BM_AnchorCodePoints100000Characters)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  // Check the samples are what the names say before timing them.
  if (largest().size() != 127'999 || typical().size() != 600 ||
      tavro::text::graphemeCount(errorText()) != 100'000) {
    std::fprintf(stderr, "bench_account: sample sizes are off\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
