// The language the tutor's screens speak to the learner. Texts are written
// in English and looked up for Japanese; everything that makes a text takes
// this one value, so a call reads as the language it asks for instead of a
// bare true or false.
#pragma once

namespace tavro::terminal {

enum class InterfaceLanguage { english, japanese };

}  // namespace tavro::terminal
