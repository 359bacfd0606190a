// The desktop tutor's progress view on Qt's offscreen platform: drawn into an
// image and read back where the view says each day's column and each key
// lie, so a bar in the wrong column, a key in the wrong colour or a chart
// that keeps old days shows up as wrong pixels.
#include "Support/Date.h"
#include "Support/Uuid.h"
#include "TavroCore/history/Attempt.h"
#include "TavroCore/history/WeakKeyHistory.h"
#include "TavroCore/practice/KeyMap.h"
#include "TavroDesktop/ProgressView.h"
#include "TavroHost/RecentProgress.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace tavro::desktop {
namespace {

// One application for the whole program, on the offscreen platform (the
// window tests make theirs the same way; whichever runs first makes it).
QApplication& progressApplication() {
  static int argc = 1;
  static char name[] = "TavroDesktopTests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return qApp != nullptr ? qApp : new QApplication(argc, argv);
  }();
  return *app;
}

// Noon UTC on 2024-03-15: a fixed "now", so no test runs across midnight.
constexpr double now = 1710504000;
constexpr std::int64_t secondsPerDay = 86400;

Attempt attemptDaysAgo(std::int64_t daysAgo, std::int64_t correct, std::int64_t misses, double seconds) {
  return Attempt(Uuid::random(), Date::fromUnixSeconds(now - static_cast<double>(daysAgo * secondsPerDay)),
                 "romaji", 1, correct, misses, seconds);
}

// The 30 days ending at `now`, counted in UTC so the days do not depend on
// the machine's zone.
RecentProgress recentOf(const std::vector<Attempt>& attempts) {
  RecentProgress recent;
  recent.progress = DailyProgress::summarize(attempts, "romaji", "UTC",
                                             RecentDays{RecentProgress::days, Date::fromUnixSeconds(now)});
  recent.today = static_cast<std::int64_t>(now) / secondsPerDay;
  return recent;
}

QImage rendered(ProgressView& view) {
  view.resize(view.sizeHint());
  QImage image(view.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  view.render(&image);
  return image;
}

int pixelsWhere(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test) {
  int count = 0;
  QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.left(); x <= inside.right(); ++x) count += test(image.pixelColor(x, y)) ? 1 : 0;
  }
  return count;
}

int pixelsOf(const QImage& image, const QRect& area, QColor colour) {
  return pixelsWhere(image, area, [&](QColor pixel) { return pixel.rgb() == colour.rgb(); });
}

// The rows of `area` that hold `colour`: the height of a bar drawn in it.
int rowsWith(const QImage& image, const QRect& area, QColor colour) {
  int rows = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    rows += pixelsOf(image, QRect(area.left(), y, area.width(), 1), colour) > 0 ? 1 : 0;
  return rows;
}

QColor barColour(const ProgressView& view) { return view.palette().color(QPalette::Highlight); }

// Today two rounds at 300 keys a minute without a miss; five days ago one
// at 100 with 30 misses (77 %); nothing the day before today; a round 40
// days ago, outside the chart.
RecentProgress threeDays() {
  return recentOf({attemptDaysAgo(0, 300, 0, 60), attemptDaysAgo(0, 300, 0, 60), attemptDaysAgo(5, 100, 30, 60),
                   attemptDaysAgo(40, 500, 0, 60)});
}

constexpr std::int64_t todayColumn = RecentProgress::days - 1;
constexpr std::int64_t fiveDaysAgoColumn = RecentProgress::days - 6;

