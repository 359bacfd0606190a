#include "TavroCore/input/Romaji.h"

#include <gtest/gtest.h>

namespace tavro {
namespace {

using Spellings = std::vector<std::string>;

TEST(Romaji, Smoke) {
  EXPECT_EQ(Romaji::spellings("かった"), (Spellings{"katta", "kaxtuta", "kaltuta", "kaxtsuta", "kaltsuta"}));
}

}  // namespace
}  // namespace tavro
