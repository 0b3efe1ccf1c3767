// Geometry is computed in x87 extended precision with 64-bit factors and ratios; the
// rounding points below decide ties such as 2.5 or 4.5 and are part of the results.
#include "jobs/geometry.h"

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>

namespace velora {

static_assert(LDBL_MANT_DIG == 64, "geometry needs 80-bit extended precision");

using ext = long double;

double XFactor(int whole, int tenths) {
  if (whole == 0 && tenths == 0) return 1.0;
  return static_cast<double>(static_cast<ext>(whole) + static_cast<ext>(tenths) / 10);
}

bool FactorIsValid(ResizeMode mode, double xFactor) {
  if (mode == ResizeMode::DecreaseTimes || mode == ResizeMode::IncreaseTimes) {
    return xFactor > 1.0;
  }
  return true;
}

bool KeepsOwnSize(const ResizeSettings& s, int sourceWidth, int sourceHeight) {
  if (!s.NeverEnlarge) return false;
  switch (s.Mode) {
    case ResizeMode::SameSize:
    case ResizeMode::FitInBox:
      return sourceWidth <= s.BoxWidth && sourceHeight <= s.BoxHeight;
    case ResizeMode::SameWidth:
      return sourceWidth <= s.SideLength;
    case ResizeMode::SameHeight:
      return sourceHeight <= s.SideLength;
    case ResizeMode::DecreaseTimes:
    case ResizeMode::IncreaseTimes:
      break;
  }
  return false;
}

TSize OutputSize(const ResizeSettings& s, int sourceWidth, int sourceHeight) {
  if (KeepsOwnSize(s, sourceWidth, sourceHeight)) return {sourceWidth, sourceHeight};
  const ext sw = sourceWidth, sh = sourceHeight;
  TSize out;
  switch (s.Mode) {
    case ResizeMode::DecreaseTimes:
      out.Width = RoundHalfEven(sw / XFactor(s.FactorWhole, s.FactorTenths));
      out.Height = RoundHalfEven(sh / XFactor(s.FactorWhole, s.FactorTenths));
      break;
    case ResizeMode::IncreaseTimes:
      out.Width = RoundHalfEven(sw * XFactor(s.FactorWhole, s.FactorTenths));
      out.Height = RoundHalfEven(sh * XFactor(s.FactorWhole, s.FactorTenths));
      break;
    case ResizeMode::SameSize:
      out.Height = s.BoxHeight;
      out.Width = s.BoxWidth;
      break;
    case ResizeMode::SameWidth: {
      const double r = static_cast<double>(sw / sh);
      out.Width = s.SideLength;
      out.Height = RoundHalfEven(static_cast<ext>(out.Width) / r);
      break;
    }
    case ResizeMode::SameHeight: {
      const double r = static_cast<double>(sh / sw);
      out.Height = s.SideLength;
      out.Width = RoundHalfEven(static_cast<ext>(out.Height) / r);
      break;
    }
    case ResizeMode::FitInBox: {
      if (sourceWidth < 1 || sourceHeight < 1) break;
      const ext scale =
          std::min(static_cast<ext>(s.BoxWidth) / sw, static_cast<ext>(s.BoxHeight) / sh);
      out.Width = RoundHalfEven(sw * scale);
      out.Height = RoundHalfEven(sh * scale);
      break;
    }
  }
  return out;
}

int SizeIndicator(int quality) {
  const ext q = quality;
  return RoundHalfEven(q * (q / 50 + 1)) + 20;
}

int NumberBox::Read(const std::string& text) const {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  const size_t digitsStart = i;
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) break;
  }
  const long long signedValue = negative ? -value : value;
  const bool whole =
      i == text.size() && i > digitsStart && signedValue >= INT_MIN && signedValue <= INT_MAX;
  if (!whole) return Lower.value_or(0);
  return static_cast<int>(signedValue);
}

int NumberBox::Limit(int value) const {
  if (Lower && value < *Lower) return *Lower;
  if (Upper && value > *Upper) return *Upper;
  return value;
}

FactorBoxes TenthsCarry(FactorBoxes b) {
  if (b.Whole == 1 && b.Tenths == -1) return {1, 0};
  if (b.Tenths == 10) return {kRoundBox.Limit(b.Whole + 1), 0};
  if (b.Tenths == -1) return {kRoundBox.Limit(b.Whole - 1), 9};
  return b;
}

int HeightForFourThirds(int boxWidth) {
  constexpr ext kFourThirds = 4.0L / 3.0L;  // the extended value nearest to 4/3
  return kHeightBox.Limit(RoundHalfEven(static_cast<ext>(boxWidth) / kFourThirds));
}

}  // namespace velora
