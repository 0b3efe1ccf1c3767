// Names that never collide within a run: the register of written names, and the
// conversion that uses it with and without files from before the run.
#include <gtest/gtest.h>

#include "jobs/convert.h"
#include "jpeg/jpeg.h"
#include "png_builder.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

// A picture `w` pixels wide in the format its extension names (JPEG, PNG or BMP).
std::string WritePicture(const TempDir& dir, const std::string& name, int w) {
  const int h = 20;
  if (name.ends_with(".png")) {
    return dir.Write(name, MakePng(PngImage{w, h, 8, 0, std::vector<uint16_t>(size_t(w) * h, 99)}));
  }
  TBitmap bitmap;
  FillPattern(bitmap, w, h, 3);
  if (name.ends_with(".bmp")) {
    bitmap.SaveFile(dir.Path(name));
    return dir.Path(name);
  }
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(dir.Path(name));
  return dir.Path(name);
}

int WidthOf(const std::string& path) {
  TJPEGImage jpeg;
  jpeg.LoadFile(path);
  return jpeg.Width();
}

}  // namespace

TEST(RunOutputs, TakesTheFirstFreeNumberAndGivesBack) {
  RunOutputs run;
  EXPECT_EQ(run.Take("/o/cat.jpg"), "/o/cat.jpg");
  EXPECT_EQ(run.Take("/o/cat.jpg"), "/o/cat (2).jpg");
  EXPECT_EQ(run.Take("/o/cat.jpg"), "/o/cat (3).jpg");
  EXPECT_EQ(run.Take("/o/cat.png"), "/o/cat.png");  // another extension is another name
  EXPECT_EQ(run.Take("/p/cat.jpg"), "/p/cat.jpg");  // keyed by the full path
  EXPECT_EQ(run.Take("/o.d/noext"), "/o.d/noext");
  EXPECT_EQ(run.Take("/o.d/noext"), "/o.d/noext (2)");
  run.GiveBack("/o/cat (2).jpg");
  EXPECT_EQ(run.Take("/o/cat.jpg"), "/o/cat (2).jpg");
  EXPECT_EQ(run.Take("/o/cat.jpg"), "/o/cat (4).jpg");
}

TEST(RunOutputs, NameFamilies) {
  struct Case {
    const char* path;
    const char* family;
  } cases[] = {
      {"/o/cat.jpg", "/o/cat.jpg"},
      {"/o/cat (2).jpg", "/o/cat.jpg"},
      {"/o/cat (12).png", "/o/cat.png"},
      {"/o/cat (x).jpg", "/o/cat (x).jpg"},
      {"/o/cat ().jpg", "/o/cat ().jpg"},
      {"/o/(2).jpg", "/o/(2).jpg"},
      {"/o/a (2)", "/o/a"},
  };
  for (const Case& c : cases) EXPECT_EQ(NameFamily(c.path), c.family) << c.path;
}

// Each case converts its sources in order within one run; `before` files exist already.
TEST(Convert, NamesNeverCollideWithinARun) {
  struct Case {
    const char* name;
    std::vector<std::string> sources;
    bool existedBefore;
    bool overwrite;
    std::vector<std::string> written;  // per source, "" when skipped
  } cases[] = {
      {"two sources", {"cat.jpg", "cat.png"}, false, true, {"cat.jpg", "cat (2).jpg"}},
      {"three sources",
       {"cat.jpg", "cat.png", "cat.bmp"},
       false,
       true,
       {"cat.jpg", "cat (2).jpg", "cat (3).jpg"}},
      {"existing output, overwriting",
       {"cat.jpg", "cat.png"},
       true,
       true,
       {"cat.jpg", "cat (2).jpg"}},
      {"existing output, not overwriting", {"cat.jpg", "cat.png"}, true, false, {"", ""}},
      {"an unreadable first source takes no name",
       {"bad.jpg", "bad.png"},
       false,
       true,
       {"", "bad.jpg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string out = dir.Path("Output/");
    ForceFolder(out);
    const std::string stem = FileNameNoExt(c.sources[0]);
    if (c.existedBefore) dir.Write("Output/" + stem + ".jpg", "from before");
    std::vector<std::string> sources;
    for (size_t i = 0; i < c.sources.size(); ++i) {
      sources.push_back(c.sources[i] == "bad.jpg"
                            ? dir.Write(c.sources[i], "not a picture")
                            : WritePicture(dir, c.sources[i], 20 * int(i + 1)));
    }
    ResizeSettings s;
    s.OverwriteOutput = c.overwrite;
    RunOutputs run;
    std::vector<std::string> log;
    ConvertHooks hooks;
    hooks.Log = [&log](const std::string& line) { log.push_back(line); };
    for (size_t i = 0; i < sources.size(); ++i) {
      TPicture preview;
      const ConvertResult r = ConvertImage(s, sources[i], out, preview, hooks, 1, &run);
      EXPECT_EQ(r.SavedAs, c.written[i].empty() ? "" : out + c.written[i]) << i;
      // Each written file holds its own picture: 10, 20, 30 pixels wide.
      if (!r.SavedAs.empty()) {
        EXPECT_EQ(WidthOf(r.SavedAs), 10 * int(i + 1));
      }
    }
    if (!c.overwrite) {
      EXPECT_EQ(log, std::vector<std::string>(2, kLogFileExists + out + stem + ".jpg"));
      EXPECT_EQ(ReadFile(out + stem + ".jpg"), "from before");
    }
  }
}
