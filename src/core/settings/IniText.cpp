// The settings file's text: its lines, the lookup rules and the in-place edit.
#include "settings/IniText.h"

#include <stdexcept>

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

// Gives the last line the line break it lacks. A bare CR ending that line is part of its
// text; a plain "\n" after it would turn the pair into a CRLF line end and change the line.
void EndLastLine(Line& line, const std::string& eol) {
  if (line.eol.empty()) line.eol = !line.text.empty() && line.text.back() == '\r' ? "\r\n" : eol;
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

// The key's line within the section, or lines.size() when there is none; `value` gets
// what stands after its "=".
size_t FindKey(const std::vector<Line>& lines, const std::string& section, const std::string& ident,
               std::string& value) {
  const size_t header = FindSection(lines, section);
  if (header == lines.size()) return lines.size();
  const std::string wanted = Trim(ident);
  const size_t end = SectionEnd(lines, header);
  std::string key;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyLine(lines[i].text, key, value) && SameName(key, wanted)) return i;
  }
  return lines.size();
}

// Cuts a value at its first NUL and to `maxLength` bytes, backing off so that no UTF-8
// character is split.
std::string ReadableValue(std::string value, size_t maxLength) {
  const size_t nul = value.find('\0');
  if (nul != std::string::npos) value.resize(nul);
  if (value.size() > maxLength) {
    size_t cut = maxLength;
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

// Appends a name once, compared without regard to case.
void AddOnce(std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names) {
    if (SameName(n, name)) return;
  }
  names.push_back(name);
}

}  // namespace

std::string TIniText::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue, size_t maxLength) const {
  const std::vector<Line> lines = SplitLines(bytes_);
  std::string value;
  return FindKey(lines, section, ident, value) != lines.size() ? ReadableValue(value, maxLength)
                                                               : defaultValue;
}

bool TIniText::SectionExists(const std::string& section) const {
  const std::vector<Line> lines = SplitLines(bytes_);
  return FindSection(lines, section) != lines.size();
}

bool TIniText::ValueExists(const std::string& section, const std::string& ident) const {
  const std::vector<Line> lines = SplitLines(bytes_);
  std::string value;
  return FindKey(lines, section, ident, value) != lines.size();
}

std::vector<std::string> TIniText::ReadSection(const std::string& section) const {
  const std::vector<Line> lines = SplitLines(bytes_);
  std::vector<std::string> keys;
  const size_t header = FindSection(lines, section);
  if (header == lines.size()) return keys;
  const size_t end = SectionEnd(lines, header);
  std::string key, value;
  for (size_t i = header + 1; i < end; ++i) {
    if (KeyLine(lines[i].text, key, value)) AddOnce(keys, key);
  }
  return keys;
}

std::vector<std::string> TIniText::ReadSections() const {
  std::vector<std::string> sections;
  std::string name;
  for (const Line& line : SplitLines(bytes_)) {
    if (SectionName(line.text, name)) AddOnce(sections, name);
  }
  return sections;
}

void TIniText::WriteString(const std::string& section, const std::string& ident,
                           const std::string& value) {
  CheckNames(section, ident);
  std::vector<Line> lines = SplitLines(bytes_);
  // New lines take the line end the file already uses.
  const std::string eol = !lines.empty() && !lines[0].eol.empty() ? lines[0].eol : "\n";
  const Line entry{
      Trim(ident) + "=" + value.substr(0, value.find_first_of(std::string("\r\n\0", 3))), eol};

  const size_t header = FindSection(lines, section);
  if (header == lines.size()) {
    if (!lines.empty()) EndLastLine(lines.back(), eol);
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
      EndLastLine(lines[last], eol);
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), entry);
    }
  }
  bytes_ = JoinLines(lines);
}

}  // namespace velora
