// Tables behind `KanaInput` that are not part of its interface.
#pragma once

#include <map>
#include <string>

namespace tavro::KanaInput {

// JIS key label to the US key label where the two differ.
const std::map<std::string, std::string, std::less<>>& usLayoutKeys();

// Kana typed as Shift + the key of another kana: small kana to base kana.
const std::map<std::string, std::string, std::less<>>& shiftKana();

// The reverse pairs: base kana to its shifted form.
const std::map<std::string, std::string, std::less<>>& shiftedKanaOf();

}  // namespace tavro::KanaInput
