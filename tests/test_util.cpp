#include "test_util.h"

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace velora::test {

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto candidate = base / ("velora-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(candidate)) {
      root_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Folders a test made read-only must become writable again to be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(root_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(root_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string path = Path(name);
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  return Write(name, std::string(bytes.begin(), bytes.end()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string s = ReadFile(path);
  return {s.begin(), s.end()};
}

std::string Corpus(const std::string& relative) {
  return std::string(VELORA_CORPUS_DIR) + "/" + relative;
}

}  // namespace velora::test
