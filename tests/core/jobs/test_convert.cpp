// The conversion of one picture: its outcomes, their job-log lines and boxes, the order
// of its checks, and the output names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "jobs/convert.h"
#include "jpeg/jpeg.h"
#include "png_builder.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

namespace {

// Writes a JPEG of the given size made from a pattern.
std::string WriteJpeg(const TempDir& dir, const std::string& name, int w, int h) {
  TBitmap bitmap;
  FillPattern(bitmap, w, h, 11);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(dir.Path(name));
  return dir.Path(name);
}

// A JPEG whose header claims a size its data do not have: loading reads only the header.
std::string WriteJpegClaiming(const TempDir& dir, const std::string& name, int w, int h) {
  std::vector<uint8_t> bytes = ReadBytes(WriteJpeg(dir, name, 16, 16));
  for (size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
      bytes[i + 5] = static_cast<uint8_t>(h >> 8);
      bytes[i + 6] = static_cast<uint8_t>(h);
      bytes[i + 7] = static_cast<uint8_t>(w >> 8);
      bytes[i + 8] = static_cast<uint8_t>(w);
      break;
    }
  }
  return dir.Write(name, bytes);
}

struct Recorder {
  std::vector<std::string> log;
  std::vector<std::string> boxes;
  int repaints = 0;
  int focus = 0;
  ConvertHooks hooks;
  Recorder() {
    hooks.Log = [this](const std::string& l) { log.push_back(l); };
    hooks.RepaintPreview = [this] { ++repaints; };
    hooks.FocusFactorBox = [this] { ++focus; };
    SetMessageHook([this](MessageKind k, const std::string& t) {
      EXPECT_EQ(k, MessageKind::Error);
      boxes.push_back(t);
    });
  }
  ~Recorder() { SetMessageHook(nullptr); }
};

}  // namespace

TEST(Convert, WritesTheResizedPicture) {
  TempDir dir;
  const std::string src = WriteJpeg(dir, "cat.jpg", 640, 480);
  ForceFolder(dir.Path("Output/"));
  Recorder rec;
  TPicture preview;
  ResizeSettings s;  // decrease by 2.0, Mitchell, quality 74
  const ConvertResult r = ConvertImage(s, src, dir.Path("Output/"), preview, rec.hooks);
  EXPECT_TRUE(r.FactorValid);
  EXPECT_EQ(r.SavedAs, dir.Path("Output/cat.jpg"));
  EXPECT_TRUE(rec.log.empty());
  EXPECT_EQ(rec.repaints, 1);
  TJPEGImage out;
  out.LoadFile(r.SavedAs);
  EXPECT_EQ(out.Width(), 320);
  EXPECT_EQ(out.Height(), 240);
  EXPECT_EQ(preview.Width(), 640);  // the preview keeps the source
}

