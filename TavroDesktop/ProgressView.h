// The learner's progress drawn in the window: the last 30 days as a column
// per day (the median speed as a bar over the day's accuracy, coloured by
// its band), the keyboard with every key filled by how accurately it is
// typed and marked so it reads without colour, and the round to take next
// in one line. The figures come from the core and TavroHost, exactly as the
// terminal tutor shows them; this view only draws them.
#pragma once

#include "TavroCore/practice/KeyMap.h"
#include "TavroCore/settings/SpeedUnit.h"
#include "TavroHost/RecentProgress.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <string>

class QPainter;

namespace tavro::desktop {

class ProgressView : public QWidget {
  Q_OBJECT

 public:
  explicit ProgressView(QWidget* parent = nullptr);

  // What to draw; each call repaints. `keys` is looked up by label over
  // Keyboard::rows(jis), so a map of fewer keys leaves the rest untyped.
  void show(const RecentProgress& recent, const KeyMap& keys, bool jis, SpeedUnit unit,
            const QString& suggestion);

  QSize sizeHint() const override;

  // The fill of a key (and of a day's accuracy bar) in `band`. Fixed colours
  // rather than the palette's: each is chosen to keep the key text colour
  // readable on it in light and dark themes alike.
  static QColor bandColour(KeyBand band);
  // The colour of the cap and band mark drawn on a filled key.
  static QColor keyTextColour();
  // The mark drawn on a key of `band`: "!", "~", "+" or ".".
  static QString bandMark(KeyBand band);

  // Where things are drawn, for tests and for the window to point at.
  // The box of the key labelled `label` on the shown layout; empty when the
  // layout has no such key.
  QRect keyRect(const std::string& label) const;
  // The area the speed bar of day `column` (0 oldest, 29 today) may fill,
  // from the axis top down to the zero line; empty outside 0 to 29.
  QRect dayColumn(std::int64_t column) const;
  // The area the accuracy bar of day `column` may fill; empty outside 0 to 29.
  QRect accuracyColumn(std::int64_t column) const;
  // Where the line saying there are no rounds is drawn; empty while the
  // chart has days to show.
  QRect emptyMessageRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void paintChart(QPainter& painter);
  void paintKeys(QPainter& painter);

  RecentProgress recent_;
  std::map<std::string, KeyBand, std::less<>> bands_;  // by key label
  bool jis_ = false;
  SpeedUnit unit_ = SpeedUnit::keysPerMinute;
  QString suggestion_;
};

}  // namespace tavro::desktop
