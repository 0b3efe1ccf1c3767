// velora-resize end to end on temporary folders: the job log, output names, exit
// statuses, bad input, and parallel runs that log in name order.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli_run.h"
#include "jpeg/jpeg.h"
#include "options.h"
#include "sources.h"
#include "test_util.h"
#include "util/TarnoTPU.h"

using namespace velora;
using namespace velora::test;

TEST(Cli, ConvertsAFolderAndLogsEachPicture) {
  TempDir dir;
  WriteJpeg(dir.Path("b.jpg"), 64, 48);
  WriteJpeg(dir.Path("A.JPEG"), 20, 10);
  dir.Write("c.jp", "not loadable");
  dir.Write("notes.txt", "ignored");
  std::filesystem::create_directory(dir.Path("sub.jpg"));  // folders are not pictures
  const Outcome o = Resize(dir, dir.Root());
  EXPECT_EQ(o.status, 1);  // c.jp could not be opened
  EXPECT_EQ(o.log, (std::vector<std::string>{Saved(dir.Path("Output/A.jpg")),
                                             Saved(dir.Path("Output/b.jpg")),
                                             "ERROR! Cannot open picture: " + dir.Path("c.jp")}));
  EXPECT_TRUE(std::regex_match(o.timing, std::regex(R"(Batch job done in \d+(\.\d\d?)? sec)")))
      << o.timing;
  EXPECT_FALSE(o.heading.empty());
  TJPEGImage out;
  out.LoadFile(dir.Path("Output/b.jpg"));
  EXPECT_EQ(out.Width(), 32);
  EXPECT_EQ(out.Height(), 24);
}

TEST(Cli, OptionsReachTheConversion) {
  TempDir dir;
  WriteJpeg(dir.Path("p.jpg"), 100, 50);
  struct Case {
    std::string args;
    std::string output;
    int w, h;
  } cases[] = {
      {"--mode increase --factor 1.5", "Output/p.jpg", 150, 75},
      {"--mode size --width 30 --height 5", "Output/p.jpg", 30, 10},  // height at least 10
      {"--mode width --side 40 --filter lanczos3 --add-filter-name", "Output/p Lanczos3.jpg", 40,
       20},
      {"--mode height --side 10 --output " + dir.Path("elsewhere"), "elsewhere/p.jpg", 20, 10},
  };
  for (const auto& c : cases) {
    const Outcome o = Resize(dir, c.args + " --quality 30 " + dir.Path("p.jpg"));
    EXPECT_EQ(o.status, 0) << c.args << o.errors;
    EXPECT_EQ(o.log, std::vector<std::string>{Saved(dir.Path(c.output))}) << c.args;
    TJPEGImage out;
    out.LoadFile(dir.Path(c.output));
    EXPECT_EQ(out.Width(), c.w) << c.args;
    EXPECT_EQ(out.Height(), c.h) << c.args;
  }
}

TEST(Cli, FailuresGiveExitStatusOneAndKeptOutputsDoNot) {
  TempDir dir;
  WriteJpeg(dir.Path("a.jpg"), 40, 40);
  // A picture whose header claims 12000 x 12000 pixels.
  std::vector<uint8_t> huge = ReadBytes(dir.Path("a.jpg"));
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0x2E;
      huge[i + 6] = huge[i + 8] = 0xE0;
      break;
    }
  }
  dir.Write("huge.jpg", huge);
  Outcome first = Resize(dir, dir.Root());
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.summary, "Summary: 1 written, 0 skipped, 1 failed");
  EXPECT_EQ(first.log, (std::vector<std::string>{Saved(dir.Path("Output/a.jpg")),
                                                 "WARNING! Huge image: " + dir.Path("huge.jpg")}));
  // Run again without overwriting: the existing output is kept.
  const auto before = ReadBytes(dir.Path("Output/a.jpg"));
  const Outcome second = Resize(dir, "--no-overwrite --quality 20 " + dir.Path("a.jpg"));
  EXPECT_EQ(second.status, 0);  // every picture named has its output
  EXPECT_EQ(second.summary, "Summary: 0 written, 1 skipped, 0 failed");
  EXPECT_EQ(second.log,
            std::vector<std::string>{"WARNING! File already exists (not overwritten): " +
                                     dir.Path("Output/a.jpg")});
  EXPECT_EQ(ReadBytes(dir.Path("Output/a.jpg")), before);
}

