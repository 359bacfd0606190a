// The look-ahead key: on the romaji keyboard, the key after the one to be
// typed next, within the same kana, drawn faintly so the learner sees the
// whole syllable coming.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace tavro::KeyLookAhead {

// The one key after the next key of the kana being typed (lower-cased), or
// an empty set when the next key is the kana's last or nothing agrees.
std::set<std::string> ghost(std::string_view prompt, std::string_view typed);

}  // namespace tavro::KeyLookAhead