TEST(Convert, OutcomesAndTheirLines) {
  TempDir dir;
  const std::string out = dir.Path("Output/");
  ForceFolder(out);
  const std::string good = WriteJpeg(dir, "good.jpg", 40, 30);
  const std::string huge = WriteJpegClaiming(dir, "huge.jpg", 12000, 12000);
  const std::string wide = WriteJpegClaiming(dir, "wide.jpg", 20000, 5000);
  const std::string tiny = WriteJpeg(dir, "tiny.jpg", 1, 1);
  const std::string notJpeg =
      dir.Write("png.jpg", MakePng({2, 2, 8, 2, std::vector<uint16_t>(12, 90)}));
  const std::string broken =
      dir.Write("broken.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08", 7));
  const std::string exists = WriteJpeg(dir, "exists.jpg", 10, 10);
  std::ofstream(out + "exists.jpg") << "keep";
  const std::string emptyJpeg = dir.Write("empty.jpg", "");
  const std::string emptyBmp = dir.Write("empty.bmp", "");
  std::vector<uint8_t> cut = ReadBytes(WriteJpeg(dir, "cut.jpg", 64, 48));
  cut.resize(cut.size() * 2 / 3);
  const std::string truncated = dir.Write("cut.jpg", cut);

  struct Case {
    const char* what;
    std::string source;
    ResizeSettings settings;
    std::vector<std::string> log;
    std::vector<std::string> boxes;
    bool factorValid;
    bool saved;
  };
  ResizeSettings defaults;
  ResizeSettings noOverwrite;
  noOverwrite.OverwriteOutput = false;
  ResizeSettings factorOne;
  factorOne.FactorWhole = 1;
  ResizeSettings unprotected = factorOne;
  unprotected.ProtectHuge = false;
  const Case cases[] = {
      {"missing",
       dir.Path("gone.jpg"),
       defaults,
       {kLogCannotOpen + dir.Path("gone.jpg")},
       {},
       true,
       false},
      {"unknown extension",
       dir.Write("a.jp", "x"),
       defaults,
       {kLogCannotOpen + dir.Path("a.jp")},
       {},
       true,
       false},
      {"not a jpeg", notJpeg, defaults, {kLogCannotOpen + notJpeg}, {}, true, false},
      {"huge", huge, defaults, {kLogHugeImage + huge}, {}, true, false},
      // Wide but not high passes the huge test and meets the factor test next.
      {"wide", wide, factorOne, {}, {InvalidFactorText(1.0)}, false, false},
      // The huge test comes before the factor test.
      {"huge, factor 1.0", huge, factorOne, {kLogHugeImage + huge}, {}, true, false},
      {"huge unprotected", huge, unprotected, {}, {InvalidFactorText(1.0)}, false, false},
      {"too small", tiny, defaults, {kLogTooSmall + tiny}, {}, true, false},
      {"exists", exists, noOverwrite, {kLogFileExists + out + "exists.jpg"}, {}, true, false},
      {"undecodable", broken, defaults, {}, {}, true, false},
      {"written", good, defaults, {}, {}, true, true},
      // Empty files load as pictures without pixels: nothing in them can be read.
      {"empty jpeg", emptyJpeg, defaults, {kLogCannotOpen + emptyJpeg}, {}, true, false},
      {"empty bmp", emptyBmp, defaults, {kLogCannotOpen + emptyBmp}, {}, true, false},
      // What could be read is written; the line names the source as damaged.
      {"truncated", truncated, defaults, {kLogDamaged + truncated}, {}, true, true},
  };
  for (const Case& c : cases) {
    Recorder rec;
    TPicture preview;
    const ConvertResult r = ConvertImage(c.settings, c.source, out, preview, rec.hooks);
    if (std::string(c.what) == "undecodable") {
      // A header that loads but data that do not decode: reported, never written.
      ASSERT_EQ(rec.log.size(), 1u);
      EXPECT_EQ(rec.log[0].rfind(kLogCannotOpen + broken, 0) == 0 ||
                    rec.log[0].rfind(kLogCannotResize + broken + " (JPEG error #", 0) == 0,
                true)
          << rec.log[0];
    } else {
      EXPECT_EQ(rec.log, c.log) << c.what;
    }
    EXPECT_EQ(rec.boxes, c.boxes) << c.what;
    EXPECT_EQ(rec.focus, c.factorValid ? 0 : 1) << c.what;
    EXPECT_EQ(r.FactorValid, c.factorValid) << c.what;
    EXPECT_EQ(r.SavedAs.empty(), !c.saved) << c.what;
    EXPECT_EQ(r.Damaged, c.source == truncated) << c.what;
  }
  EXPECT_EQ(ReadFile(out + "exists.jpg"), "keep");
  EXPECT_FALSE(FileExists(out + "huge.jpg"));
}

TEST(Convert, InvalidFactorText) {
  EXPECT_EQ(InvalidFactorText(1.0),
            "Invalid \"x\" factor! (1)\r\nPlease choose a resize factor higher than 1.");
  EXPECT_EQ(InvalidFactorText(0.5),
            "Invalid \"x\" factor! (0.5)\r\nPlease choose a resize factor higher than 1.");
}

