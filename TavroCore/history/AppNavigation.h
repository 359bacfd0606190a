// Where the back gesture or back button leads from each screen. Screens are
// named by the host: "menu", "rounds", "review", "practice", "results", ...
#pragma once

#include <string>
#include <string_view>

namespace tavro::AppNavigation {

// The screen to go back to: "menu" from "menu", "rounds" and "review";
// "rounds" from every other screen.
std::string parent(std::string_view screen);

}  // namespace tavro::AppNavigation
