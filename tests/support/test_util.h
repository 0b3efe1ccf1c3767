#pragma once
// Small helpers shared by the tests: temporary folders and files.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velora::test {

// A fresh folder under the system's temporary folder, removed again at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder, without a trailing "/".
  const std::string& Root() const { return root_; }
  std::string Path(const std::string& name) const { return root_ + "/" + name; }
  // Writes a file and returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const;
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

 private:
  std::string root_;
};

std::string ReadFile(const std::string& path);
std::vector<uint8_t> ReadBytes(const std::string& path);

}  // namespace velora::test

namespace velora {
class TBitmap;
}

namespace velora::test {

// A 24-bit picture with smooth gradients, edges and noise, the same for the same seed.
void FillPattern(TBitmap& bitmap, int width, int height, unsigned seed);
// Runs a shell command; returns its exit status (-1 when it could not run).
int RunCommand(const std::string& command);
// Reads a binary PPM (P6) or PGM (P5); gray becomes equal channels. Pixels are RGB,
// top row first. False when the file is not one.
bool ReadPnm(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb);
// Writes a binary PPM from a 24-bit bitmap.
void WritePpm(const TBitmap& bitmap24, const std::string& path);
// The bitmap's pixels as RGB, top row first, as ReadPnm gives them.
std::vector<uint8_t> RgbOf(const TBitmap& bitmap24);

}  // namespace velora::test

namespace velora::test {

// A tiny file system mounted inside a temporary folder, where the tests may mount one
// (as root); for filling a disk or making a folder read-only for everyone.
class SmallFileSystem {
 public:
  SmallFileSystem(const TempDir& dir, const std::string& name, size_t bytes);
  ~SmallFileSystem();
  SmallFileSystem(const SmallFileSystem&) = delete;
  SmallFileSystem& operator=(const SmallFileSystem&) = delete;
  bool Mounted() const { return mounted_; }
  const std::string& Path() const { return path_; }
  bool MakeReadOnly();

 private:
  std::string path_;
  bool mounted_ = false;
};

}  // namespace velora::test
