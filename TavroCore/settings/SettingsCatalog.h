// Fixed facts about the settings window: its size, its sections in order,
// and the link to the maker's support chat.
#pragma once

#include <boost/url/url.hpp>

#include <array>
#include <string_view>

namespace tavro::SettingsCatalog {

inline constexpr double width = 740;
inline constexpr double height = 540;
// The window's height while the keyboard section is shown.
inline constexpr double keyboardHeight = 660;

// The sections, in the order the window lists them.
inline constexpr std::array<std::string_view, 7> sections = {
    "General", "Appearance", "Keyboard", "BRELVA Account", "Help & Support", "Updates", "About"};

// The support link (the compiled-in `configuration::supportLink()`), parsed
// once on first use. The build refuses a link that is not an absolute https
// URL, so this never fails in a configured build; should the text still not
// parse, std::logic_error is thrown rather than a wrong link offered.
const boost::urls::url& supportURL();

}  // namespace tavro::SettingsCatalog
