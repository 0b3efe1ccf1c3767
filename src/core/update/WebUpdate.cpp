// The update checker: the check, the page's tags, the version rules and the transfers.
#include "update/WebUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "update/http_fetch.h"
#include "util/TarnoTPU.h"
#include "util/errors.h"

namespace velora {

namespace {

// Names and values in the page end at the first double quote within this many characters.
constexpr size_t kQuotedWindow = 255;

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         AsciiUpper(text.substr(0, prefix.size())) == AsciiUpper(prefix);
}

// The text from `start` up to the next double quote within kQuotedWindow characters;
// "" when there is no such quote.
std::string QuotedFrom(const std::string& line, size_t start) {
  if (start >= line.size()) return "";
  const std::string window = line.substr(start, kQuotedWindow);
  const size_t quote = window.find('"');
  return quote == std::string::npos ? "" : window.substr(0, quote);
}

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A part of a version: a decimal integer, 0 when it is not one.
long long VersionPart(const std::string& text) {
  const std::string t = TrimBlanks(text);
  int value = 0;
  const char* begin = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
  return error == std::errc() && end == t.data() + t.size() && begin != end ? value : 0;
}

std::vector<std::string> SplitAtDots(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = text.find('.', start);
    parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

bool ReadNumber(const std::string& text, double& value) {
  const std::string t = TrimBlanks(text);
  const char* begin = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
  const auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
  return error == std::errc() && end == t.data() + t.size() && begin != end && std::isfinite(value);
}

// The update file while it arrives: written under a hidden name next to the target and
// renamed to the target only once complete, so a failed transfer never leaves a partial
// file behind and never destroys an earlier file of the target's name.
class PartFile {
 public:
  explicit PartFile(std::string target) : target_(std::move(target)) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      path_ = FolderPart(target_) + "." + NamePart(target_) + ".part-" +
              std::to_string(::getpid()) + "-" + std::to_string(counter++);
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0)
      throw EFCreateError("Cannot create file \"" + target_ + "\". " + std::strerror(errno));
  }
  ~PartFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  void Write(const char* data, size_t size) {
    while (size > 0) {
      const ssize_t n = ::write(fd_, data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) Fail();
      data += n;
      size -= static_cast<size_t>(n);
    }
  }

  void Commit() {
    const int fd = fd_;
    fd_ = -1;
    if (::fsync(fd) != 0) {
      ::close(fd);
      Fail();
    }
    if (::close(fd) != 0 || ::rename(path_.c_str(), target_.c_str()) != 0) Fail();
    committed_ = true;
  }

 private:
  [[noreturn]] void Fail() {
    throw EWriteError("Cannot write file \"" + target_ + "\". " + std::strerror(errno));
  }

  std::string target_;
  std::string path_;
  int fd_ = -1;
  bool committed_ = false;
};

}  // namespace

void TProductInfo::SetURL(const std::string& url) {
  url_ =
      StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://") ? url : "http://" + url;
}

std::string TUrlParts::Address() const {
  return Scheme + "://" + Host + ":" + std::to_string(Port) + Object;
}

