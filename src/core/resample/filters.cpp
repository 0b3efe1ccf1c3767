// The kernels work on 32-bit floats but evaluate their expressions in x87 extended
// precision (long double), rounding to 32 bits exactly where a value is stored. Those
// rounding points decide the last bit of many weights, so they are spelled out.
#include "resample/filters.h"

#include <cfloat>
#include <cmath>

namespace velora {

static_assert(LDBL_MANT_DIG == 64, "the kernels need 80-bit extended precision");

namespace {

using ext = long double;
// The extended values nearest to these fractions.
constexpr ext kTwoThirds = 2.0L / 3.0L;
constexpr ext kOneSixth = 1.0L / 6.0L;
constexpr ext kSixteenThirds = 16.0L / 3.0L;
constexpr ext kMinusSevenThirds = -7.0L / 3.0L;
constexpr ext kThirtyTwoThirds = 32.0L / 3.0L;
constexpr ext kPi = 3.1415926535897932385L;

float Abs(float x) {
  return x < 0 ? -x : x;
}

}  // namespace

float BoxKernel(float x) {
  return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f;
}

float TriangleKernel(float x) {
  const ext a = Abs(x);
  return a < 1 ? static_cast<float>(1 - a) : 0.0f;
}

float HermiteKernel(float x) {
  const ext a = Abs(x);
  return a < 1 ? static_cast<float>((2 * a - 3) * (a * a) + 1) : 0.0f;
}

float BellKernel(float x) {
  const ext a = Abs(x);
  if (a < 0.5L) return static_cast<float>(0.75L - a * a);
  if (a < 1.5L) {
    const ext t = static_cast<float>(a - 1.5L);
    return static_cast<float>(0.5L * t * t);
  }
  return 0.0f;
}

float BSplineKernel(float x) {
  const ext a = Abs(x);
  if (a < 1) {
    const ext t = static_cast<float>(a * a);
    return static_cast<float>(0.5L * t * a - t + kTwoThirds);
  }
  if (a < 2) {
    const ext u = static_cast<float>(2 - a);
    return static_cast<float>(u * u * kOneSixth * u);
  }
  return 0.0f;
}

float MitchellKernel(float x) {
  const ext a = Abs(x);
  const ext t = static_cast<float>(a * a);
  if (a < 1) {
    const ext numerator = static_cast<float>(7 * a * t - 12 * t + kSixteenThirds);
    return static_cast<float>(numerator / 6);
  }
  if (a < 2) {
    const ext numerator =
        static_cast<float>(kMinusSevenThirds * a * t + 12 * t - 20 * a + kThirtyTwoThirds);
    return static_cast<float>(numerator / 6);
  }
  return 0.0f;
}

float SincValue(float x) {
  if (x == 0) return 1.0f;
  const ext y = static_cast<float>(x * kPi);
  return static_cast<float>(std::sin(y) / y);
}

float Lanczos3Kernel(float x) {
  const float a = Abs(x);
  if (a < 3) {
    const ext s = SincValue(a);
    const float third = static_cast<float>(static_cast<ext>(a) / 3);
    return static_cast<float>(s * SincValue(third));
  }
  return 0.0f;
}

}  // namespace velora
