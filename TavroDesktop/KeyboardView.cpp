#include "TavroDesktop/KeyboardView.h"

#include "TavroCore/input/KanaInput.h"
#include "TavroCore/input/Keyboard.h"

#include <QPainter>
#include <QPalette>

#include <utility>

namespace tavro::desktop {
namespace {

constexpr int keySize = 44;
constexpr int gap = 6;
constexpr int rowShift = 22;  // each row starts this much further right

// The cap of a key as it is printed: letters in capitals.
QString capOf(const std::string& label) {
  if (label == Keyboard::jisShiftZero) return "0";
  return QString::fromStdString(label).toUpper();
}

}  // namespace

KeyboardView::KeyboardView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(sizeHint());
}

void KeyboardView::show(bool jis, bool kanaLegends, std::set<std::string> targets,
                        std::set<std::string> ghosts, std::optional<std::string> fingerName,
                        bool spaceIsTarget) {
  jis_ = jis;
  kanaLegends_ = kanaLegends;
  targets_ = std::move(targets);
  ghosts_ = std::move(ghosts);
  fingerName_ = std::move(fingerName);
  spaceIsTarget_ = spaceIsTarget;
  update();
}

QSize KeyboardView::sizeHint() const {
  // Thirteen keys in the widest row, four rows, the space bar and the finger line.
  return {rowShift * 3 + 13 * (keySize + gap) + gap, 6 * (keySize + gap) + gap};
}

void KeyboardView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPalette& colours = palette();
  QColor target = colours.color(QPalette::Highlight);
  QColor targetText = colours.color(QPalette::HighlightedText);
  QColor key = colours.color(QPalette::Button);
  QColor keyText = colours.color(QPalette::ButtonText);

  auto drawKey = [&](const QRect& box, const QString& cap, const QString& legend, bool isTarget,
                     bool isGhost) {
    painter.setPen(isGhost ? QPen(target, 3) : QPen(colours.color(QPalette::Mid), 1));
    painter.setBrush(isTarget ? target : key);
    painter.drawRoundedRect(box, 6, 6);
    painter.setPen(isTarget ? targetText : keyText);
    QFont font = painter.font();
    font.setPointSizeF(13);
    font.setBold(isTarget);
    painter.setFont(font);
    if (legend.isEmpty()) {
      painter.drawText(box, Qt::AlignCenter, cap);
    } else {
      painter.drawText(box.adjusted(5, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, cap);
      painter.drawText(box.adjusted(0, 0, -5, -2), Qt::AlignRight | Qt::AlignBottom, legend);
    }
  };

  const auto& rows = Keyboard::rows(jis_);
  int y = gap;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    int x = gap + static_cast<int>(r) * rowShift;
    for (const std::string& label : rows[r]) {
      QString legend;
      if (kanaLegends_) {
        std::string kana = KanaInput::label(label, jis_);
        if (kana != " ") legend = QString::fromStdString(kana);
      }
      drawKey(QRect(x, y, keySize, keySize), capOf(label), legend, targets_.count(label) != 0,
              ghosts_.count(label) != 0);
      x += keySize + gap;
    }
    y += keySize + gap;
  }
  int spaceLeft = gap + rowShift * 3 + 2 * (keySize + gap);
  drawKey(QRect(spaceLeft, y, 6 * (keySize + gap) - gap, keySize), tr("space"), {}, spaceIsTarget_,
          false);
  y += keySize + gap;
  if (fingerName_) {
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(QRect(gap, y, width() - 2 * gap, keySize), Qt::AlignHCenter | Qt::AlignTop,
                     QString::fromStdString(*fingerName_));
  }
}

}  // namespace tavro::desktop
