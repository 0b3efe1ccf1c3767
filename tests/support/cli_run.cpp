#include "cli_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "jpeg/jpeg.h"

namespace velora::test {

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

Outcome Resize(const TempDir& dir, const std::string& args, const std::string& cwd) {
  const std::string out = dir.Path(".stdout"), err = dir.Path(".stderr");
  Outcome o;
  const std::string program = std::string(VELORA_BINARY_DIR) + "/src/cli/velora-resize";
  o.status = RunCommand((cwd.empty() ? "" : "cd " + ShellQuoted(cwd) + " && ") + program + " " +
                        args + " >" + out + " 2>" + err);
  std::vector<std::string> lines = Lines(ReadFile(out));
  std::filesystem::remove(out);
  o.errors = ReadFile(err);
  std::filesystem::remove(err);
  if (!lines.empty() && lines.back().rfind("Summary: ", 0) == 0) {
    o.summary = lines.back();
    lines.pop_back();
  }
  if (lines.size() >= 2 && lines[0].find(" NEW BATCH JOB STARTED") != std::string::npos) {
    o.heading = lines[0];
    EXPECT_EQ(lines[1], "");
    lines.erase(lines.begin(), lines.begin() + 2);
  }
  if (!lines.empty() && lines.back().rfind("Batch job done in ", 0) == 0) {
    o.timing = lines.back();
    lines.pop_back();
  }
  o.log = lines;
  return o;
}

void WriteJpeg(const std::string& path, int w, int h, unsigned seed) {
  TBitmap bitmap;
  FillPattern(bitmap, w, h, seed);
  TJPEGImage jpeg;
  jpeg.CopyGraphic(&bitmap);
  jpeg.SaveFile(path);
}

std::string Saved(const std::string& path) {
  return "File resized and saved as: " + path;
}

}  // namespace velora::test
