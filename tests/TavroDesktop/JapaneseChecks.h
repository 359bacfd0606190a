// The check every page of the window passes in the Japanese interface: no
// word of the English one is left, and the font draws every character (no
// box where a Japanese character should be).
#pragma once

#include <QFontMetrics>
#include <QList>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace tavro::desktop::testing {

inline void expectJapanese(const std::vector<QString>& texts, const QFontMetrics& metrics,
                           std::initializer_list<const char*> englishWords) {
  for (const QString& text : texts) {
    for (const char* word : englishWords)
      EXPECT_FALSE(text.contains(word)) << "English left: " << text.toStdString();
    for (char32_t character : text.toUcs4()) {
      // A blank, a line break or a menu's accelerator mark is no glyph.
      if (character == ' ' || character == '\n' || character == '&') continue;
      EXPECT_TRUE(metrics.inFontUcs4(character))
          << "no glyph for U+" << std::hex << static_cast<std::uint32_t>(character) << " in "
          << text.toStdString();
    }
  }
}

}  // namespace tavro::desktop::testing
