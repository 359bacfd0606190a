// The title at the top of each page of the window.
#pragma once

#include <QFont>
#include <QLabel>

namespace tavro::desktop {

// A label in the application's font, `scale` times its size and bold.
inline QLabel* pageTitle(QWidget* parent, double scale = 1.4) {
  auto* title = new QLabel(parent);
  QFont font = title->font();
  font.setPointSizeF(font.pointSizeF() * scale);
  font.setBold(true);
  title->setFont(font);
  return title;
}

}  // namespace tavro::desktop