TEST(DesktopProgressView, EachDayWithRoundsHasItsBarInItsOwnColumnScaledToTheAxis) {
  progressApplication();
  ProgressView view;
  QColor bar = barColour(view);
  ASSERT_NE(bar.rgb(), view.palette().color(QPalette::Window).rgb());
  ASSERT_NE(bar.rgb(), view.palette().color(QPalette::Mid).rgb());

  struct Case {
    const char* name;
    SpeedUnit unit;
  };
  const Case cases[] = {{"keys per minute", SpeedUnit::keysPerMinute}, {"words per minute", SpeedUnit::wordsPerMinute}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view.show(threeDays(), KeyMap{}, false, c.unit, "Next: round 2");
    QImage image = rendered(view);
    EXPECT_TRUE(view.emptyMessageRect().isNull());
    for (std::int64_t column = 0; column < RecentProgress::days; ++column) {
      SCOPED_TRACE("column " + std::to_string(column));
      QRect area = view.dayColumn(column);
      ASSERT_FALSE(area.isEmpty());
      if (column == todayColumn || column == fiveDaysAgoColumn) continue;
      EXPECT_EQ(pixelsOf(image, area, bar), 0);
      for (KeyBand band : {KeyBand::weak, KeyBand::fair, KeyBand::strong, KeyBand::untyped})
        EXPECT_EQ(pixelsOf(image, view.accuracyColumn(column), ProgressView::bandColour(band)), 0);
    }
    // The axis ends at the fastest day's median (300 keys, 60 words), so
    // today fills its column and the day at a third of that speed a third.
    int full = view.dayColumn(todayColumn).height();
    EXPECT_EQ(rowsWith(image, view.dayColumn(todayColumn), bar), full);
    EXPECT_NEAR(rowsWith(image, view.dayColumn(fiveDaysAgoColumn), bar), full / 3.0, 1);
    // The bars stand on the zero line: the lowest row of each is filled.
    QRect bottomRow = view.dayColumn(fiveDaysAgoColumn);
    bottomRow.setTop(bottomRow.bottom());
    EXPECT_EQ(pixelsOf(image, bottomRow, bar), bottomRow.width());
    // Accuracy below the bars, in the band of the day: 100 % strong, 77 % weak.
    EXPECT_GT(pixelsOf(image, view.accuracyColumn(todayColumn), ProgressView::bandColour(KeyBand::strong)), 0);
    EXPECT_GT(pixelsOf(image, view.accuracyColumn(fiveDaysAgoColumn), ProgressView::bandColour(KeyBand::weak)), 0);
  }
  // Out of range columns have no place.
  EXPECT_TRUE(view.dayColumn(-1).isNull());
  EXPECT_TRUE(view.dayColumn(RecentProgress::days).isNull());
}

TEST(DesktopProgressView, EveryKeyIsFilledWithItsBandsColourAndCarriesItsMark) {
  progressApplication();
  WeakKeyHistory history;
  history.modes["romaji"]["a"] = {20, 10};  // 50 %
  history.modes["romaji"]["s"] = {20, 2};   // 90 %
  history.modes["romaji"]["d"] = {20, 0};   // 100 %
  history.modes["romaji"]["F"] = {10, 8};   // shifted, counted on the f key: 20 %

  struct Case {
    std::string label;
    KeyBand band;
  };
  const Case cases[] = {
      {"a", KeyBand::weak}, {"s", KeyBand::fair}, {"d", KeyBand::strong},
      {"f", KeyBand::weak}, {"q", KeyBand::untyped}, {"/", KeyBand::untyped},
  };
  for (bool jis : {false, true}) {
    ProgressView view;
    view.show(threeDays(), KeyMap::of(history, "romaji", jis), jis, SpeedUnit::keysPerMinute, {});
    QImage image = rendered(view);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(jis ? "JIS " : "US ") + c.label);
      QRect key = view.keyRect(c.label);
      ASSERT_FALSE(key.isEmpty());
      ASSERT_TRUE(image.rect().contains(key));
      // Most of the key is its band's fill (the rest: cap, mark, outline).
      EXPECT_GT(pixelsOf(image, key, ProgressView::bandColour(c.band)), key.width() * key.height() / 2);
      // The mark in the lower right corner, away from the cap and the
      // outline, is drawn dark on the light fill.
      QRect corner = key.adjusted(key.width() / 2 + 1, key.height() / 2 + 1, -2, -2);
      EXPECT_GT(pixelsWhere(image, corner, [](QColor pixel) { return pixel.lightness() < 100; }), 0);
    }
    // Each layout draws its own keys.
    EXPECT_EQ(view.keyRect("¥").isNull(), !jis);
    EXPECT_EQ(view.keyRect("`").isNull(), jis);
  }
}

