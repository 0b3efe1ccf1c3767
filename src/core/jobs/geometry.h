#pragma once
// What the user decides about a resize job, the rules that keep the values in range,
// and the output size of each picture. Pure functions; the window calls them.
#include <optional>
#include <string>

#include "jobs/output_choice.h"
#include "util/rounding.h"

namespace velora {

// FitInBox comes after the first five so their values, and the settings that store
// them, stay as they are.
enum class ResizeMode { DecreaseTimes, IncreaseTimes, SameSize, SameWidth, SameHeight, FitInBox };

struct ResizeSettings {
  ResizeMode Mode = ResizeMode::DecreaseTimes;
  int FactorWhole = 2;   // spnRound
  int FactorTenths = 0;  // spnZecimal
  int BoxWidth = 200;    // spnWidth: SameSize and FitInBox
  int BoxHeight = 151;   // spnHeight: SameSize and FitInBox
  int SideLength = 600;  // spnWH
  int FilterIndex = 6;   // cmbResampleQ: "Mitchell"
  int Quality = 74;      // trkQuality
  bool AddFilterName = false;
  bool OverwriteOutput = true;
  bool ProtectHuge = true;
  bool ShowPreview = true;
  // A picture no larger than the target on the side(s) its mode sets keeps its size.
  bool NeverEnlarge = false;
  OutputFormat Format = OutputFormat::Jpeg;
  MetadataChoice Metadata = MetadataChoice::None;
};

struct TSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TSize&) const = default;
};

// Whole + tenths / 10 formed in extended precision, held as a 64-bit float; 0 and 0
// give 1.0.
double XFactor(int whole, int tenths);
// The factor modes need a factor above 1.0; the other modes are always valid.
bool FactorIsValid(ResizeMode mode, double xFactor);
// The output size of a picture of the given size (may be 0 or negative).
//
// FitInBox: one scale factor s = min(BoxWidth / source width, BoxHeight / source height),
// formed and kept in 80-bit extended precision like the other modes' arithmetic, applied
// to both sides: width = RoundHalfEven(source width x s), height = RoundHalfEven(source
// height x s), width first. Ties go to the even neighbour, so a 4 x 5 picture fitted into
// a 2-pixel-wide box becomes 2 x 2 (2.5 gives 2). A side that rounds below 1 is too small,
// as in the other modes. A picture without pixels gives 0 x 0.
//
// NeverEnlarge (SameSize, SameWidth, SameHeight, FitInBox; IncreaseTimes and
// DecreaseTimes ignore it): see KeepsOwnSize.
TSize OutputSize(const ResizeSettings& settings, int sourceWidth, int sourceHeight);
// Whether never-enlarge keeps this picture at its own size: it is already no larger than
// the target on the side(s) the mode sets (both box sides in SameSize and FitInBox, the
// width in SameWidth, the height in SameHeight).
bool KeepsOwnSize(const ResizeSettings& settings, int sourceWidth, int sourceHeight);
// The position of the approximate file size bar (0..296) for a JPEG quality.
int SizeIndicator(int quality);

// A number box with optional limits: its text reads as a whole decimal number, or as the
// lower limit (0 without one) when it is not one; setting a value applies the limits.
struct NumberBox {
  std::optional<int> Lower;
  std::optional<int> Upper;
  int Read(const std::string& text) const;
  int Limit(int value) const;
};

inline constexpr NumberBox kRoundBox{1, 10};     // spnRound
inline constexpr NumberBox kZecimalBox{-1, 10};  // spnZecimal
inline constexpr NumberBox kWidthBox{};          // spnWidth
inline constexpr NumberBox kHeightBox{10, {}};   // spnHeight
inline constexpr NumberBox kSideBox{};           // spnWH

struct FactorBoxes {
  int Whole;
  int Tenths;
  bool operator==(const FactorBoxes&) const = default;
};
// The tenths carry that runs when the tenths box changes: -1 borrows from the whole
// part, 10 carries into it, and the factor never drops below 1.0.
FactorBoxes TenthsCarry(FactorBoxes boxes);
// "Set 4/3": the box height for a box width, after the height box's limits.
int HeightForFourThirds(int boxWidth);

}  // namespace velora
