#include "TavroCore/history/AppNavigation.h"

namespace tavro::AppNavigation {

std::string parent(std::string_view screen) {
  if (screen == "menu" || screen == "rounds" || screen == "review") return "menu";
  return "rounds";
}

}  // namespace tavro::AppNavigation