// WCAG 2 relative luminance and contrast ratio of two sRGB colours.
double luminance(QColor colour) {
  auto linear = [](int channel) {
    double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) + 0.0722 * linear(colour.blue());
}

double contrast(QColor a, QColor b) {
  double la = luminance(a);
  double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(DesktopProgressView, BandColoursKeepTheKeyTextReadableAndDiffer) {
  // The formula itself, on the two extremes and a known middle grey.
  EXPECT_NEAR(contrast(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(contrast(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);

  struct Case {
    const char* name;
    KeyBand band;
    QString mark;
  };
  const Case cases[] = {
      {"weak", KeyBand::weak, "!"},
      {"fair", KeyBand::fair, "~"},
      {"strong", KeyBand::strong, "+"},
      {"untyped", KeyBand::untyped, "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_GE(contrast(ProgressView::bandColour(c.band), ProgressView::keyTextColour()), 4.5);
    EXPECT_EQ(ProgressView::bandMark(c.band), c.mark);
    for (const Case& other : cases) {
      if (&other != &c) {
        EXPECT_NE(ProgressView::bandColour(c.band).rgb(), ProgressView::bandColour(other.band).rgb());
      }
    }
  }
}

TEST(DesktopProgressView, WithoutRoundsInTheWindowTheChartSaysSoAndKeepsNoOldBars) {
  progressApplication();
  // A day 40 days back is a day with rounds, but not one the chart shows.
  RecentProgress outside = recentOf({});
  DayProgress old;
  old.day = std::chrono::year_month_day{
      std::chrono::sys_days{std::chrono::days{outside.today - 40}}};
  old.rounds = 1;
  old.medianSpeed = 200;
  old.accuracy = 90;
  outside.progress.days.push_back(old);

  struct Case {
    const char* name;
    RecentProgress recent;
  };
  const Case cases[] = {{"no days at all", recentOf({})}, {"only a day before the window", outside}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgressView view;
    QColor bar = barColour(view);
    // Days first, then none: the view must drop what it drew before.
    view.show(threeDays(), KeyMap{}, false, SpeedUnit::keysPerMinute, {});
    rendered(view);
    view.show(c.recent, KeyMap{}, false, SpeedUnit::keysPerMinute, {});
    QImage image = rendered(view);
    for (std::int64_t column = 0; column < RecentProgress::days; ++column) {
      SCOPED_TRACE("column " + std::to_string(column));
      EXPECT_EQ(pixelsOf(image, view.dayColumn(column), bar), 0);
      for (KeyBand band : {KeyBand::weak, KeyBand::fair, KeyBand::strong})
        EXPECT_EQ(pixelsOf(image, view.accuracyColumn(column), ProgressView::bandColour(band)), 0);
    }
    QRect message = view.emptyMessageRect();
    ASSERT_FALSE(message.isEmpty());
    EXPECT_TRUE(QRect(QPoint(0, 0), view.size()).contains(message));
    // The words are drawn there, over a cleared background.
    QColor background = view.palette().color(QPalette::Window);
    EXPECT_GT(pixelsWhere(image, message, [&](QColor pixel) { return pixel.rgb() != background.rgb(); }), 10);
    // The keyboard is still drawn, every key untyped.
    QRect key = view.keyRect("a");
    EXPECT_GT(pixelsOf(image, key, ProgressView::bandColour(KeyBand::untyped)), key.width() * key.height() / 2);
  }
}

}  // namespace
}  // namespace tavro::desktop
