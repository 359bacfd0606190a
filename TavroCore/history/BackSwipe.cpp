#include "TavroCore/history/BackSwipe.h"

#include <algorithm>
#include <cmath>

namespace tavro {
namespace {

constexpr double decisionDistance = 12;
constexpr double classifyRatio = 1.5;
constexpr double fireDistance = 80;
constexpr double fireRatio = 1.8;

}  // namespace

void BackSwipe::begin() {
  *this = BackSwipe();
}

bool BackSwipe::update(double x, double y, bool precise, bool momentum) {
  if (!precise || momentum || fired_) return false;
  horizontal_ += x;
  vertical_ += std::fabs(y);
  if (axis_ == Axis::blocked) return false;
  if (axis_ == Axis::undecided) {
    if (std::max(std::fabs(horizontal_), vertical_) < decisionDistance) return false;
    if (horizontal_ > classifyRatio * vertical_) {
      axis_ = Axis::right;
    } else {
      axis_ = Axis::blocked;
      return false;
    }
  }
  if (horizontal_ >= fireDistance && fireRatio * vertical_ < horizontal_) {
    fired_ = true;
    return true;
  }
  return false;
}

}  // namespace tavro
