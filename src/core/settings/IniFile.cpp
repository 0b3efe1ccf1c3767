// The settings file on disk: reading it whole, the atomic rewrite, and the integer rule.
#include "settings/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>

#include "settings/IniText.h"
#include "util/TarnoTPU.h"
#include "util/atomic_file.h"
#include "util/regular_file.h"

namespace velora {

namespace {

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The whole file; false (with errno set) when it cannot be opened or read, or is not a
// regular file (a FIFO would block, a device would never end).
bool ReadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  const OpenedFile file = OpenRegularFile(path, O_RDONLY);
  if (file.fd < 0) {
    errno = file.error == kNotRegularFile ? EINVAL : file.error;
    return false;
  }
  const int fd = file.fd;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      errno = error;
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

// The whole file, or "" when it cannot be read. Reading never fails.
std::string ReadAll(const std::string& path) {
  std::string bytes;
  return ReadFileBytes(path, bytes) ? bytes : std::string();
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  return ec ? path : full.string();
}

[[noreturn]] void WriteFailed(const std::string& path) {
  throw EIniFileException("Unable to write to " + FullPath(path));
}

// Replaces the file atomically and on disk, so a crash or a full disk never leaves a
// half-written settings file.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
  try {
    WriteFileAtomically(path, bytes.data(), bytes.size(), true);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace

bool ParseIniInteger(const std::string& text, int& value) {
  const std::string t = Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  bool hex = false;
  if (i < t.size() && t[i] == '$') {
    hex = true;
    i += 1;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == t.size()) return false;
  uint64_t magnitude = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (hex) {
    // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
    uint32_t bits = static_cast<uint32_t>(magnitude);
    if (negative) bits = 0u - bits;
    value = static_cast<int>(static_cast<int32_t>(bits));
    return true;
  }
  const int64_t signedValue =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<int>(signedValue);
  return true;
}

TTarnoIniFile::TTarnoIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TTarnoIniFile::ReadString(const std::string& section, const std::string& ident,
                                      const std::string& defaultValue) const {
  return TIniText(ReadAll(fileName_)).ReadString(section, ident, defaultValue, kMaxValueLength);
}

int TTarnoIniFile::ReadInteger(const std::string& section, const std::string& ident,
                               int defaultValue) const {
  const TIniText text(ReadAll(fileName_));
  if (!text.ValueExists(section, ident)) return defaultValue;
  int value = 0;
  return ParseIniInteger(text.ReadString(section, ident, "", kMaxValueLength), value)
             ? value
             : defaultValue;
}

bool TTarnoIniFile::ReadBool(const std::string& section, const std::string& ident,
                             bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TTarnoIniFile::WriteString(const std::string& section, const std::string& ident,
                                const std::string& value) {
  std::string bytes;
  if (!ReadFileBytes(fileName_, bytes) && errno != ENOENT) WriteFailed(fileName_);
  TIniText text(std::move(bytes));
  text.WriteString(section, ident, value);
  if (!ReplaceFile(fileName_, text.Bytes())) WriteFailed(fileName_);
}

void TTarnoIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

void TTarnoIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

bool TTarnoIniFile::SectionExists(const std::string& section) const {
  return TIniText(ReadAll(fileName_)).SectionExists(section);
}

bool TTarnoIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  return TIniText(ReadAll(fileName_)).ValueExists(section, ident);
}

std::vector<std::string> TTarnoIniFile::ReadSection(const std::string& section) const {
  return TIniText(ReadAll(fileName_)).ReadSection(section);
}

std::vector<std::string> TTarnoIniFile::ReadSections() const {
  return TIniText(ReadAll(fileName_)).ReadSections();
}

}  // namespace velora