// A damaged picture is written as far as it reads, with a line that names it, and the run
// ends with status 1; an empty file cannot be opened.
TEST(Cli, DamagedAndEmptyPicturesAreReported) {
  TempDir dir;
  WriteJpeg(dir.Path("cut.jpg"), 64, 48);
  std::vector<uint8_t> cut = ReadBytes(dir.Path("cut.jpg"));
  cut.resize(cut.size() * 2 / 3);
  dir.Write("cut.jpg", cut);
  dir.Write("empty.jpg", "");
  const Outcome o = Resize(dir, dir.Root());
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.log, (std::vector<std::string>{
                       "WARNING! Damaged picture (partly read): " + dir.Path("cut.jpg"),
                       Saved(dir.Path("Output/cut.jpg")),
                       "ERROR! Cannot open picture: " + dir.Path("empty.jpg")}));
  EXPECT_TRUE(FileExists(dir.Path("Output/cut.jpg")));
  EXPECT_FALSE(FileExists(dir.Path("Output/empty.jpg")));
}

TEST(Cli, AnInvalidFactorStopsTheBatchWithOneMessage) {
  TempDir dir;
  WriteJpeg(dir.Path("a.jpg"), 20, 20);
  WriteJpeg(dir.Path("b.jpg"), 20, 20);
  const Outcome o = Resize(dir, "--factor 1.0 --jobs 4 " + dir.Root());
  EXPECT_EQ(o.status, 1);
  EXPECT_TRUE(o.log.empty());
  EXPECT_FALSE(o.timing.empty());
  EXPECT_EQ(o.errors,
            "Error: Invalid \"x\" factor! (1)\nPlease choose a resize factor higher than 1.\n");
}

TEST(Cli, BadInputIsReportedAndTheRunGoesOn) {
  TempDir dir;
  WriteJpeg(dir.Path("a.jpg"), 20, 20);
  const Outcome missing = Resize(dir, dir.Path("no-such-folder") + " " + dir.Path("a.jpg"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.errors.find("Folder does not exist: " + dir.Path("no-such-folder")),
            std::string::npos);
  EXPECT_EQ(missing.log, std::vector<std::string>{Saved(dir.Path("Output/a.jpg"))});
  // An empty argument names nothing either.
  const Outcome blank = Resize(dir, "'' " + dir.Path("a.jpg"));
  EXPECT_EQ(blank.status, 1);
  EXPECT_NE(blank.errors.find("Folder does not exist: \n"), std::string::npos) << blank.errors;

  // An output folder that cannot be made: every picture fails to be written.
  TempDir other;
  WriteJpeg(other.Path("b.jpg"), 20, 20);
  other.Write("Output", "a file in the way");
  const Outcome blocked = Resize(other, other.Root());
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.errors.find("Error: Cannot create directory!\n" + other.Path("Output/")),
            std::string::npos);
  EXPECT_EQ(blocked.log,
            std::vector<std::string>{"Cannot save file as: " + other.Path("Output/b.jpg")});
  EXPECT_EQ(ReadFile(other.Path("Output")), "a file in the way");

  TempDir empty;
  const Outcome none = Resize(empty, empty.Root());
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.errors, "Warning: No pictures to process\n");
}

TEST(Cli, UsageErrors) {
  TempDir dir;
  for (const char* args :
       {"", "--frobnicate x", "--quality 4 x", "--quality 96 x", "--factor 11.0 x",
        "--factor 2.55 x", "--filter Gauss x", "--mode sideways x", "--jobs 0 x", "--width abc x",
        "--quality", "--shard 0/3 x", "--shard 4/3 x", "--shard 1 x", "--shard 1/0 x",
        "--files-from", "--files-from= x", "--format gif x", "--format x", "--metadata some x"}) {
    const Outcome o = Resize(dir, args);
    EXPECT_EQ(o.status, 2) << args;
    EXPECT_NE(o.errors.find("usage: velora-resize"), std::string::npos) << args;
  }
  EXPECT_EQ(Resize(dir, "--help").status, 0);
  EXPECT_EQ(
      RunCommand(std::string(VELORA_BINARY_DIR) + "/src/cli/velora-resize --version >/dev/null"),
      0);
}

TEST(Cli, ParallelRunsLogInNameOrderAndWriteTheSameBytes) {
  TempDir dir;
  for (int i = 0; i < 24; ++i) {
    WriteJpeg(dir.Path("pic" + std::to_string(100 + i) + ".jpg"), 30 + 7 * (i % 5), 20 + 3 * i, i);
  }
  // Sources that want one output name get numbered names in name order either way.
  WriteJpeg(dir.Path("pic100.png.jpeg"), 10, 10);
  WriteJpeg(dir.Path("pic101.jpeg"), 12, 10);
  dir.Write("pic105.bmp", "broken");
  const Outcome serial = Resize(dir, "--jobs 1 " + dir.Root());
  std::map<std::string, std::vector<uint8_t>> serialBytes;
  for (const auto& f : std::filesystem::directory_iterator(dir.Path("Output"))) {
    serialBytes[f.path().string()] = ReadBytes(f.path().string());
  }
  std::filesystem::remove_all(dir.Path("Output"));
  const Outcome parallel = Resize(dir, "--jobs 4 " + dir.Root());
  EXPECT_EQ(parallel.log, serial.log);
  EXPECT_EQ(parallel.status, serial.status);
  ASSERT_EQ(serial.log.size(), 27u);
  EXPECT_EQ(serial.log[2], Saved(dir.Path("Output/pic101.jpg")));  // pic101.jpeg
  EXPECT_EQ(serial.log[3], Saved(dir.Path("Output/pic101 (2).jpg")));
  for (const auto& [path, bytes] : serialBytes) EXPECT_EQ(ReadBytes(path), bytes) << path;
}

