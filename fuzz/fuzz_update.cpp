// The update page parser: the page split into lines, the META tags read from them with the
// program's tag names, ExtractContent on every line, and the three version comparisons
// between the page's version, the program's own and the page's other values. Names and
// values hold at most 254 characters and no double quote; no version is newer than
// itself, and of two different versions at most one is newer than the other.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "update/WebUpdate.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckValue(const std::string& value) {
  Check(value.size() <= 254 && value.find('"') == std::string::npos);
}

void CheckVersions(const std::string& a, const std::string& b) {
  for (const velora::TVersionFormat format :
       {velora::vfStandard, velora::vfString, velora::vfNumber}) {
    Check(!velora::VersionIsNewer(format, a, a));
    Check(!(velora::VersionIsNewer(format, a, b) && velora::VersionIsNewer(format, b, a)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = velora::SplitInfoLines(text);
  for (const std::string& line : lines)
    Check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);

  velora::TWebUpdate update;
  update.TagInfo = {"TarnoProduct",        "TarnoVersion",     "TarnoDownload",
                    "TarnoClientSideName", "TarnoRedirection", "TarnoRunParameters",
                    "TarnoAuthor",         "TarnoEmail"};
  update.ProductInfo.CurVersion = "1.5.2.55";
  update.SetInfoLines(std::move(lines));
  update.ParseInfo();
  for (const std::string& line : update.InfoLines()) CheckValue(update.ExtractContent(line));

  const velora::TPageValues& page = update.Page();
  const std::string values[] = {page.ProductName,    page.Version,     page.Download,
                                page.ClientFileName, page.Redirection, page.RunParameters,
                                page.Author,         page.Email};
  for (const std::string& value : values) {
    CheckValue(value);
    CheckVersions(update.ProductInfo.CurVersion, value);
    CheckVersions(page.Version, value);
  }
  update.IsNewerVersion();
  return 0;
}
