// The settings file: parsing into lines, the lookup rules, and the atomic rewrite.
#include "settings/IniFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <stdexcept>

#include "util/TarnoTPU.h"
#include "util/atomic_file.h"
#include "util/regular_file.h"

namespace velora {

namespace {

// One line of the file with its own line end ("\n", "\r\n", or "" for a last line without
// one), so that lines the program does not touch are written back byte for byte.
struct Line {
  std::string text;
  std::string eol;
};

std::vector<Line> SplitLines(const std::string& bytes) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t lf = bytes.find('\n', start);
    if (lf == std::string::npos) {
      lines.push_back({bytes.substr(start), ""});
      break;
    }
    size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') --end;
    lines.push_back({bytes.substr(start, end - start), bytes.substr(end, lf + 1 - end)});
    start = lf + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
  std::string bytes;
  for (const Line& line : lines) bytes += line.text + line.eol;
  return bytes;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Trim(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

// A "[name]" line; the name is what stands between the brackets, blanks trimmed.
bool SectionName(const std::string& text, std::string& name) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i == text.size() || text[i] != '[') return false;
  const size_t close = text.find(']', i + 1);
  name = Trim(text.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1));
  return true;
}

// A "key=value" line (not a section line, not a ";" or "#" comment, with a key before "=").
bool KeyLine(const std::string& text, std::string& key, std::string& value) {
  std::string section;
  if (SectionName(text, section)) return false;
  const std::string trimmed = Trim(text);
  if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return false;
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(text.substr(0, eq));
  if (key.empty()) return false;
  value = text.substr(eq + 1);
  return true;
}

// Index of the first line of the named section, or lines.size() when there is none.
size_t FindSection(const std::vector<Line>& lines, const std::string& section) {
  std::string name;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (SectionName(lines[i].text, name) && SameName(name, section)) return i;
  }
  return lines.size();
}

// The lines of a section: from just after its header up to the next header.
size_t SectionEnd(const std::vector<Line>& lines, size_t header) {
  std::string name;
  size_t i = header + 1;
  while (i < lines.size() && !SectionName(lines[i].text, name)) ++i;
  return i;
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

bool FindValue(const std::string& path, const std::string& section, const std::string& ident,
               std::string& value) {
  const std::vector<Line> lines = SplitLines(ReadAll(path));
  const size_t header = FindSection(lines, section);
  if (header == lines.size()) return false;
  const std::string wanted = Trim(ident);
  const size_t end = SectionEnd(lines, header);
  std::string key;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyLine(lines[i].text, key, value) && SameName(key, wanted)) return true;
  }
  return false;
}

// Cuts a value at its first NUL and to the longest length reading returns, backing off so
// that no UTF-8 character is split.
std::string ReadableValue(std::string value) {
  const size_t nul = value.find('\0');
  if (nul != std::string::npos) value.resize(nul);
  if (value.size() > TTarnoIniFile::kMaxValueLength) {
    size_t cut = TTarnoIniFile::kMaxValueLength;
    // A byte 10xxxxxx continues a character; cut before the byte that starts it.
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    value.resize(cut);
  }
  return value;
}

void CheckNames(const std::string& section, const std::string& ident) {
  const std::string key = Trim(ident);
  if (Trim(section).empty() || section.find_first_of("]\r\n", 0) != std::string::npos ||
      section.find('\0') != std::string::npos || key.empty() ||
      ident.find_first_of("=\r\n", 0) != std::string::npos ||
      ident.find('\0') != std::string::npos || key[0] == '[' || key[0] == ';' || key[0] == '#') {
    throw std::invalid_argument("not a usable settings section or key name");
  }
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
  std::string value;
  return FindValue(fileName_, section, ident, value) ? ReadableValue(value) : defaultValue;
}

int TTarnoIniFile::ReadInteger(const std::string& section, const std::string& ident,
                               int defaultValue) const {
  std::string text;
  int value = 0;
  if (!FindValue(fileName_, section, ident, text)) return defaultValue;
  return ParseIniInteger(ReadableValue(text), value) ? value : defaultValue;
}

bool TTarnoIniFile::ReadBool(const std::string& section, const std::string& ident,
                             bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TTarnoIniFile::WriteString(const std::string& section, const std::string& ident,
                                const std::string& value) {
  CheckNames(section, ident);
  std::string bytes;
  if (!ReadFileBytes(fileName_, bytes) && errno != ENOENT) WriteFailed(fileName_);
  std::vector<Line> lines = SplitLines(bytes);
  // New lines take the line end the file already uses.
  const std::string eol = !lines.empty() && !lines[0].eol.empty() ? lines[0].eol : "\n";
  const Line entry{
      Trim(ident) + "=" + value.substr(0, value.find_first_of(std::string("\r\n\0", 3))), eol};

  const size_t header = FindSection(lines, section);
  if (header == lines.size()) {
    if (!lines.empty() && lines.back().eol.empty()) lines.back().eol = eol;
    lines.push_back({"[" + Trim(section) + "]", eol});
    lines.push_back(entry);
  } else {
    const size_t end = SectionEnd(lines, header);
    size_t last = header;  // the last key line of the section, or its header
    bool replaced = false;
    std::string key, old;
    for (size_t i = header + 1; i < end && !replaced; ++i) {
      if (!KeyLine(lines[i].text, key, old)) continue;
      if (SameName(key, Trim(ident))) {
        lines[i].text = entry.text;
        replaced = true;
      }
      last = i;
    }
    if (!replaced) {
      if (lines[last].eol.empty()) lines[last].eol = eol;
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), entry);
    }
  }
  if (!ReplaceFile(fileName_, JoinLines(lines))) WriteFailed(fileName_);
}

void TTarnoIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, std::to_string(value));
}

void TTarnoIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

bool TTarnoIniFile::SectionExists(const std::string& section) const {
  const std::vector<Line> lines = SplitLines(ReadAll(fileName_));
  return FindSection(lines, section) != lines.size();
}

bool TTarnoIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  std::string value;
  return FindValue(fileName_, section, ident, value);
}

std::vector<std::string> TTarnoIniFile::ReadSection(const std::string& section) const {
  const std::vector<Line> lines = SplitLines(ReadAll(fileName_));
  std::vector<std::string> keys;
  const size_t header = FindSection(lines, section);
  if (header == lines.size()) return keys;
  const size_t end = SectionEnd(lines, header);
  std::string key, value;
  for (size_t i = header + 1; i < end; ++i) {
    if (!KeyLine(lines[i].text, key, value)) continue;
    bool seen = false;
    for (const std::string& k : keys) seen = seen || SameName(k, key);
    if (!seen) keys.push_back(key);
  }
  return keys;
}

std::vector<std::string> TTarnoIniFile::ReadSections() const {
  const std::vector<Line> lines = SplitLines(ReadAll(fileName_));
  std::vector<std::string> sections;
  std::string name;
  for (const Line& line : lines) {
    if (!SectionName(line.text, name)) continue;
    bool seen = false;
    for (const std::string& s : sections) seen = seen || SameName(s, name);
    if (!seen) sections.push_back(name);
  }
  return sections;
}

}  // namespace velora