std::vector<std::string> SplitInfoLines(const std::string& text) {
  const std::string t = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < t.size()) {
    const size_t end = t.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(t.substr(start));
      break;
    }
    lines.push_back(t.substr(start, end - start));
    start = end + (t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

bool VersionIsNewer(TVersionFormat format, const std::string& currentVersion,
                    const std::string& pageVersion) {
  switch (format) {
    case vfString:
      return pageVersion > currentVersion;
    case vfNumber: {
      double current = 0;
      double page = 0;
      return ReadNumber(currentVersion, current) && ReadNumber(pageVersion, page) && page > current;
    }
    case vfStandard:
    default: {
      const std::vector<std::string> current = SplitAtDots(currentVersion);
      const std::vector<std::string> page = SplitAtDots(pageVersion);
      for (size_t i = 0; i < std::max(current.size(), page.size()); ++i) {
        const long long c = i < current.size() ? VersionPart(current[i]) : 0;
        const long long p = i < page.size() ? VersionPart(page[i]) : 0;
        if (c != p) return c < p;
      }
      return false;
    }
  }
}

TWebUpdate::~TWebUpdate() {
  aborted_ = true;
}

bool TWebUpdate::CheckForUpdate() {
  if (checking_) return false;
  checking_ = true;
  // Checking ends on every way out, also when an event handler throws.
  struct EndCheck {
    bool& checking;
    ~EndCheck() { checking = false; }
  } endCheck{checking_};

  page_.Redirection.clear();
  DoBeforeGetInfo();
  GetInfo();
  DoAfterGetInfo();
  if (page_.ProductName.empty() || page_.Version.empty()) {
    DoDownloadError();
    succeeded_ = false;
  }
  if (!succeeded_) return false;
  if (!IsNewerVersion()) return false;

  bool canUpdate = true;
  if (OnUpdateAvailable) {
    const std::string actual = ProductInfo.CurVersion;
    const std::string newer = page_.Version;
    OnUpdateAvailable(*this, actual, newer, canUpdate);
  }
  if (!canUpdate) return false;

  DownloadUpdate();
  if (!succeeded_) return false;

  if (Options.Contains(uoRunUpdate)) {
    const bool opened = OpenClientFile && OpenClientFile(clientFile_, page_.RunParameters);
    if (!opened) DoCannotExecute();
    if (Options.Contains(uoTerminate) && TerminateApplication) TerminateApplication();
  }
  return true;
}

void TWebUpdate::GetInfo() {
  std::vector<std::string> visited;
  for (;;) {
    page_.Version.clear();
    page_.Download.clear();
    page_.Author.clear();
    page_.Email.clear();
    page_.ProductName.clear();
    page_.RunParameters.clear();
    const std::string address = page_.Redirection.empty() ? ProductInfo.URL() : page_.Redirection;
    // A page that leads back to one already read, or a chain that does not end, fails.
    const bool loop = std::find(visited.begin(), visited.end(), address) != visited.end();
    if (loop || static_cast<int>(visited.size()) > std::max(0, MaxRedirections)) {
      succeeded_ = false;
      DoDownloadError();
      return;
    }
    visited.push_back(address);
    Fetch(address);
    if (!succeeded_) return;
    ParseInfo();
    if (page_.Redirection.empty()) return;
  }
}

void TWebUpdate::ParseInfo() {
  page_ = TPageValues{};
  const std::pair<const std::string*, std::string*> fields[] = {
      {&TagInfo.ProductName, &page_.ProductName}, {&TagInfo.Version, &page_.Version},
      {&TagInfo.Download, &page_.Download},       {&TagInfo.ClientFileName, &page_.ClientFileName},
      {&TagInfo.Redirection, &page_.Redirection}, {&TagInfo.RunParameters, &page_.RunParameters},
      {&TagInfo.Author, &page_.Author},           {&TagInfo.Email, &page_.Email},
  };
  for (const std::string& line : infoLines_) {
    const size_t meta = AsciiUpper(line).find("META NAME");
    if (meta == std::string::npos) continue;
    // The name follows `META NAME="`, whatever the two characters after the words are.
    const std::string name = QuotedFrom(line, meta + 11);
    if (name.empty()) continue;
    for (const auto& [tag, value] : fields) {
      if (*tag == name) *value = ExtractContent(line);
    }
  }
}

std::string TWebUpdate::ExtractContent(const std::string& line) const {
  const size_t content = AsciiUpper(line).find("CONTENT=");
  if (content == std::string::npos) return "";
  return QuotedFrom(line, content + 9);
}

bool TWebUpdate::IsNewerVersion() {
  const bool newer =
      VersionIsNewer(ProductInfo.VersionFormat, ProductInfo.CurVersion, page_.Version);
  if (!newer) DoNoUpdateFound();
  return newer;
}

void TWebUpdate::DownloadUpdate() {
  clientFile_ = GetClientFileName();
  if (OnGetClientFileName) OnGetClientFileName(*this, clientFile_);
  succeeded_ = false;
  if (FileExists(clientFile_)) {
    bool overwrite = Options.Contains(uoOverwrite);
    if (OnClientFileExists) OnClientFileExists(*this, clientFile_, overwrite);
    if (!overwrite) {
      DoDownloadError();
      return;
    }
  }
  // Without a file name there is nothing to save the update as.
  if (NamePart(clientFile_).empty()) {
    DoDownloadError();
    return;
  }
  DoBeforeDownload(clientFile_);
  Fetch(page_.Download, clientFile_);
  if (succeeded_) DoAfterDownload(clientFile_);
}

std::string TWebUpdate::GetClientFileName() {
  // Only the name part: a page must not place the file outside the folder.
  const std::string name = NamePart(page_.ClientFileName);
  return TempFolder() + (name == "." || name == ".." ? "" : name);
}

TUrlParts TWebUpdate::SplitURL(const std::string& address) const {
  TUrlParts parts;
  std::string rest = address;
  if (StartsWithNoCase(rest, "http://")) {
    parts.Scheme = "http";
    rest = rest.substr(7);
  } else if (StartsWithNoCase(rest, "https://")) {
    parts.Scheme = "https";
    rest = rest.substr(8);
  } else {
    const size_t scheme = rest.find("://");
    if (scheme != std::string::npos && scheme < rest.find('/')) return parts;  // not fetched
    parts.Scheme = "http";
  }
  const size_t slash = rest.find('/');
  std::string host = rest.substr(0, slash);
  parts.Object = slash == std::string::npos ? "/" : rest.substr(slash);

  // The port follows the last ":" after the host, or after the "]" of an IPv6 address.
  const size_t bracket = host.rfind(']');
  const size_t colon = host.rfind(':');
  int port = parts.Scheme == "https" ? 443 : 80;
  if (colon != std::string::npos && (bracket == std::string::npos || colon > bracket)) {
    const std::string digits = host.substr(colon + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        port < 1 || port > 65535) {
      return TUrlParts{};
    }
    host.resize(colon);
  }
  parts.Host = host;
  parts.Port = port;
  return parts;
}

void TWebUpdate::Fetch(const std::string& address) {
  FetchInto(address, nullptr);
}

void TWebUpdate::Fetch(const std::string& address, const std::string& fileName) {
  FetchInto(address, &fileName);
}

void TWebUpdate::FetchInto(const std::string& address, const std::string* fileName) {
  aborted_ = false;
  succeeded_ = false;
  contentLength_ = 0;
  bytesRead_ = 0;
  // A failed transfer raises OnDownloadError, except when it failed because the file could
  // not be written, because it was aborted, or because an event handler raised an error.
  bool raiseError = true;
  try {
    const TUrlParts parts = SplitURL(address);
    if (parts.Valid()) {
      std::string text;
      std::unique_ptr<PartFile> file;
      bool badResponse = false;
      HttpGetOptions options;
      options.url = parts.Address();
      options.userName = UserName;
      options.password = Password;
      options.stallTimeout = StallTimeout;
      options.maxBodyBytes = MaxTransferBytes;
      options.maxRedirections = MaxRedirections;
      HttpGetHandler handler;
      handler.onBody = [&](long status, int64_t length) {
        // An error page is neither the information page nor the update.
        if (aborted_) return false;
        if (status < 200 || status > 299 || (fileName && length < 0)) {
          badResponse = true;
          return false;
        }
        contentLength_ = std::max<int64_t>(length, 0);
        bytesRead_ = 0;
        if (fileName) file = std::make_unique<PartFile>(*fileName);
        return true;
      };
      handler.onChunk = [&](const char* data, size_t size) {
        if (aborted_) return false;
        if (file) {
          file->Write(data, size);
        } else {
          text.append(data, size);
        }
        bytesRead_ += static_cast<int64_t>(size);
        DoDownload(contentLength_, bytesRead_);
        if (ProcessMessages) ProcessMessages();
        return true;
      };
      handler.cancelled = [this] {
        if (WaitMessages && !aborted_) WaitMessages();
        return aborted_.load();
      };

      const HttpGetResult result = HttpGet(options, handler);
      if (aborted_) {
        raiseError = false;
      } else if (result == HttpGetResult::Complete && !badResponse) {
        if (file) {
          succeeded_ = bytesRead_ > 0 && bytesRead_ == contentLength_;
          if (succeeded_) file->Commit();
        } else {
          succeeded_ = bytesRead_ > 0;
          if (succeeded_) infoLines_ = SplitInfoLines(text);
        }
      }
    }
  } catch (...) {
    succeeded_ = false;
    raiseError = false;
  }
  if (!succeeded_ && raiseError) DoDownloadError();
}

void TWebUpdate::DoDownload(int64_t total, int64_t downloaded) {
  if (OnDownload) OnDownload(*this, total, downloaded);
}
void TWebUpdate::DoDownloadError() {
  if (OnDownloadError) OnDownloadError(*this);
}
void TWebUpdate::DoBeforeDownload(const std::string& fileName) {
  if (OnBeforeDownload) OnBeforeDownload(*this, fileName);
}
void TWebUpdate::DoAfterDownload(const std::string& fileName) {
  if (OnAfterDownload) OnAfterDownload(*this, fileName);
}
void TWebUpdate::DoNoUpdateFound() {
  if (OnNoUpdateFound) OnNoUpdateFound(*this);
}
void TWebUpdate::DoAfterGetInfo() {
  if (OnAfterGetInfo) OnAfterGetInfo(*this);
}
void TWebUpdate::DoBeforeGetInfo() {
  if (OnBeforeGetInfo) OnBeforeGetInfo(*this);
}
void TWebUpdate::DoCannotExecute() {
  if (OnCannotExecute) OnCannotExecute(*this);
}

}  // namespace velora
