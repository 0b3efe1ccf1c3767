// The settings file's text (TIniText, which TTarnoIniFile reads and writes through). The
// first byte chooses which key is written, the rest is the file. Every section and key is
// read; then one key is written, and the lines the write did not touch must come back byte
// for byte, the written value must read back, and writing it again must change nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "settings/IniFile.h"
#include "settings/IniText.h"

namespace {

constexpr size_t kMaxLength = velora::TTarnoIniFile::kMaxValueLength;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The file as lines, each with the line break that ends it (the last may have none).
std::vector<std::string> RawLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t lf = bytes.find('\n', start);
    const size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
    lines.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Every key of every section, read as text and as an integer.
std::vector<std::pair<std::string, std::string>> ReadEverything(const velora::TIniText& text) {
  std::vector<std::pair<std::string, std::string>> keys;
  for (const std::string& section : text.ReadSections()) {
    Check(text.SectionExists(section));
    for (const std::string& key : text.ReadSection(section)) {
      Check(text.ValueExists(section, key));
      const std::string value = text.ReadString(section, key, "missing", kMaxLength);
      Check(value.size() <= kMaxLength && value.find('\0') == std::string::npos);
      int number = 0;
      velora::ParseIniInteger(value, number);
      keys.emplace_back(section, key);
    }
  }
  return keys;
}

// The edit left every line it did not touch as it was: between the common first and last
// lines there is at most one old line, and the new lines there are the key's line, a new
// section's header, or the old line completed by a line break.
void CheckUntouchedLines(const std::string& before, const std::string& after,
                         const std::string& section, const std::string& entry) {
  const std::vector<std::string> o = RawLines(before), n = RawLines(after);
  size_t head = 0;
  while (head < o.size() && head < n.size() && o[head] == n[head]) ++head;
  size_t tail = 0;
  while (tail < o.size() - head && tail < n.size() - head &&
         o[o.size() - 1 - tail] == n[n.size() - 1 - tail]) {
    ++tail;
  }
  const size_t oldCount = o.size() - head - tail, newCount = n.size() - head - tail;
  Check(oldCount <= 1 && newCount <= oldCount + 2);
  for (size_t i = head; i < head + newCount; ++i) {
    const std::string& line = n[i];
    const std::string text = line.substr(0, line.find_last_not_of("\r\n") + 1);
    const bool completed = oldCount == 1 && o[head].back() != '\n' &&
                           (line == o[head] + "\n" || line == o[head] + "\r\n");
    Check(text == entry || text == "[" + Trim(section) + "]" || completed);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned choice = data[0];
  const velora::TIniText before(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  const std::vector<std::pair<std::string, std::string>> keys = ReadEverything(before);

  // What to write: a key the file has, a new key in a section it has, or a new section.
  std::string section = "Settings", ident = "trkQuality";
  const std::string value = choice & 0x80 ? "" : " a=[b] ;c ";
  const std::vector<std::string> sections = before.ReadSections();
  if ((choice & 3) == 0 && !keys.empty()) {
    std::tie(section, ident) = keys[(choice >> 2) % keys.size()];
  } else if ((choice & 3) == 1 && !sections.empty()) {
    section = sections[(choice >> 2) % sections.size()];
  } else if ((choice & 3) == 2) {
    section = "New Section";
  }
  velora::TIniText after = before;
  try {
    after.WriteString(section, ident, value);
  } catch (const std::invalid_argument&) {
    return 0;  // a name from the file that could not be read back as one
  }
  Check(after.ReadString(section, ident, "missing", kMaxLength) == value);
  CheckUntouchedLines(before.Bytes(), after.Bytes(), section, Trim(ident) + "=" + value);
  ReadEverything(after);

  velora::TIniText again = after;
  again.WriteString(section, ident, value);
  Check(again.Bytes() == after.Bytes());
  return 0;
}