TEST(Cli, FormatsAndNamesThatNeverCollideAcrossFolders) {
  TempDir dir;
  std::filesystem::create_directory(dir.Path("a"));
  std::filesystem::create_directory(dir.Path("b"));
  WriteJpeg(dir.Path("a/cat.jpg"), 40, 20);
  WriteJpeg(dir.Path("a/cat.jpeg"), 60, 20);
  WriteJpeg(dir.Path("b/cat.jpg"), 80, 20);
  const std::string folders = dir.Path("a") + " " + dir.Path("b");
  struct Case {
    std::string args;
    std::vector<std::string> written;
  } cases[] = {
      {"--output " + dir.Path("o1"), {"o1/cat.jpg", "o1/cat (2).jpg", "o1/cat (3).jpg"}},
      {"--jobs 3 --format png --output " + dir.Path("o2"),
       {"o2/cat.png", "o2/cat (2).png", "o2/cat (3).png"}},
      {"--format=webp --metadata all --output " + dir.Path("o3"),
       {"o3/cat.webp", "o3/cat (2).webp", "o3/cat (3).webp"}},
      {"--format same --metadata no-location",
       {"a/Output/cat.jpg", "a/Output/cat (2).jpg", "b/Output/cat.jpg"}},
  };
  for (const Case& c : cases) {
    const Outcome o = Resize(dir, c.args + " " + folders);
    EXPECT_EQ(o.status, 0) << c.args << o.errors;
    std::vector<std::string> expected;
    for (const std::string& w : c.written) expected.push_back(Saved(dir.Path(w)));
    EXPECT_EQ(o.log, expected) << c.args;
  }
  // Each file holds its own picture.
  TJPEGImage third;
  third.LoadFile(dir.Path("o1/cat (3).jpg"));
  EXPECT_EQ(third.Width(), 40);
}

TEST(CliSources, FolderListing) {
  TempDir dir;
  for (const char* name :
       {"b.PNG", ".hidden.gif", "a.bmp", "C.jpg", "d.jp", "e.txt", "f", "h.HEIC", "i.heif", "j.hif",
        "k.Avif", "l.webp", "m.TIF", "n.tiff", "o.heics", "p.tif2"})
    dir.Write(name, "x");
  std::filesystem::create_directory(dir.Path("g.jpg"));
  std::vector<std::string> expected;
  for (const char* name : {".hidden.gif", "a.bmp", "b.PNG", "C.jpg", "d.jp", "h.HEIC", "i.heif",
                           "j.hif", "k.Avif", "l.webp", "m.TIF", "n.tiff"})
    expected.push_back(dir.Path(name));
  EXPECT_EQ(cli::PictureFilesOf(dir.Root()), expected);
}

TEST(CliOptions, Defaults) {
  cli::Options o;
  std::string error;
  ASSERT_TRUE(cli::ParseOptions({"x"}, o, error));
  EXPECT_EQ(o.Settings.Mode, ResizeMode::DecreaseTimes);
  EXPECT_EQ(XFactor(o.Settings.FactorWhole, o.Settings.FactorTenths), 2.0);
  EXPECT_EQ(o.Settings.FilterIndex, 6);
  EXPECT_EQ(o.Settings.Quality, 74);
  EXPECT_TRUE(o.Settings.OverwriteOutput);
  EXPECT_TRUE(o.Settings.ProtectHuge);
  EXPECT_FALSE(o.Settings.AddFilterName);
  EXPECT_EQ(o.Settings.Format, OutputFormat::Jpeg);
  EXPECT_EQ(o.Settings.Metadata, MetadataChoice::None);
  EXPECT_GE(o.Jobs, 1);
  ASSERT_TRUE(cli::ParseOptions({"--factor=10.9", "--filter", "b-spline", "x"}, o, error));
  EXPECT_EQ(o.Settings.FactorWhole, 10);
  EXPECT_EQ(o.Settings.FactorTenths, 9);
  EXPECT_EQ(o.Settings.FilterIndex, 4);
}
