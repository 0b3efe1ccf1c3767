#include "jobs/convert.h"

#include "formats/formats.h"
#include "jobs/transparency.h"
#include "jpeg/jpeg.h"
#include "metadata/photo_info.h"
#include "picture/color_profile.h"
#include "picture/orientation.h"
#include "png/png_write.h"
#include "resample/resample.h"
#include "util/TarnoTPU.h"
#include "util/atomic_file.h"
#include "webp/webp_write.h"

namespace velora {

namespace {

void Log(const ConvertHooks& hooks, const std::string& line) {
  if (hooks.Log) hooks.Log(line);
}

// The name a conversion has taken in its run; given back unless a file was written.
class TakenName {
 public:
  TakenName(RunOutputs* outputs, const std::string& wanted)
      : outputs_(outputs), path_(outputs ? outputs->Take(wanted) : wanted) {}
  ~TakenName() {
    if (outputs_ && !written_) outputs_->GiveBack(path_);
  }
  TakenName(const TakenName&) = delete;
  TakenName& operator=(const TakenName&) = delete;
  const std::string& Path() const { return path_; }
  void Written() { written_ = true; }

 private:
  RunOutputs* outputs_;
  std::string path_;
  bool written_ = false;
};

// The resampled picture and what goes into its file besides the pixels.
struct OutputPicture {
  TBitmap pixels;
  std::vector<uint8_t> alpha;  // empty: opaque
  std::vector<uint8_t> colorProfile;
  PhotoInfo info;
};

// PNG and WebP files are made in memory and then replace the file in one step, as JPEG
// files are.
void WritePngOrWebp(const OutputPicture& picture, OutputFormat format, int quality,
                    const std::string& path) {
  const uint8_t* alpha = picture.alpha.empty() ? nullptr : picture.alpha.data();
  std::vector<uint8_t> bytes;
  if (format == OutputFormat::Png) {
    bytes = EncodePngBytes(picture.pixels,
                           {alpha, picture.colorProfile, picture.info.Exif, picture.info.Xmp});
  } else {
    bytes = EncodeWebpBytes(picture.pixels, {quality, alpha, picture.colorProfile,
                                             picture.info.Exif, picture.info.Xmp});
  }
  WriteFileAtomically(path, bytes.data(), bytes.size());
}

// Resamples the picture into `out.pixels` (already sized). An opaque picture takes the
// plain path; a transparent one is laid over white for JPEG, or keeps its alpha.
// A picture that keeps its own size keeps its pixels, turned upright: a filter would only
// soften it. (With its transparency kept, it still goes through the premultiplied
// resampler, which turns the alpha plane upright together with the colours.)
void ResamplePicture(const TGraphic& picture, OutputFormat format, const TFilterRow& filter,
                     int threads, int orientation, bool keepOwnSize, OutputPicture& out) {
  std::vector<uint8_t> alpha = picture.AlphaPlane();
  if (alpha.size() != static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()))
    alpha.clear();
  if (alpha.empty()) {
    if (keepOwnSize)
      CopyUpright(picture, out.pixels);
    else
      ResampleGraphic(picture, out.pixels, filter.Kernel, filter.Support, threads, orientation);
    return;
  }
  TBitmap source;
  source.CopyGraphic(&picture);
  source.SetPixelDepth(PixelDepth::pf24bit);
  if (format == OutputFormat::Jpeg) {
    LayOverWhite(source, alpha);
    if (keepOwnSize) {
      out.pixels.CopyGraphic(&source);
      TurnUpright(out.pixels, orientation);
    } else
      ResampleGraphic(source, out.pixels, filter.Kernel, filter.Support, threads, orientation);
  } else {
    out.alpha = ResampleWithAlpha(source, alpha, out.pixels, filter.Kernel, filter.Support, threads,
                                  orientation);
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
  return name + FormatExtension(WrittenFormat(settings.Format, sourcePath));
}

std::string InvalidFactorText(double xFactor) {
  return "Invalid \"x\" factor! (" + FormatReal(2, xFactor) + ")\r\n" +
         "Please choose a resize factor higher than 1.";
}

ConvertResult ConvertImage(const ResizeSettings& settings, const std::string& sourcePath,
                           const std::string& outputFolder, TPicture& preview,
                           const ConvertHooks& hooks, int threads, RunOutputs* outputs) {
  ConvertResult result;
  OutputPicture out;
  TBitmap& target = out.pixels;
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
  // An empty file loads as a picture of no pixels: there is nothing in it to read.
  if (width < 1 || height < 1) {
    Log(hooks, kLogCannotOpen + sourcePath);
    return result;
  }
  if (settings.ProtectHuge && width > kHugeSide && height > kHugeSide) {
    Log(hooks, kLogHugeImage + sourcePath);
    return result;
  }

  jpeg.EncodeQuality = settings.Quality;

  const double factor = XFactor(settings.FactorWhole, settings.FactorTenths);
  if (!FactorIsValid(settings.Mode, factor)) {
    MsgError(InvalidFactorText(factor));
    if (hooks.FocusFactorBox) hooks.FocusFactorBox();
    result.FactorValid = false;
    return result;
  }

  const TSize size = OutputSize(settings, width, height);
  if (size.Width < 1 || size.Height < 1) {
    Log(hooks, kLogTooSmall + sourcePath);
    return result;
  }
  const OutputFormat format = WrittenFormat(settings.Format, sourcePath);
  TakenName taken(outputs, OutputName(settings, sourcePath, outputFolder));
  const std::string& outputName = taken.Path();
  try {
    // The resampler writes every pixel, so the new image need not be filled white first.
    target.SetSizeForOverwrite(size.Width, size.Height);
  } catch (const std::exception& e) {
    Log(hooks, kLogCannotResize + sourcePath + " (" + e.what() + ")");
    return result;
  }

  if (!settings.OverwriteOutput && FileExists(outputName)) {
    Log(hooks, kLogFileExists + outputName);
    result.OutputKept = true;
    return result;
  }

  try {
    const TFilterRow& filter = FilterTable[static_cast<size_t>(EffectiveFilterIndex(settings))];
    ResamplePicture(picture, format, filter, threads, orientation,
                    KeepsOwnSize(settings, width, height), out);
    // The colours keep their meaning: the output carries the source's profile.
    if (ProfileSuitsColorPixels(picture.ColorProfile())) out.colorProfile = picture.ColorProfile();
    if (settings.Metadata != MetadataChoice::None) {
      out.info = KeptPhotoInfo(ReadMetadataBlocks(sourcePath),
                               settings.Metadata == MetadataChoice::All, size.Width, size.Height);
    }
    if (format == OutputFormat::Jpeg) {
      jpeg.CopyGraphic(&target);
      jpeg.EncodeColorProfile = out.colorProfile;
      jpeg.EncodeExif = out.info.Exif;
      jpeg.EncodeXmp = out.info.Xmp;
    }
  } catch (const std::exception& e) {
    Log(hooks, kLogCannotResize + sourcePath + " (" + e.what() + ")");
    return result;
  }
  // Only the pixels read tell: the warning comes before the outcome of the write, so the
  // picture's lines read as its problems first and then what became of it.
  result.Damaged = picture.Damaged();
  if (result.Damaged) Log(hooks, kLogDamaged + sourcePath);

  try {
    if (format == OutputFormat::Jpeg) {
      jpeg.SaveFile(outputName);
    } else {
      WritePngOrWebp(out, format, settings.Quality, outputName);
    }
  } catch (const std::exception&) {
    MsgError(kLogCannotSave + outputName);
    Log(hooks, kLogCannotSave + outputName);
    return result;
  }
  taken.Written();
  result.SavedAs = outputName;
  return result;
}

}  // namespace velora
