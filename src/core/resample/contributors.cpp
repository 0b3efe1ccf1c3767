#include "resample/contributors.h"

#include <cmath>

namespace velora {

namespace {
using ext = long double;
}  // namespace

float AxisScale(int outLength, int inLength) {
  if (inLength == 1) return static_cast<float>(static_cast<ext>(outLength) / inLength);
  return static_cast<float>(static_cast<ext>(outLength - 1) / (inLength - 1));
}

std::vector<ContributorList> BuildContributors(int outLength, float scale, float support, int n,
                                               TKernel kernel) {
  std::vector<ContributorList> lists(static_cast<size_t>(outLength));
  const bool shrinking = scale < 1;
  // Shrinking stretches the kernel by 1 / scale and scales its height by scale.
  const float width = shrinking ? static_cast<float>(static_cast<ext>(support) / scale) : support;
  const float fscale = shrinking ? static_cast<float>(1 / static_cast<ext>(scale)) : 1.0f;
  for (int i = 0; i < outLength; ++i) {
    const float center = static_cast<float>(static_cast<ext>(i) / scale);
    const auto left = static_cast<long long>(std::floor(static_cast<ext>(center) - width));
    const auto right = static_cast<long long>(std::ceil(static_cast<ext>(center) + width));
    ContributorList& list = lists[static_cast<size_t>(i)];
    list.reserve(static_cast<size_t>(right - left + 1));
    for (long long j = left; j <= right; ++j) {
      float weight;
      if (shrinking) {
        const float x = static_cast<float>((static_cast<ext>(center) - j) / fscale);
        weight = static_cast<float>(static_cast<ext>(kernel(x)) / fscale);
      } else {
        weight = kernel(static_cast<float>(static_cast<ext>(center) - j));
      }
      if (weight == 0) continue;
      // Mirror at the edges: about the first pixel at the start, after the last pixel
      // (which is repeated) at the end. What the mirror still leaves outside the line
      // reads the nearest edge pixel.
      long long p = j < 0 ? -j : (j >= n ? 2LL * n - 1 - j : j);
      if (p < 0) p = 0;
      if (p > n - 1) p = n - 1;
      list.push_back({static_cast<int>(p), weight});
    }
  }
  return lists;
}

uint64_t DivideHalfEven(uint64_t sum, uint64_t n) {
  const uint64_t q = sum / n, r = sum % n;
  if (2 * r > n || (2 * r == n && (q & 1))) return q + 1;
  return q;
}

}  // namespace velora
