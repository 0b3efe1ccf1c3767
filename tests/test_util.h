#pragma once
// Small helpers shared by the tests: temporary folders and files, corpus paths.
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
// A file of the shared public test corpus, for example Corpus("bmp/bmpsuite/g/pal8.bmp").
std::string Corpus(const std::string& relative);

}  // namespace velora::test
