// The reference service's decoding of the browser sign-in page's query and
// of its approving form, both straight from a browser anyone can point at
// the service: any bytes give the tutor's own request or a refusal, never a
// crash, and nothing that would send a browser elsewhere or break a header.
#include "ReferenceAccountService/ServiceRequests.h"
#include "TavroCore/account/AccountProfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

namespace {

void checkPage(const tavro::reference::SignInPageRequest& page, std::size_t size) {
  // Decoded values only shrink, the challenge is its fixed length, and the
  // state (which goes back out in a Location header) holds no line break.
  if (page.state.empty() || page.state.size() > size || page.challenge.size() != 43) std::abort();
  if (page.state.find_first_of("\r\n") != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto page = tavro::reference::parseSignInPageQuery(text);
  if (auto* request = std::get_if<tavro::reference::SignInPageRequest>(&page))
    checkPage(*request, size);
  auto form = tavro::reference::parseSignInApprovalForm(text);
  if (auto* approval = std::get_if<tavro::reference::SignInApproval>(&form)) {
    checkPage(approval->page, size);
    if (!tavro::AccountProfile::validEmail(approval->email) || approval->name.empty()) std::abort();
  }
  return 0;
}
