// The tutor's own interface texts in Japanese. The core's interface table
// holds the texts the core and its host share; the tutor's screens have
// many more of their own (labels, key help, messages), kept here in a
// table of the same kind: the English text as the tutor writes it is the
// key. A text with a number or a name inside is written once, whole, with
// "{1}" to "{9}" standing for the values, so that the Japanese text can
// put them where Japanese word order wants them.
#pragma once

#include "TavroHost/HostMessage.h"
#include "TavroTerminal/InterfaceLanguage.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro::terminal::TutorStrings {

struct Translation {
  std::string_view english;
  std::string_view japanese;
};

// The tutor's table, in table order; built once on first use.
const std::vector<Translation>& japanese();

// The Japanese text the tutor's table holds under exactly `english`, or none.
std::optional<std::string_view> translation(std::string_view english);

// `pattern` with every "{n}" (n from 1 to 9) replaced by values[n - 1].
// Values go in as they are and are never looked at again, so a value that
// holds "{1}" stays as it is; a placeholder without a value stays too.
std::string filled(std::string_view pattern, const std::vector<std::string>& values);

// The text to show: `text` itself in the English interface; otherwise the
// core's translation, else the one both tutors share (HostStrings), else
// the tutor's, else `text` itself. The values
// are filled in after the lookup.
std::string text(std::string_view text, InterfaceLanguage language);
std::string text(std::string_view pattern, InterfaceLanguage language,
                 std::initializer_list<std::string> values);

// A message made before the interface language is known (while files are
// read at start): its English pattern and values, shown in whichever
// language the screen is in. The host layer's messages are taken as they are.
struct Message : HostMessage {
  using HostMessage::HostMessage;
  Message(HostMessage message) : HostMessage(std::move(message)) {}  // NOLINT: implicit on purpose

  // The pattern and every part in `language`, the values filled in after.
  std::string text(InterfaceLanguage language = InterfaceLanguage::english) const;
};

}  // namespace tavro::terminal::TutorStrings