TEST(Convert, AFailedLoadKeepsThePreviousPreview) {
  TempDir dir;
  const std::string first = WriteJpeg(dir, "first.jpg", 30, 20);
  Recorder rec;
  TPicture preview;
  ResizeSettings s;
  ConvertImage(s, first, dir.Path("Output/"), preview, rec.hooks);  // no output folder
  const TGraphic* shown = preview.Graphic();
  ConvertImage(s, dir.Path("missing.jpg"), dir.Path("Output/"), preview, rec.hooks);
  EXPECT_EQ(preview.Graphic(), shown);
}

TEST(Convert, FailedWriteShowsABoxThenLogsTheSameText) {
  TempDir dir;
  const std::string src = WriteJpeg(dir, "cat.jpg", 30, 20);
  Recorder rec;
  std::vector<std::string> order;
  rec.hooks.Log = [&](const std::string& l) { order.push_back("log:" + l); };
  SetMessageHook([&](MessageKind, const std::string& t) { order.push_back("box:" + t); });
  TPicture preview;
  const ConvertResult r =
      ConvertImage(ResizeSettings{}, src, dir.Path("NoSuchFolder/"), preview, rec.hooks);
  const std::string text = kLogCannotSave + dir.Path("NoSuchFolder/cat.jpg");
  EXPECT_EQ(order, (std::vector<std::string>{"box:" + text, "log:" + text}));
  EXPECT_TRUE(r.FactorValid);
  EXPECT_TRUE(r.SavedAs.empty());
  EXPECT_FALSE(std::filesystem::exists(dir.Path("NoSuchFolder")));
}

TEST(Convert, OutputNames) {
  struct Case {
    const char* source;
    bool addName;
    int filter;
    const char* expected;
  } cases[] = {
      {"/Photos/cat.png", true, 6, "/Photos/Output/cat Mitchell.jpg"},
      {"/Photos/cat.png", true, 4, "/Photos/Output/cat B-Spline.jpg"},
      {"/Photos/cat.png", true, 9, "/Photos/Output/cat Mitchell.jpg"},  // out of range
      {"/Photos/a.b.jpeg", false, 6, "/Photos/Output/a.b.jpg"},
      {"/Photos/CAT.JPG", false, 6, "/Photos/Output/CAT.jpg"},
      {"/Photos/cat.jpg", false, 0, "/Photos/Output/cat.jpg"},
  };
  for (const auto& c : cases) {
    ResizeSettings s;
    s.AddFilterName = c.addName;
    s.FilterIndex = c.filter;
    EXPECT_EQ(OutputName(s, c.source, "/Photos/Output/"), c.expected);
  }
}

TEST(Convert, SameNamedSourcesShareOneOutput) {
  TempDir dir;
  const std::string out = dir.Path("Output/");
  ForceFolder(out);
  const std::string a = WriteJpeg(dir, "cat.jpeg", 40, 40);
  const std::string b = WriteJpeg(dir, "cat.jpg", 60, 60);
  Recorder rec;
  TPicture preview;
  ResizeSettings s;
  EXPECT_FALSE(ConvertImage(s, a, out, preview, rec.hooks).SavedAs.empty());
  EXPECT_FALSE(ConvertImage(s, b, out, preview, rec.hooks).SavedAs.empty());  // replaces
  TJPEGImage result;
  result.LoadFile(out + "cat.jpg");
  EXPECT_EQ(result.Width(), 30);
  s.OverwriteOutput = false;
  EXPECT_TRUE(ConvertImage(s, a, out, preview, rec.hooks).SavedAs.empty());
  EXPECT_EQ(rec.log, (std::vector<std::string>{kLogFileExists + out + "cat.jpg"}));
}

TEST(Convert, AJpegOfUnchangedSizeIsStillReencoded) {
  TempDir dir;
  const std::string out = dir.Path("Output/");
  ForceFolder(out);
  const std::string src = WriteJpeg(dir, "same.jpg", 32, 24);
  Recorder rec;
  TPicture preview;
  ResizeSettings s;
  s.Mode = ResizeMode::SameSize;
  s.BoxWidth = 32;
  s.BoxHeight = 24;
  s.Quality = 50;
  const ConvertResult r = ConvertImage(s, src, out, preview, rec.hooks);
  ASSERT_FALSE(r.SavedAs.empty());
  EXPECT_NE(ReadBytes(r.SavedAs), ReadBytes(src));
}
