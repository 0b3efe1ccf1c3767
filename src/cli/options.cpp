#include "options.h"

#include <charconv>

#include "jobs/run_threads.h"
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

}  // namespace

const char* UsageText() {
  return "usage: velora-resize [options] FOLDER|FILE...\n"
         "Resizes pictures (JPEG, BMP, PNG, GIF) and writes them as JPEG files into the\n"
         "subfolder Output/ of each picture's folder.\n"
         "Photos are turned upright (EXIF orientation) and keep their colour (ICC) profile.\n"
         "\n"
         "  --mode MODE        decrease (default), increase, size, width or height\n"
         "  --factor W.T       the factor of decrease and increase, 1.1 to 10.9 (default 2.0)\n"
         "  --width N          the width in size mode (default 200)\n"
         "  --height N         the height in size mode (default 151, at least 10)\n"
         "  --side N           the fixed side in width and height modes (default 600)\n"
         "  --filter NAME      Box, Triangle, Hermite, Bell, B-Spline, Lanczos3 or Mitchell\n"
         "                     (default Mitchell)\n"
         "  --quality Q        JPEG quality, 5 to 95 (default 74)\n"
         "  --add-filter-name  append the filter's name to output file names\n"
         "  --no-overwrite     keep output files that exist already\n"
         "  --no-protect       also convert pictures wider and higher than 10000 pixels\n"
         "  --jobs N           threads of work in all (default: the number of processors)\n"
         "  --output DIR       write every output into DIR instead of Output/\n"
         "  --quiet            print no job log and no progress\n"
         "  --help, --version\n";
}

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  o.Jobs = DefaultJobs();
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
      if (value == "decrease")
        s.Mode = ResizeMode::DecreaseTimes;
      else if (value == "increase")
        s.Mode = ResizeMode::IncreaseTimes;
      else if (value == "size")
        s.Mode = ResizeMode::SameSize;
      else if (value == "width")
        s.Mode = ResizeMode::SameWidth;
      else if (value == "height")
        s.Mode = ResizeMode::SameHeight;
      else {
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
    } else if (arg == "--add-filter-name") {
      s.AddFilterName = true;
    } else if (arg == "--no-overwrite") {
      s.OverwriteOutput = false;
    } else if (arg == "--no-protect") {
      s.ProtectHuge = false;
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
  if (!o.Help && !o.Version && o.Inputs.empty()) {
    error = "no folder or file given";
    return false;
  }
  return true;
}

}  // namespace velora::cli
