#include "jobs/convert.h"
#include "formats/formats.h"

#include "jpeg/jpeg.h"
#include "picture/color_profile.h"
#include "picture/orientation.h"
#include "resample/resample.h"
#include "util/TarnoTPU.h"

namespace velora {

namespace {

void Log(const ConvertHooks& hooks, const std::string& line) {
  if (hooks.Log) hooks.Log(line);
}

void ShowError(const ConvertHooks& hooks, const std::string& text) {
  if (hooks.ShowError) {
    hooks.ShowError(text);
  } else {
    MsgError(text);
  }
}

}  // namespace

int EffectiveFilterIndex(const ResizeSettings& settings) {
  const int index = settings.FilterIndex;
  return index >= 0 && index < static_cast<int>(FilterTable.size()) ? index : 6;
}

std::string OutputName(const ResizeSettings& settings, const std::string& sourcePath,
                       const std::string& outputFolder) {
  std::string name = outputFolder + FileNameNoExt(sourcePath);
  if (settings.AddFilterName) {
    name += " ";
    name += FilterTable[static_cast<size_t>(EffectiveFilterIndex(settings))].Name;
  }
  return name + ".jpg";
}

std::string InvalidFactorText(double xFactor) {
  return "Invalid \"x\" factor! (" + FormatReal(2, xFactor) + ")\r\n" +
         "Please choose a resize factor higher than 1.";
}

ConvertResult ConvertImage(const ResizeSettings& settings, const std::string& sourcePath,
                           const std::string& outputFolder, TPicture& preview,
                           const ConvertHooks& hooks, int threads) {
  ConvertResult result;
  TBitmap target;
  target.SetPixelDepth(PixelDepth::pf24bit);
  TJPEGImage jpeg;
  jpeg.SetDecodeDepth(TJPEGPixelFormat::jf24Bit);

  try {
    LoadPictureFile(preview, sourcePath);
  } catch (const std::exception&) {
    Log(hooks, kLogCannotOpen + sourcePath);
    return result;
  }
  if (settings.ShowPreview && hooks.RepaintPreview) hooks.RepaintPreview();

  // Photos are turned upright: every size rule applies to the picture as it is seen.
  const TGraphic& picture = *preview.Graphic();
  const int orientation = picture.Orientation();
  const int width = UprightWidth(picture), height = UprightHeight(picture);
  if (settings.ProtectHuge && width > kHugeSide && height > kHugeSide) {
    Log(hooks, kLogHugeImage + sourcePath);
    return result;
  }

  jpeg.EncodeQuality = settings.Quality;

  const double factor = XFactor(settings.FactorWhole, settings.FactorTenths);
  if (!FactorIsValid(settings.Mode, factor)) {
    ShowError(hooks, InvalidFactorText(factor));
    if (hooks.FocusFactorBox) hooks.FocusFactorBox();
    result.FactorValid = false;
    return result;
  }

  const TSize size = OutputSize(settings, width, height);
  if (size.Width < 1 || size.Height < 1) {
    Log(hooks, kLogTooSmall + sourcePath);
    return result;
  }
  const std::string outputName = OutputName(settings, sourcePath, outputFolder);
  try {
    // The resampler writes every pixel, so the new image need not be filled white first.
    target.SetSizeForOverwrite(size.Width, size.Height);
  } catch (const std::exception& e) {
    Log(hooks, kLogCannotResize + sourcePath + " (" + e.what() + ")");
    return result;
  }

  if (!settings.OverwriteOutput && FileExists(outputName)) {
    Log(hooks, kLogFileExists + outputName);
    return result;
  }

  try {
    const TFilterRow& filter = FilterTable[static_cast<size_t>(EffectiveFilterIndex(settings))];
    ResampleGraphic(picture, target, filter.Kernel, filter.Support, threads, orientation);
    if (hooks.Resampled) hooks.Resampled(target);
    jpeg.CopyGraphic(&target);
    // The colours keep their meaning: the output carries the source's profile.
    if (ProfileSuitsColorPixels(picture.ColorProfile())) {
      jpeg.EncodeColorProfile = picture.ColorProfile();
    }
  } catch (const std::exception& e) {
    Log(hooks, kLogCannotResize + sourcePath + " (" + e.what() + ")");
    return result;
  }

  try {
    jpeg.SaveFile(outputName);
  } catch (const std::exception&) {
    ShowError(hooks, kLogCannotSave + outputName);
    Log(hooks, kLogCannotSave + outputName);
    return result;
  }
  result.SavedAs = outputName;
  return result;
}

}  // namespace velora
