#include "TavroDesktop/KeyboardPreview.h"

#include "TavroCore/input/KanaInput.h"
#include "TavroCore/settings/SetupKeyboardPreview.h"
#include "TavroDesktop/DesktopStrings.h"

#include <QPainter>
#include <QPalette>

#include <algorithm>

namespace tavro::desktop {
namespace {

constexpr double unit = 40;  // one ordinary key, with its gap
constexpr double gap = 5;
constexpr double margin = 6;

// The widest row, in key units: the rows differ by layout.
double widestRow(bool jis) {
  double widest = 0;
  for (const auto& row : SetupKeyboardPreview::rows(jis)) {
    double width = 0;
    for (const SetupKeyboardPreview::Key& key : row) width += key.width;
    widest = std::max(widest, width);
  }
  return widest;
}

// The practice language's character on a key, where it has one.
QString legendOf(const std::string& source, bool jis, TavroLanguage language) {
  switch (language) {
    case TavroLanguage::japanese: {
      std::string kana = KanaInput::label(source, jis);
      return kana == " " ? QString() : q(kana);
    }
    case TavroLanguage::nepali: {
      const auto& guide = SetupKeyboardPreview::nepaliRomanGuide();
      if (auto found = guide.find(source); found != guide.end()) return q(found->second.first);
      const auto& digits = SetupKeyboardPreview::nepaliDigits();
      if (auto found = digits.find(source); found != digits.end()) return q(found->second);
      return {};
    }
    case TavroLanguage::english:
      return {};
  }
  return {};
}

}  // namespace

KeyboardPreview::KeyboardPreview(QWidget* parent) : QWidget(parent) {
  setMinimumSize(sizeHint());
}

void KeyboardPreview::show(bool jis, TavroLanguage language) {
  jis_ = jis;
  language_ = language;
  // The picture in words, row by row, for those who do not see it.
  QStringList rows;
  for (const auto& row : keys()) {
    QStringList caps;
    for (const DrawnKey& key : row) caps << key.cap;
    rows << caps.join(' ');
  }
  setAccessibleDescription(rows.join('\n'));
  update();
}

QSize KeyboardPreview::sizeHint() const {
  // The wider of the two layouts, so that switching does not resize.
  double widest = std::max(widestRow(false), widestRow(true));
  return {static_cast<int>(widest * unit + 2 * margin),
          static_cast<int>(5 * unit + 2 * margin)};
}

std::vector<std::vector<KeyboardPreview::DrawnKey>> KeyboardPreview::keys() const {
  std::vector<std::vector<DrawnKey>> drawn;
  const auto rows = SetupKeyboardPreview::rows(jis_);
  const double left = (width() - widestRow(jis_) * unit) / 2;
  double y = margin;
  for (const auto& row : rows) {
    std::vector<DrawnKey>& line = drawn.emplace_back();
    double x = std::max(margin, left);
    if (row.size() == 1) {
      // The space bar sits under the middle of the letters.
      x = std::max(margin, left + (widestRow(jis_) - row.front().width) / 2 * unit);
    }
    for (const SetupKeyboardPreview::Key& key : row) {
      DrawnKey one;
      one.cap = q(key.label);
      if (key.source && *key.source != " ") {
        one.legend = legendOf(*key.source, jis_, language_);
        one.home = SetupKeyboardPreview::homeKeys().count(*key.source) != 0;
        one.anchor = SetupKeyboardPreview::anchors().count(*key.source) != 0;
      }
      one.box = QRectF(x, y, key.width * unit - gap, unit - gap);
      line.push_back(one);
      x += key.width * unit;
    }
    y += unit;
  }
  return drawn;
}

void KeyboardPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPalette& colours = palette();
  const QColor marked = colours.color(QPalette::Highlight);
  for (const auto& row : keys()) {
    for (const DrawnKey& key : row) {
      painter.setPen(key.home ? QPen(marked, 2.5) : QPen(colours.color(QPalette::Mid), 1));
      painter.setBrush(key.anchor ? marked : colours.color(QPalette::Button));
      painter.drawRoundedRect(key.box, 5, 5);
      painter.setPen(key.anchor ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::ButtonText));
      QFont font = painter.font();
      // Names of control keys are long: smaller than a key's letter.
      font.setPointSizeF(key.cap.size() > 2 ? 8.5 : 11);
      font.setBold(key.anchor);
      painter.setFont(font);
      if (key.legend.isEmpty()) {
        painter.drawText(key.box, Qt::AlignCenter, key.cap);
      } else {
        painter.drawText(key.box.adjusted(4, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, key.cap);
        painter.drawText(key.box.adjusted(0, 0, -4, -1), Qt::AlignRight | Qt::AlignBottom, key.legend);
      }
    }
  }
}

}  // namespace tavro::desktop
