#pragma once
// The settings file: a text file of "[Section]" lines and "Key=Value" lines below them.
//
// Every call goes to the file itself; nothing is cached, so each write is on disk before
// the next call. Section and key names match without regard to ASCII letter case. A key
// written again is replaced in place, a new key goes to the end of its section, a new
// section to the end of the file; every other line stays as it was. Reading never fails:
// a missing, unreadable or damaged file reads as holding no keys, and so does a FIFO,
// socket, device or folder in its place, which is never opened for reading or written.
//
// A write replaces the whole file at once (a temporary file in the same folder, flushed to
// disk, then renamed over the old one), so a crash or a full disk leaves either the old
// file or the new one, never a part of it. A write that fails raises EIniFileException.
#include <string>
#include <vector>

#include "util/errors.h"

namespace velora {

// A write to the settings file failed. The message is "Unable to write to <full path>".
VELORA_EXCEPTION(EIniFileException, Exception)

class TTarnoIniFile {
 public:
  // Longest text value that reading returns, in bytes.
  static constexpr size_t kMaxValueLength = 2047;

  explicit TTarnoIniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // The value as it stands after "=", cut to kMaxValueLength bytes (never inside a UTF-8
  // character); the default when the key is missing.
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const;
  // Decimal, or hexadecimal after "0x", "0X" or "$"; the default when the value is not a
  // 32-bit integer.
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
  // Read as an integer; any value other than 0 is true.
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;

  // A value is stored up to its first line break or NUL: the rest could not be read back
  // as part of it and would turn into lines of its own.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);

  // The file holds a "[section]" line.
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;
  // The keys of a section, in file order, each once, spelled as in the file.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // The section names, in file order, each once, spelled as in the file.
  std::vector<std::string> ReadSections() const;

 private:
  std::string fileName_;
};

// The integer rule of the settings file, on its own: decimal with an optional sign, or
// hexadecimal after "0x", "0X" or "$" (up to 8 digits, read as a 32-bit pattern), with
// surrounding blanks ignored. False when the text is none of these.
bool ParseIniInteger(const std::string& text, int& value);

}  // namespace velora
