#pragma once
// The text of a settings file held in memory, with the rules for finding, listing and
// replacing values in it. TTarnoIniFile reads the file into one of these for every call
// and writes the changed text back; keeping the rules apart from the file lets them be
// checked on any bytes.
#include <string>
#include <vector>

namespace velora {

class TIniText {
 public:
  TIniText() = default;
  explicit TIniText(std::string bytes) : bytes_(std::move(bytes)) {}

  const std::string& Bytes() const { return bytes_; }

  // The value as it stands after "=", cut at its first NUL and to `maxLength` bytes (never
  // inside a UTF-8 character); the default when the key is missing.
  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue, size_t maxLength) const;
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;
  // The keys of a section, in file order, each once, spelled as in the file.
  std::vector<std::string> ReadSection(const std::string& section) const;
  // The section names, in file order, each once, spelled as in the file.
  std::vector<std::string> ReadSections() const;

  // Sets a value: a key already in its section is replaced in place, a new key goes
  // after the section's last key, a new section to the end. Every other line keeps its
  // bytes. The value is stored up to its first line break or NUL. Raises
  // std::invalid_argument for a section or key name that could not be read back.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);

 private:
  std::string bytes_;
};

}  // namespace velora
