#include "options.h"

#include <charconv>
#include <thread>

#include "resample/filters.h"

namespace velora::cli {

namespace {

// A whole decimal number that fits 32 bits, and nothing else.
bool ParseInt(const std::string& text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  std::string lower;
  for (char c : a) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  std::string other;
  for (const char* p = b; *p; ++p)
    other += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
  return lower == other;
}

// "W" or "W.T", with W 1..10 and T 0..9 as the factor boxes allow.
bool ParseFactor(const std::string& text, int& whole, int& tenths) {
  const size_t point = text.find('.');
  const std::string w = text.substr(0, point);
  const std::string t = point == std::string::npos ? "0" : text.substr(point + 1);
  if (w.empty() || t.size() != 1 || w.find_first_not_of("0123456789") != std::string::npos ||
      t.find_first_not_of("0123456789") != std::string::npos || w.size() > 2) {
    return false;
  }
  whole = std::stoi(w);
  tenths = t[0] - '0';
  return whole >= kRoundBox.Lower && whole <= kRoundBox.Upper;
}

// The words of an option whose value is one of a few, and what each stands for.
template <class T>
struct Choice {
  const char* word;
  T value;
};
constexpr Choice<ResizeMode> kModes[] = {{"decrease", ResizeMode::DecreaseTimes},
                                         {"increase", ResizeMode::IncreaseTimes},
                                         {"size", ResizeMode::SameSize},
                                         {"width", ResizeMode::SameWidth},
                                         {"height", ResizeMode::SameHeight},
                                         {"fit", ResizeMode::FitInBox}};
constexpr Choice<OutputFormat> kFormats[] = {{"jpeg", OutputFormat::Jpeg},
                                             {"png", OutputFormat::Png},
                                             {"webp", OutputFormat::Webp},
                                             {"same", OutputFormat::Same}};
constexpr Choice<MetadataChoice> kMetadataChoices[] = {{"none", MetadataChoice::None},
                                                       {"no-location", MetadataChoice::NoLocation},
                                                       {"all", MetadataChoice::All}};

template <class T, size_t N>
bool ParseChoice(const std::string& word, const Choice<T> (&choices)[N], T& value) {
  for (const Choice<T>& choice : choices) {
    if (word == choice.word) {
      value = choice.value;
      return true;
    }
  }
  return false;
}

}  // namespace

const char* UsageText() {
  return "usage: velora-resize [options] FOLDER|FILE...\n"
         "       velora-resize [options] --files-from LIST [FOLDER|FILE...]\n"
         "Resizes pictures (JPEG, BMP, PNG, GIF, HEIC/HEIF, AVIF, WebP, TIFF) and writes\n"
         "them as JPEG, PNG or WebP files into the subfolder Output/ of each picture's folder.\n"
         "Photos are turned upright (EXIF or TIFF orientation) and keep their colour (ICC)\n"
         "profile.\n"
         "No output of a run replaces another: a name already written gets \" (2)\" and so on.\n"
         "\n"
         "  --mode MODE        decrease (default), increase, size, width, height or fit\n"
         "  --factor W.T       the factor of decrease and increase, 1.1 to 10.9 (default 2.0)\n"
         "  --width N          the width in size and fit modes (default 200)\n"
         "  --height N         the height in size and fit modes (default 151, at least 10)\n"
         "  --side N           the fixed side in width and height modes (default 600)\n"
         "  --no-enlarge       in size, width, height and fit modes, a picture already no\n"
         "                     larger than the target keeps its own size\n"
         "  --filter NAME      Box, Triangle, Hermite, Bell, B-Spline, Lanczos3 or Mitchell\n"
         "                     (default Mitchell)\n"
         "  --quality Q        JPEG and WebP quality, 5 to 95 (default 74)\n"
         "  --format FORMAT    jpeg (default), png, webp, or same: JPEG, PNG and WebP\n"
         "                     pictures keep their format, the others become JPEG\n"
         "  --metadata WHAT    photo information (EXIF, XMP) kept: none (default),\n"
         "                     no-location (EXIF without GPS, no XMP) or all\n"
         "  --add-filter-name  append the filter's name to output file names\n"
         "  --no-overwrite     skip pictures whose output exists already (safe re-runs)\n"
         "  --no-protect       also convert pictures wider and higher than 10000 pixels\n"
         "  --recursive, -r    also the pictures of every subfolder, mirrored under Output/\n"
         "                     (never Output folders, hidden folders or links to folders)\n"
         "  --files-from LIST  also the paths listed in LIST, one a line (\"-\": standard\n"
         "                     input); relative paths keep their folders under --output\n"
         "  -0, --null         the list's paths are separated by NUL bytes (find -print0)\n"
         "  --shard K/N        only every N-th picture, starting with the K-th, of all the\n"
         "                     pictures named, sorted by path: N runs cover each once\n"
         "  --jobs N           threads of work in all (default: the number of processors)\n"
         "  --output DIR       write every output into DIR instead of Output/\n"
         "  --quiet            print no job log and no progress, only the summary line\n"
         "  --help, --version\n"
         "\n"
         "The last line is a summary: \"Summary: W written, S skipped, F failed\"; skipped\n"
         "pictures kept an existing output. The exit status is 0 when every picture has its\n"
         "output, 1 when any failed, 2 for a usage error.\n";
}

namespace {

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& text, int& k, int& n) {
  const size_t slash = text.find('/');
  return slash != std::string::npos && ParseInt(text.substr(0, slash), k) &&
         ParseInt(text.substr(slash + 1), n) && n >= 1 && k >= 1 && k <= n;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  o.Jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
      value = arg.substr(arg.find('=') + 1);
      arg = arg.substr(0, arg.find('='));
      hasValue = true;
    }
    auto needValue = [&]() -> bool {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    auto needInt = [&](int& out) -> bool {
      if (!needValue()) return false;
      if (!ParseInt(value, out)) {
        error = "option " + arg + " needs a whole number, not '" + value + "'";
        return false;
      }
      return true;
    };
    ResizeSettings& s = o.Settings;
    if (arg == "--help" || arg == "-h") {
      o.Help = true;
    } else if (arg == "--version") {
      o.Version = true;
    } else if (arg == "--mode") {
      if (!needValue()) return false;
      if (!ParseChoice(value, kModes, s.Mode)) {
        error = "unknown mode '" + value + "'";
        return false;
      }
    } else if (arg == "--factor") {
      if (!needValue()) return false;
      if (!ParseFactor(value, s.FactorWhole, s.FactorTenths)) {
        error = "the factor must be W.T with W from 1 to 10 and T from 0 to 9, not '" + value + "'";
        return false;
      }
    } else if (arg == "--width") {
      if (!needInt(s.BoxWidth)) return false;
    } else if (arg == "--height") {
      if (!needInt(s.BoxHeight)) return false;
      s.BoxHeight = kHeightBox.Limit(s.BoxHeight);
    } else if (arg == "--side") {
      if (!needInt(s.SideLength)) return false;
    } else if (arg == "--filter") {
      if (!needValue()) return false;
      s.FilterIndex = -1;
      for (size_t f = 0; f < FilterTable.size(); ++f) {
        if (EqualsIgnoringCase(value, FilterTable[f].Name)) s.FilterIndex = static_cast<int>(f);
      }
      if (s.FilterIndex < 0) {
        error = "unknown filter '" + value + "'";
        return false;
      }
    } else if (arg == "--quality") {
      if (!needInt(s.Quality)) return false;
      if (s.Quality < 5 || s.Quality > 95) {
        error = "the quality must be from 5 to 95";
        return false;
      }
    } else if (arg == "--format") {
      if (!needValue()) return false;
      if (!ParseChoice(value, kFormats, s.Format)) {
        error = "unknown format '" + value + "' (jpeg, png, webp or same)";
        return false;
      }
    } else if (arg == "--metadata") {
      if (!needValue()) return false;
      if (!ParseChoice(value, kMetadataChoices, s.Metadata)) {
        error = "unknown metadata choice '" + value + "' (none, no-location or all)";
        return false;
      }
    } else if (arg == "--add-filter-name") {
      s.AddFilterName = true;
    } else if (arg == "--no-overwrite") {
      s.OverwriteOutput = false;
    } else if (arg == "--no-protect") {
      s.ProtectHuge = false;
    } else if (arg == "--no-enlarge") {
      s.NeverEnlarge = true;
    } else if (arg == "--recursive" || arg == "-r") {
      o.Recursive = true;
    } else if (arg == "--files-from") {
      if (!needValue()) return false;
      if (value.empty()) {
        error = "--files-from needs a file, or - for standard input";
        return false;
      }
      o.FilesFrom = value;
    } else if (arg == "--null" || arg == "-0") {
      o.ListSeparator = '\0';
    } else if (arg == "--shard") {
      if (!needValue()) return false;
      if (!ParseShard(value, o.ShardIndex, o.ShardCount)) {
        error = "--shard needs K/N with 1 <= K <= N, not '" + value + "'";
        return false;
      }
    } else if (arg == "--jobs" || arg == "-j") {
      if (!needInt(o.Jobs)) return false;
      if (o.Jobs < 1) {
        error = "--jobs needs at least 1";
        return false;
      }
    } else if (arg == "--output") {
      if (!needValue()) return false;
      o.OutputDir = value;
    } else if (arg == "--quiet" || arg == "-q") {
      o.Quiet = true;
    } else if (arg == "--") {
      o.Inputs.insert(o.Inputs.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else {
      o.Inputs.push_back(arg);
    }
  }
  if (!o.Help && !o.Version && o.Inputs.empty() && o.FilesFrom.empty()) {
    error = "no folder or file given";
    return false;
  }
  return true;
}

}  // namespace velora::cli
