// Which colour profiles may go with the colour pixels of an output.
#include <gtest/gtest.h>

#include <string>

#include "picture/color_profile.h"

using namespace velora;

TEST(ColorProfile, OnlyProfilesOfAnotherColourSpaceAreUnsuitable) {
  auto profile = [](const std::string& space, size_t size) {
    std::vector<uint8_t> p(size, 0x5A);
    for (size_t i = 0; i < space.size() && 16 + i < size; ++i) p[16 + i] = space[i];
    return p;
  };
  EXPECT_TRUE(ProfileSuitsColorPixels({}));
  EXPECT_TRUE(ProfileSuitsColorPixels({7}));  // too short to name a colour space
  EXPECT_TRUE(ProfileSuitsColorPixels(profile("RGB ", 19)));
  EXPECT_TRUE(ProfileSuitsColorPixels(profile("RGB ", 20)));
  EXPECT_TRUE(ProfileSuitsColorPixels(profile("RGB ", 3144)));
  EXPECT_FALSE(ProfileSuitsColorPixels(profile("GRAY", 3144)));
  EXPECT_FALSE(ProfileSuitsColorPixels(profile("CMYK", 3144)));
  EXPECT_FALSE(ProfileSuitsColorPixels(profile("rgb ", 3144)));
}
