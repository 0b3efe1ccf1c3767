#include "sources.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "util/TarnoTPU.h"
#include "util/stream.h"

namespace velora::cli {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsPictureName(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string ext = Lower(name.substr(dot + 1));
  for (const char* known : {"jp", "jpeg", "jpg", "gif", "bmp", "png", "heic", "heif", "hif", "avif",
                            "webp", "tif", "tiff"}) {
    if (ext == known) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> PictureFilesOf(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    // Regular files and links to them only: a FIFO would block the run, a device never
    // end, and a folder is no picture.
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    const std::string name = entry.path().filename().string();
    if (IsPictureName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = Lower(a), lb = Lower(b);
    return la != lb ? la < lb : a < b;
  });
  const std::string prefix = WithTrailingDelimiter(ExpandFileName(folder));
  for (std::string& name : names) name = prefix + name;
  return names;
}

Sources CollectSources(const std::vector<std::string>& inputs) {
  Sources sources;
  for (const std::string& input : inputs) {
    struct stat st {};
    if (::stat(input.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      const std::vector<std::string> files = PictureFilesOf(input);
      sources.Files.insert(sources.Files.end(), files.begin(), files.end());
    } else if (::stat(input.c_str(), &st) != 0 && (input.back() == '/' || !IsPictureName(input))) {
      sources.Problems.push_back("Folder does not exist: " + input);
    } else {
      // A file, or a missing picture file, which the conversion reports.
      sources.Files.push_back(ExpandFileName(input));
    }
  }
  return sources;
}

}  // namespace velora::cli
