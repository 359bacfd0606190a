// The practice keyboard drawn in the window: the rows of the layout, the
// key to press next filled in the highlight colour with the finger that
// presses it named under the keyboard, the key after it within the same
// kana outlined, and the kana on each key in kana-key rounds.
#pragma once

#include <QWidget>

#include <optional>
#include <set>
#include <string>

namespace tavro::desktop {

class KeyboardView : public QWidget {
  Q_OBJECT

 public:
  explicit KeyboardView(QWidget* parent = nullptr);

  // What to draw; each call repaints.
  void show(bool jis, bool kanaLegends, std::set<std::string> targets, std::set<std::string> ghosts,
            std::optional<std::string> fingerName, bool spaceIsTarget);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool jis_ = false;
  bool kanaLegends_ = false;
  std::set<std::string> targets_;
  std::set<std::string> ghosts_;
  std::optional<std::string> fingerName_;
  bool spaceIsTarget_ = false;
};

}  // namespace tavro::desktop
