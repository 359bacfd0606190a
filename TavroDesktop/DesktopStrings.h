// The desktop tutor's interface in English or Japanese. Texts written with
// tr() (Qt's "%1" placeholders) are the window's own; texts both tutors
// share and the names the core and the host layer give (exercises, rounds,
// fingers, HostMessage patterns, "{1}" placeholders) go through say(). In
// Japanese, a text is looked up in the core's table, then in the one both
// tutors share, then in the window's own; a text none holds stays English.
#pragma once

#include "TavroHost/HostMessage.h"

#include <QString>
#include <QTranslator>

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tavro::desktop {

// Chooses the interface language of the application (and of every tr()
// made after it): English, or Japanese through the tables.
void useEnglishInterface(bool english);
bool englishInterface();

// Makes the application's font one with the glyphs of both interfaces
// (Noto Sans CJK JP, when installed), so Japanese text never falls back to
// boxes or to a font of another shape.
void useInterfaceFont();

// Text of the core (UTF-8) as Qt holds it.
inline QString q(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `english` in the interface language, with "{1}" to "{9}" filled in after
// the lookup.
QString say(std::string_view english, std::initializer_list<std::string> values = {});

// A message of the host layer in the interface language: its pattern and
// parts looked up, the values filled in after.
QString say(const HostMessage& message);

// `english` in the interface language (English when no table has it).
std::string translated(std::string_view english);

// The Japanese text of `english` in the three tables, or none.
std::optional<std::string_view> japaneseText(std::string_view english);

// The translator tr() asks while the interface is Japanese.
class TableTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override;
  bool isEmpty() const override { return false; }
};

}  // namespace tavro::desktop
