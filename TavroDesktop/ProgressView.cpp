#include "TavroDesktop/ProgressView.h"

#include "TavroCore/input/Keyboard.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tavro::desktop {
namespace {

// Fixed pixel geometry, as the practice keyboard has: the view is small
// enough for any window, and tests can find every part without fonts
// deciding where it lies.
constexpr int margin = 12;
constexpr int lineHeight = 22;

constexpr int labelWidth = 56;                         // axis labels, right-aligned before the axis
constexpr int chartLeft = margin + labelWidth + 6;     // the first column's left edge
constexpr int pitch = 18;                              // one day's column
constexpr int barWidth = 12;
constexpr int barInset = (pitch - barWidth) / 2;
constexpr int chartWidth = static_cast<int>(RecentProgress::days) * pitch;
constexpr int sideNotesWidth = 110;                    // "median" and "accuracy" right of the chart
constexpr int speedTop = margin + lineHeight + 8;
constexpr int speedHeight = 120;
constexpr int zeroLine = speedTop + speedHeight;       // the speed axis, just under the bars
constexpr int accuracyTop = zeroLine + 10;
constexpr int accuracyHeight = 28;
constexpr int datesTop = accuracyTop + accuracyHeight + 4;
// The smallest bars: a day with rounds must stay visible however slow or
// inaccurate it was, or it would read as a day without practice.
constexpr int smallestSpeedBar = 2;
constexpr int smallestAccuracyBar = 3;

constexpr int keysTitleTop = datesTop + lineHeight + 14;
constexpr int keysTop = keysTitleTop + lineHeight + 4;
constexpr int keySize = 38;
constexpr int keyGap = 5;
constexpr int rowShift = 19;  // each row starts this much further right

constexpr double accuracyFloor = RecentProgress::accuracyFloor;

int keyRows() {
  return static_cast<int>(std::max(Keyboard::rows(false).size(), Keyboard::rows(true).size()));
}
int legendTop() { return keysTop + keyRows() * (keySize + keyGap) + 4; }
int suggestionTop() { return legendTop() + lineHeight + 10; }

// The cap of a key as it is printed: letters in capitals.
QString capOf(const std::string& label) {
  if (label == Keyboard::jisShiftZero) return "0";
  return QString::fromStdString(label).toUpper();
}

QString monthDay(std::int64_t day) {
  std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day}}};
  return QString::asprintf("%02u-%02u", static_cast<unsigned>(date.month()),
                           static_cast<unsigned>(date.day()));
}

// An axis figure: whole numbers as they are, a half step (a top of 15 has
// 7.5 in the middle) with its one decimal.
QString axisFigure(double value) {
  return QString::number(value, 'f', std::floor(value) == value ? 0 : 1);
}

// The height in pixels of `share` (0 to 1) of `full`, never under `smallest`;
// a share that is not a number (a damaged record) draws the smallest bar.
int barHeight(double share, int full, int smallest) {
  if (!(share > 0)) return smallest;
  return std::clamp(static_cast<int>(std::lround(std::min(share, 1.0) * full)), smallest, full);
}

QFont pixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont font = base;
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace

ProgressView::ProgressView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(sizeHint());
}

void ProgressView::show(const RecentProgress& recent, const KeyMap& keys, bool jis, SpeedUnit unit,
                        const QString& suggestion) {
  recent_ = recent;
  bands_.clear();
  for (const auto& row : keys.rows) {
    for (const KeyAccuracy& key : row) bands_[key.label] = key.band;
  }
  jis_ = jis;
  unit_ = unit;
  suggestion_ = suggestion;
  update();
}

QSize ProgressView::sizeHint() const {
  int keyboardWidth = rowShift * (keyRows() - 1) + 13 * (keySize + keyGap);
  int width = std::max(chartLeft - margin + chartWidth + sideNotesWidth, keyboardWidth);
  return {width + 2 * margin, suggestionTop() + lineHeight + margin};
}

QColor ProgressView::bandColour(KeyBand band) {
  // Light fills under dark text: red, amber and green as the bands are
  // usually read, and a neutral grey for keys with no figures. The marks
  // tell them apart for anyone who cannot tell the hues.
  switch (band) {
    case KeyBand::weak:
      return QColor(0xF2, 0xA7, 0xA0);
    case KeyBand::fair:
      return QColor(0xF5, 0xD7, 0x76);
    case KeyBand::strong:
      return QColor(0x9F, 0xD8, 0xA4);
    case KeyBand::untyped:
      break;
  }
  return QColor(0xD0, 0xD0, 0xD0);
}

QColor ProgressView::keyTextColour() { return QColor(0x11, 0x11, 0x11); }

