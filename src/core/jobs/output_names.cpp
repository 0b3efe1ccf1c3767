#include "jobs/output_names.h"

#include <cctype>

#include "picture/picture.h"

namespace velora {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The path split before its extension (the last "." after the last "/").
size_t ExtensionStart(const std::string& path) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path.size()
                                                                                 : dot;
}

}  // namespace

OutputFormat WrittenFormat(OutputFormat chosen, const std::string& sourcePath) {
  if (chosen != OutputFormat::Same) return chosen;
  const std::string extension = Lower(FileExtension(sourcePath));
  if (extension == "png") return OutputFormat::Png;
  if (extension == "webp") return OutputFormat::Webp;
  return OutputFormat::Jpeg;
}

const char* FormatExtension(OutputFormat written) {
  switch (written) {
    case OutputFormat::Png:
      return ".png";
    case OutputFormat::Webp:
      return ".webp";
    default:
      return ".jpg";
  }
}

std::string RunOutputs::Take(const std::string& wanted) {
  std::lock_guard lock(mutex_);
  std::string path = wanted;
  const size_t split = ExtensionStart(wanted);
  for (int number = 2; taken_.count(path); ++number) {
    path = wanted.substr(0, split) + " (" + std::to_string(number) + ")" + wanted.substr(split);
  }
  taken_.insert(path);
  return path;
}

void RunOutputs::GiveBack(const std::string& path) {
  std::lock_guard lock(mutex_);
  taken_.erase(path);
}

std::string NameFamily(const std::string& path) {
  const size_t split = ExtensionStart(path);
  const std::string stem = path.substr(0, split);
  if (stem.size() < 4 || stem.back() != ')') return path;
  const size_t open = stem.rfind(" (");
  if (open == std::string::npos || open + 3 > stem.size() - 1) return path;
  for (size_t i = open + 2; i + 1 < stem.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(stem[i]))) return path;
  }
  return stem.substr(0, open) + path.substr(split);
}

bool RunOutputs::Holds(const std::string& path) {
  std::lock_guard lock(mutex_);
  return taken_.count(path) != 0;
}

}  // namespace velora
