// The picture of a keyboard in the first-launch setup: every key of the
// chosen layout at its width, the control keys (Tab, Caps Lock, Shift,
// Enter, Backspace) included, the home keys outlined and the two keys with
// a bump (F, J) filled, and on each key the legend of the practice language
// (the kana of the kana keys, the Devanagari letter of the roman guide,
// the Devanagari digits). The core's SetupKeyboardPreview says what is on
// it; this widget only draws.
#pragma once

#include "TavroCore/input/TavroLanguage.h"

#include <QRectF>
#include <QString>
#include <QWidget>

#include <vector>

namespace tavro::desktop {

class KeyboardPreview : public QWidget {
  Q_OBJECT

 public:
  explicit KeyboardPreview(QWidget* parent = nullptr);

  // What to draw; each call repaints.
  void show(bool jis, TavroLanguage language);

  // One key as drawn, for tests and the accessible description.
  struct DrawnKey {
    QString cap;
    QString legend;
    QRectF box;
    bool home = false;
    bool anchor = false;
  };
  // The keys in rows, laid out for the widget's size.
  std::vector<std::vector<DrawnKey>> keys() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool jis_ = false;
  TavroLanguage language_ = TavroLanguage::japanese;
};

}  // namespace tavro::desktop
