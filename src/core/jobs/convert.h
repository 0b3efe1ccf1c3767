#pragma once
// The conversion of one picture: load it, check it, work out its output size, resample
// it with the selected filter and write it as a JPEG, PNG or WebP file into the output
// folder. The window's runs and the command-line tool both use it.
#include <functional>
#include <string>

#include "jobs/geometry.h"
#include "jobs/output_names.h"
#include "picture/picture.h"

namespace velora {

// The lines of the job log.
inline constexpr const char* kLogCannotOpen = "ERROR! Cannot open picture: ";
inline constexpr const char* kLogHugeImage = "WARNING! Huge image: ";
inline constexpr const char* kLogFileExists = "WARNING! File already exists (not overwritten): ";
inline constexpr const char* kLogCannotSave = "Cannot save file as: ";
inline constexpr const char* kLogSaved = "File resized and saved as: ";
inline constexpr const char* kLogAborted = "Process aborted.";
inline constexpr const char* kLogTooSmall = "WARNING! Output size too small: ";
inline constexpr const char* kLogCannotResize = "ERROR! Cannot resize picture: ";
inline constexpr const char* kLogDamaged = "WARNING! Damaged picture (partly read): ";
inline constexpr const char* kLogNewBatch = " NEW BATCH JOB STARTED";
inline constexpr const char* kLogSingleImage = " RESIZING SINGLE IMAGE";

// Pictures wider and higher than this are skipped while huge pictures are protected.
inline constexpr int kHugeSide = 10000;

// How a conversion speaks to its surroundings.
struct ConvertHooks {
  std::function<void(const std::string& line)> Log;  // append one line to the job log
  std::function<void()> RepaintPreview;              // show the loaded picture now
  std::function<void()> FocusFactorBox;              // after an invalid factor
};

struct ConvertResult {
  bool FactorValid = true;  // false only when the x factor was not usable
  std::string SavedAs;      // the file written, or empty
  bool Damaged = false;     // the source was read only in part (its output holds guesses)
  bool OutputKept = false;  // the output existed and was not to be replaced
};

// The row of the filter table the settings select; an index outside it selects
// "Mitchell".
int EffectiveFilterIndex(const ResizeSettings& settings);
// The output folder, the source's name without its extension, optionally a blank and the
// filter's name, and the extension of the format the source is written in.
std::string OutputName(const ResizeSettings& settings, const std::string& sourcePath,
                       const std::string& outputFolder);
// The error box text for an x factor that is not above 1.0.
std::string InvalidFactorText(double xFactor);

// Converts one picture. The picture is loaded into `preview`, which keeps it afterwards
// (and keeps its previous picture when loading fails). Problems are reported as job-log
// lines and message boxes; nothing is left half-written. A picture without pixels (an
// empty file) cannot be opened; a damaged one is still written, after a warning line that
// names it. The resampling may use up to `threads` threads. With `outputs`, the run's register of
// written names: a name the run has written already is never replaced, the picture gets "<name>
// (2).<ext>" (the first number free in the run) instead.
ConvertResult ConvertImage(const ResizeSettings& settings, const std::string& sourcePath,
                           const std::string& outputFolder, TPicture& preview,
                           const ConvertHooks& hooks, int threads = 1,
                           RunOutputs* outputs = nullptr);

}  // namespace velora