QString ProgressView::bandMark(KeyBand band) {
  std::string_view mark = KeyMap::mark(band);
  return QString::fromUtf8(mark.data(), static_cast<qsizetype>(mark.size()));
}

QRect ProgressView::keyRect(const std::string& label) const {
  const auto& rows = Keyboard::rows(jis_);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t k = 0; k < rows[r].size(); ++k) {
      if (rows[r][k] != label) continue;
      return QRect(margin + static_cast<int>(r) * rowShift + static_cast<int>(k) * (keySize + keyGap),
                   keysTop + static_cast<int>(r) * (keySize + keyGap), keySize, keySize);
    }
  }
  return {};
}

QRect ProgressView::dayColumn(std::int64_t column) const {
  if (column < 0 || column >= RecentProgress::days) return {};
  return QRect(chartLeft + static_cast<int>(column) * pitch + barInset, speedTop, barWidth, speedHeight);
}

QRect ProgressView::accuracyColumn(std::int64_t column) const {
  if (column < 0 || column >= RecentProgress::days) return {};
  return QRect(chartLeft + static_cast<int>(column) * pitch + barInset, accuracyTop, barWidth,
               accuracyHeight);
}

QRect ProgressView::emptyMessageRect() const {
  for (const DayProgress& day : recent_.progress.days) {
    if (recent_.column(day) >= 0) return {};
  }
  QFontMetrics metrics(pixelFont(font(), 14));
  QString text = tr("No rounds in the last %1 days.").arg(RecentProgress::days);
  QRect box = metrics.boundingRect(text).adjusted(-8, -4, 8, 4);
  box.moveCenter(QRect(chartLeft, speedTop, chartWidth, speedHeight).center());
  return box;
}

void ProgressView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintChart(painter);
  paintKeys(painter);
  const QPalette& colours = palette();
  painter.setPen(colours.color(QPalette::WindowText));
  painter.setFont(pixelFont(font(), 14));
  QRect line(margin, suggestionTop(), width() - 2 * margin, lineHeight);
  painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(suggestion_, Qt::ElideRight, line.width()));
}

