#pragma once
// ICC colour profiles as pictures carry them: opaque bytes, passed from the source file
// to the output file so viewers show the same colours.
#include <cstdint>
#include <vector>

namespace velora {

// Whether a profile may describe colour pixels (blue, green, red): false only when its
// header names another colour space, such as the gray profile of a gray picture or the
// CMYK profile of a print file. The outputs are colour pictures, and a profile of another
// colour space on them would make viewers misread (or refuse) every colour.
bool ProfileSuitsColorPixels(const std::vector<uint8_t>& profile);

}  // namespace velora
