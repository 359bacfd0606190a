// What hostile or careless clients can make the service spend: slow and
// idle connections must not keep a normal request from being served, and
// no flood of headers or body bytes may grow the service's memory before
// it is refused. The service runs in this process, so the process's
// resident size is the service's.
#include "ServiceFixture.h"

#include "TavroCore/account/AccountService.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace tavro {
namespace {

using reference::ReferenceAccountService;

const AccountProfile account("acct-limits", "Aiko", "aiko@example.com");

// How much the service may grow while it refuses a flood.
constexpr std::size_t residentAllowance = 32u << 20;

TEST(RequestLimits, SlowAndIdleClientsNeitherStallTheServiceNorHoldItForEver) {
  // A short request deadline, so the slow clients are cut within the test.
  testing::ServiceFixture fixture([](ReferenceAccountService::Options& options) {
    options.connectionLimits.requestTime = std::chrono::seconds(3);
  });
  fixture.service().store().addAccount(account);
  const std::string token = fixture.service().store().issueToken(account.id, "Test Mac");

  // Eight clients that finish their handshake and then send one header line
  // every two seconds, and sixty-four that connect and say nothing.
  std::vector<std::unique_ptr<testing::RawConnection>> slow;
  for (int i = 0; i < 8; ++i) {
    slow.push_back(std::make_unique<testing::RawConnection>(fixture.port(), true));
    ASSERT_TRUE(slow.back()->open());
    ASSERT_TRUE(slow.back()->send("GET /api/downloader/profile HTTP/1.1\r\nHost: x\r\n"));
  }
  std::vector<std::unique_ptr<testing::RawConnection>> idle;
  for (int i = 0; i < 64; ++i)
    idle.push_back(std::make_unique<testing::RawConnection>(fixture.port(), false));

  std::atomic<bool> stop = false;
  std::vector<bool> cut(slow.size(), false);
  std::thread trickle([&] {
    for (int round = 0; round < 15 && !stop; ++round) {
      std::this_thread::sleep_for(std::chrono::seconds(2));
      for (std::size_t i = 0; i < slow.size(); ++i) {
        if (!cut[i] && !slow[i]->send("X-Slow-" + std::to_string(round) + ": 1\r\n")) cut[i] = true;
      }
      if (std::find(cut.begin(), cut.end(), false) == cut.end()) break;
    }
  });

  platform::HTTPRequest request = AccountService::profileRequest(token);
  request.setTimeoutSeconds(20);
  platform::HTTPReply reply{};
  try {
    reply = platform::HTTPTransport(fixture.transportOptions()).perform(request);
  } catch (const platform::HTTPTransportFailure& failure) {
    ADD_FAILURE() << "a normal request failed: " << failure.what();
  }
  EXPECT_EQ(reply.status, 200);

  // Each slow client is cut once its request's deadline passes, however
  // long it keeps trickling.
  trickle.join();
  for (std::size_t i = 0; i < cut.size(); ++i) EXPECT_TRUE(cut[i]) << "slow client " << i;
}

class FloodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fixture.service().store().addAccount(account);
    token = fixture.service().store().issueToken(account.id, "Test Mac");
  }

  testing::ServiceFixture fixture;
  std::string token;
};

TEST_F(FloodTest, FloodsAreRefusedBeforeTheServiceGrows) {
  const std::string upload = "POST /api/downloader/tavro/sync HTTP/1.1\r\nHost: x\r\n";
  const std::size_t floodBytes = 64u << 20;
  // One 64 KiB chunk of a chunked body, repeated.
  const std::string chunk = "10000\r\n" + std::string(1 << 16, '{') + "\r\n";
  std::string headerLines;
  for (int i = 0; headerLines.size() < (1 << 16); ++i)
    headerLines += "X-Fill-" + std::to_string(i) + ": " + std::string(1000, 'h') + "\r\n";

  struct Case {
    const char* name;
    std::string head;        // sent once
    std::string repeated;    // then sent until floodBytes or the service stops reading
    std::vector<std::string> answers;  // acceptable status lines (or a closed connection)
  };
  const Case cases[] = {
      {"chunked body with a session", upload + "Authorization: Bearer " + token +
                                          "\r\nTransfer-Encoding: chunked\r\n\r\n",
       chunk, {"HTTP/1.1 413"}},
      {"chunked body without a session", upload + "Transfer-Encoding: chunked\r\n\r\n", chunk,
       {"HTTP/1.1 401"}},
      {"announced body with a session", upload + "Authorization: Bearer " + token +
                                            "\r\nContent-Length: " + std::to_string(floodBytes) +
                                            "\r\n\r\n",
       std::string(1 << 16, '{'), {"HTTP/1.1 413"}},
      {"chunked body on a request that takes none",
       "GET /api/downloader/profile HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " + token +
           "\r\nTransfer-Encoding: chunked\r\n\r\n",
       chunk, {"HTTP/1.1 413"}},
      {"header lines without end", upload + "Authorization: Bearer " + token + "\r\n",
       headerLines, {"HTTP/1.1 431"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = testing::residentBytes();
    testing::resetPeakResident();
    testing::RawConnection connection(fixture.port(), true);
    ASSERT_TRUE(connection.open());
    std::size_t sent = 0;
    if (connection.send(c.head)) {
      while (sent < floodBytes && connection.send(c.repeated)) sent += c.repeated.size();
    }
    std::string answer = connection.receiveAll();
    const std::size_t peak = testing::residentBytes("VmHWM");
    EXPECT_LT(peak, before + residentAllowance)
        << "grew by " << (peak - before) / 1024 << " KiB after " << sent << " bytes";
    EXPECT_LT(sent, floodBytes) << "the service read the whole flood";
    if (!answer.empty()) {
      std::string statusLine = answer.substr(0, answer.find("\r\n"));
      EXPECT_NE(std::find_if(c.answers.begin(), c.answers.end(),
                             [&](const std::string& s) { return statusLine.rfind(s, 0) == 0; }),
                c.answers.end())
          << statusLine;
    }
  }
  EXPECT_TRUE(fixture.service().store().attempts(account.id).empty());

  // Many header fields within the byte bound get their own answer.
  std::string manyFields = upload + "Authorization: Bearer " + token + "\r\n";
  for (int i = 0; i < 200; ++i) manyFields += "X-" + std::to_string(i) + ": 1\r\n";
  testing::RawConnection fields(fixture.port(), true);
  ASSERT_TRUE(fields.send(manyFields + "Content-Length: 0\r\n\r\n"));
  EXPECT_EQ(fields.receiveAll().substr(0, 12), "HTTP/1.1 431");

  // The service still answers a normal request.
  platform::HTTPReply reply = platform::HTTPTransport(fixture.transportOptions())
                                  .perform(AccountService::profileRequest(token));
  EXPECT_EQ(reply.status, 200);
}

}  // namespace
}  // namespace tavro
