#include "Support/Date.h"

#include <chrono>

namespace tavro {

Date Date::now() {
  auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return fromUnixSeconds(std::chrono::duration<double>(sinceEpoch).count());
}

}  // namespace tavro
