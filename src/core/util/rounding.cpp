#include "util/rounding.h"

#include <climits>
#include <cmath>

namespace velora {

int RoundHalfEven(long double x) {
  if (std::isnan(x)) return 0;
  const long double r = std::nearbyint(x);  // the default rounding mode: nearest, ties to even
  if (r >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (r <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(r);
}

}  // namespace velora
