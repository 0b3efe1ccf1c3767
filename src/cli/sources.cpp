#include "sources.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <numeric>

#include "util/TarnoTPU.h"
#include "util/folder_tree.h"
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

bool ListOrder(const std::string& a, const std::string& b) {
  const std::string la = Lower(a), lb = Lower(b);
  return la != lb ? la < lb : a < b;
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder a relative listed path keeps under --output: "" for a path that is
// absolute or climbs out of the current folder.
std::string MirrorOf(const std::string& path, bool isFolder) {
  const std::filesystem::path normal = std::filesystem::path(path).lexically_normal();
  if (normal.is_absolute() || normal.empty() || *normal.begin() == "..") return "";
  const std::string folder = (isFolder ? normal : normal.parent_path()).string();
  return folder.empty() || folder == "." ? "" : WithTrailingDelimiter(folder);
}

void AddInput(const std::string& input, const std::string& mirror, bool recursive,
              Sources& sources) {
  if (IsFolder(input)) {
    const std::string top = WithTrailingDelimiter(ExpandFileName(input));
    if (!recursive) {
      for (std::string& file : PictureFilesOf(input))
        sources.Files.push_back({std::move(file), top + "Output/", mirror});
      return;
    }
    FolderTree tree;
    if (!ReadFolderTree(top, IsPictureName, ListOrder, tree)) {
      sources.Problems.push_back("Cannot read folder: " + top);
      return;
    }
    for (const std::string& relative : tree.Files) {
      const std::string sub = FolderPart(relative);
      sources.Files.push_back({top + relative, top + "Output/" + sub, mirror + sub});
    }
    for (const std::string& folder : tree.Unreadable)
      sources.Problems.push_back("Cannot read folder: " + folder);
    return;
  }
  struct stat st {};
  if (input.empty() ||
      (::stat(input.c_str(), &st) != 0 && (input.back() == '/' || !IsPictureName(input)))) {
    sources.Problems.push_back("Folder does not exist: " + input);
    return;
  }
  // A file, or a missing picture file, which the conversion reports.
  const std::string path = ExpandFileName(input);
  sources.Files.push_back({path, FolderPart(path) + "Output/", mirror});
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
  std::sort(names.begin(), names.end(), ListOrder);
  const std::string prefix = WithTrailingDelimiter(ExpandFileName(folder));
  for (std::string& name : names) name = prefix + name;
  return names;
}

Sources CollectSources(const std::vector<std::string>& inputs, bool recursive) {
  Sources sources;
  for (const std::string& input : inputs) AddInput(input, "", recursive, sources);
  return sources;
}

void AddListedSources(const std::vector<std::string>& paths, bool recursive, Sources& sources) {
  for (const std::string& path : paths)
    AddInput(path, MirrorOf(path, IsFolder(path)), recursive, sources);
}

std::vector<std::string> ReadPathList(std::istream& in, char separator) {
  std::vector<std::string> paths;
  for (std::string path; std::getline(in, path, separator);) {
    if (!path.empty()) paths.push_back(std::move(path));
  }
  return paths;
}

std::string OutputFolderFor(const Source& source, const std::string& outputDir) {
  return outputDir.empty() ? source.OutputFolder : WithTrailingDelimiter(outputDir) + source.Mirror;
}

std::vector<Source> TakeShard(const std::vector<Source>& sources, int k, int n,
                              const std::function<std::string(const Source&)>& outputOf) {
  std::vector<size_t> order(sources.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // std::string compares as unsigned bytes: the same order on every machine and locale.
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return sources[a].Path < sources[b].Path; });
  std::map<std::string, size_t> shardOfOutput;
  std::vector<bool> taken(sources.size());
  for (size_t index = 0; index < order.size(); ++index) {
    const Source& source = sources[order[index]];
    const auto it = shardOfOutput.emplace(outputOf(source), index % static_cast<size_t>(n)).first;
    taken[order[index]] = it->second == static_cast<size_t>(k - 1);
  }
  std::vector<Source> shard;
  for (size_t i = 0; i < sources.size(); ++i) {
    if (taken[i]) shard.push_back(sources[i]);
  }
  return shard;
}

}  // namespace velora::cli
