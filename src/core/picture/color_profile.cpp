#include "picture/color_profile.h"

#include <cstring>

namespace velora {

bool ProfileSuitsColorPixels(const std::vector<uint8_t>& profile) {
  // The header's data colour space: four letters at offset 16, "RGB " for colour.
  constexpr size_t kColorSpace = 16;
  if (profile.size() < kColorSpace + 4) return true;  // too short to say otherwise
  return std::memcmp(profile.data() + kColorSpace, "RGB ", 4) == 0;
}

}  // namespace velora