void ProgressView::paintChart(QPainter& painter) {
  const QPalette& colours = palette();
  QColor text = colours.color(QPalette::WindowText);
  QColor grid = colours.color(QPalette::Mid);
  QString unitName = unit_ == SpeedUnit::wordsPerMinute ? QStringLiteral("WPM") : tr("keys/min");
  double top = recent_.top(unit_);

  painter.setFont(pixelFont(font(), 15, true));
  painter.setPen(text);
  painter.drawText(QRect(margin, margin, width() - 2 * margin, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   tr("Median speed (%1) and accuracy, last %2 days").arg(unitName).arg(RecentProgress::days));

  // Axes, the lines at the top and half of the speed axis, and their figures.
  painter.setFont(pixelFont(font(), 12));
  auto axisLabel = [&](int y, const QString& label) {
    painter.setPen(text);
    painter.drawText(QRect(margin, y - lineHeight / 2, labelWidth, lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                     label);
  };
  painter.setPen(QPen(grid, 1, Qt::DotLine));
  painter.drawLine(chartLeft, speedTop, chartLeft + chartWidth, speedTop);
  painter.drawLine(chartLeft, speedTop + speedHeight / 2, chartLeft + chartWidth, speedTop + speedHeight / 2);
  painter.setPen(QPen(text, 1));
  painter.drawLine(chartLeft - 2, speedTop, chartLeft - 2, zeroLine);
  painter.drawLine(chartLeft - 2, zeroLine, chartLeft + chartWidth, zeroLine);
  axisLabel(speedTop, axisFigure(top));
  axisLabel(speedTop + speedHeight / 2, axisFigure(top / 2));
  axisLabel(zeroLine, QStringLiteral("0"));
  axisLabel(accuracyTop, QStringLiteral("100%"));
  axisLabel(accuracyTop + accuracyHeight, axisFigure(accuracyFloor) + "%");
  painter.setPen(text);
  int notes = chartLeft + chartWidth + 8;
  painter.drawText(QRect(notes, speedTop, sideNotesWidth - 8, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   unitName);
  painter.drawText(QRect(notes, speedTop + speedHeight / 2 - lineHeight / 2, sideNotesWidth - 8, lineHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, tr("median"));
  painter.drawText(QRect(notes, accuracyTop, sideNotesWidth - 8, accuracyHeight),
                   Qt::AlignLeft | Qt::AlignVCenter, tr("accuracy"));

  // The first, middle and last day under their columns.
  QRect dates(chartLeft, datesTop, chartWidth, lineHeight);
  painter.drawText(dates, Qt::AlignLeft | Qt::AlignTop, monthDay(recent_.dayOf(0)));
  std::int64_t middle = RecentProgress::days / 2;
  QRect middleBox(chartLeft + static_cast<int>(middle) * pitch + pitch / 2 - 40, datesTop, 80, lineHeight);
  painter.drawText(middleBox, Qt::AlignHCenter | Qt::AlignTop, monthDay(recent_.dayOf(middle)));
  painter.drawText(dates, Qt::AlignRight | Qt::AlignTop, monthDay(recent_.dayOf(RecentProgress::days - 1)));

  QRect message = emptyMessageRect();
  if (!message.isNull()) {
    // The message covers the grid lines so it reads cleanly.
    painter.fillRect(message, colours.color(QPalette::Window));
    painter.setFont(pixelFont(font(), 14));
    painter.setPen(text);
    painter.drawText(message, Qt::AlignCenter, tr("No rounds in the last %1 days.").arg(RecentProgress::days));
    return;
  }

  QColor bar = colours.color(QPalette::Highlight);
  for (const DayProgress& day : recent_.progress.days) {
    std::int64_t column = recent_.column(day);
    if (column < 0) continue;
    QRect speedArea = dayColumn(column);
    int speed = barHeight(SpeedUnits::shown(day.medianSpeed, unit_) / top, speedHeight, smallestSpeedBar);
    painter.fillRect(QRect(speedArea.left(), zeroLine - speed, barWidth, speed), bar);
    QRect accuracyArea = accuracyColumn(column);
    int accuracy = barHeight((day.accuracy - accuracyFloor) / (100 - accuracyFloor), accuracyHeight,
                             smallestAccuracyBar);
    painter.fillRect(QRect(accuracyArea.left(), accuracyArea.bottom() + 1 - accuracy, barWidth, accuracy),
                     bandColour(KeyMap::band(day.accuracy)));
  }
}

void ProgressView::paintKeys(QPainter& painter) {
  const QPalette& colours = palette();
  QColor text = colours.color(QPalette::WindowText);
  painter.setFont(pixelFont(font(), 15, true));
  painter.setPen(text);
  painter.drawText(QRect(margin, keysTitleTop, width() - 2 * margin, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   tr("Accuracy by key") + QStringLiteral(" · ") + (jis_ ? QStringLiteral("JIS") : QStringLiteral("US")));

  painter.setRenderHint(QPainter::Antialiasing);
  QFont capFont = pixelFont(font(), 15);
  QFont markFont = pixelFont(font(), 15, true);
  // A filled key: the cap top left, the band's mark bottom right, both in
  // the one text colour the band fills are chosen against.
  auto drawKey = [&](const QRect& box, const QString& cap, KeyBand band) {
    painter.setPen(QPen(colours.color(QPalette::Mid), 1));
    painter.setBrush(bandColour(band));
    painter.drawRoundedRect(box, 5, 5);
    painter.setPen(keyTextColour());
    painter.setFont(markFont);
    if (cap.isEmpty()) {
      // A legend swatch is too small for a cap: its mark sits in the middle.
      painter.drawText(box, Qt::AlignCenter, bandMark(band));
      return;
    }
    painter.drawText(box.adjusted(0, 0, -5, -2), Qt::AlignRight | Qt::AlignBottom, bandMark(band));
    painter.setFont(capFont);
    painter.drawText(box.adjusted(5, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, cap);
  };

  for (const auto& row : Keyboard::rows(jis_)) {
    for (const std::string& label : row) {
      auto found = bands_.find(label);
      drawKey(keyRect(label), capOf(label), found == bands_.end() ? KeyBand::untyped : found->second);
    }
  }

  // The legend: each mark on its swatch, then what it means.
  const std::pair<KeyBand, QString> legend[] = {
      {KeyBand::weak, tr("under 85%")},
      {KeyBand::fair, tr("85% to 95%")},
      {KeyBand::strong, tr("95% and over")},
      {KeyBand::untyped, tr("not typed yet")},
  };
  int x = margin;
  int y = legendTop();
  QFont legendFont = pixelFont(font(), 13);
  for (const auto& [band, meaning] : legend) {
    drawKey(QRect(x, y, lineHeight, lineHeight), {}, band);
    x += lineHeight + 6;
    painter.setFont(legendFont);
    painter.setPen(text);
    QFontMetrics metrics(legendFont);
    painter.drawText(QRect(x, y, metrics.horizontalAdvance(meaning) + 2, lineHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, meaning);
    x += metrics.horizontalAdvance(meaning) + 20;
  }
  painter.setRenderHint(QPainter::Antialiasing, false);
}

}  // namespace tavro::desktop
