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

}  // namespace velora::test

#include <sys/mount.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "picture/picture.h"

namespace velora::test {

void FillPattern(TBitmap& bitmap, int width, int height, unsigned seed) {
  bitmap.SetPixelDepth(PixelDepth::pf24bit);
  bitmap.SetSize(width, height);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.RowAddress(y);
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(rng() % 40);
      row[3 * x] = static_cast<uint8_t>((x * 255 / std::max(1, width - 1) + noise) % 256);
      row[3 * x + 1] = static_cast<uint8_t>((y * 255 / std::max(1, height - 1) + noise / 2) % 256);
      row[3 * x + 2] = static_cast<uint8_t>(((x / 4 + y / 4) % 2) ? 230 - noise : 20 + noise);
    }
  }
}

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool ReadPnm(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
  const std::string data = ReadFile(path);
  std::istringstream in(data);
  std::string magic;
  int maxval = 0;
  in >> magic >> width >> height >> maxval;
  if ((magic != "P6" && magic != "P5") || maxval != 255) return false;
  in.get();
  const size_t start = static_cast<size_t>(in.tellg());
  const size_t channels = magic == "P6" ? 3 : 1;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (data.size() < start + count * channels) return false;
  rgb.resize(count * 3);
  for (size_t i = 0; i < count; ++i) {
    for (size_t c = 0; c < 3; ++c) {
      rgb[3 * i + c] = static_cast<uint8_t>(data[start + i * channels + (channels == 3 ? c : 0)]);
    }
  }
  return true;
}

std::vector<uint8_t> RgbOf(const TBitmap& bitmap) {
  std::vector<uint8_t> rgb;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* p = bitmap.ConstRowAddress(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      rgb.push_back(p[3 * x + 2]);
      rgb.push_back(p[3 * x + 1]);
      rgb.push_back(p[3 * x]);
    }
  }
  return rgb;
}

void WritePpm(const TBitmap& bitmap, const std::string& path) {
  const std::vector<uint8_t> rgb = RgbOf(bitmap);
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << bitmap.Width() << " " << bitmap.Height() << "\n255\n";
  out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

}  // namespace velora::test

namespace velora::test {

SmallFileSystem::SmallFileSystem(const TempDir& dir, const std::string& name, size_t bytes)
    : path_(dir.Path(name)) {
  std::filesystem::create_directory(path_);
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
}

bool SmallFileSystem::MakeReadOnly() {
  return mounted_ && ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

}  // namespace velora::test
