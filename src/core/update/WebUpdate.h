#pragma once
// The update checker: reads the product's information page over HTTP(S), finds the latest
// version and the address of its download in the page's META tags, compares that version
// with the running program's, and downloads a newer one. Synchronous: a check runs on the
// caller's thread, with `ProcessMessages` called after every chunk received so that a
// window stays usable meanwhile.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace velora {

enum TUpdateOption { uoRunUpdate, uoTerminate, uoOverwrite };

// A set of TUpdateOption.
class TUpdateOptions {
 public:
  TUpdateOptions(std::initializer_list<TUpdateOption> options = {}) {
    for (TUpdateOption option : options) Include(option);
  }
  bool Contains(TUpdateOption option) const { return (bits_ & Bit(option)) != 0; }
  void Include(TUpdateOption option) { bits_ |= Bit(option); }
  void Exclude(TUpdateOption option) { bits_ &= ~Bit(option); }
  bool operator==(const TUpdateOptions&) const = default;

 private:
  static unsigned Bit(TUpdateOption option) { return 1u << static_cast<unsigned>(option); }
  unsigned bits_ = 0;
};

enum TVersionFormat { vfStandard, vfString, vfNumber };

class TProductInfo {
 public:
  // The information page. An address that starts with neither "http://" nor "https://" (in
  // any letter case) is stored with "http://" in front.
  const std::string& URL() const { return url_; }
  void SetURL(const std::string& url);

  std::string CurVersion = "0.0";  // the running program's version
  TVersionFormat VersionFormat = vfStandard;

 private:
  std::string url_;
};

// The META names looked for in the information page.
struct TTagInfo {
  std::string ProductName = "wuProduct";
  std::string Version = "wuVersion";
  std::string Download = "wuDownload";
  std::string ClientFileName = "wuClientSideName";
  std::string Redirection = "wuRedirection";
  std::string RunParameters = "wuRunParameters";
  std::string Author = "wuAuthor";
  std::string Email = "wuEmail";
};

// The values read from the page, one per field of TTagInfo.
struct TPageValues {
  std::string ProductName;
  std::string Version;
  std::string Download;
  std::string ClientFileName;
  std::string Redirection;
  std::string RunParameters;
  std::string Author;
  std::string Email;
};

// An address taken apart: scheme "http" or "https", host, port (80 or 443 unless the
// address names one) and the object path, which starts with "/".
struct TUrlParts {
  std::string Scheme;
  std::string Host;
  int Port = 0;
  std::string Object;
  // False for an address that cannot be fetched (another scheme, no host, a bad port).
  bool Valid() const { return !Host.empty() && Port > 0; }
  // The address put together again.
  std::string Address() const;
};

// The page text as lines: split at CR, LF or CR LF; a NUL ends the text.
std::vector<std::string> SplitInfoLines(const std::string& text);

// Whether `pageVersion` is newer than `currentVersion`. vfStandard compares the dot-separated
// parts as decimal integers from the left (a part that is not one counts as 0, missing
// parts count as 0); vfString compares the texts byte by byte; vfNumber reads both as
// decimal numbers (false when either cannot be read).
bool VersionIsNewer(TVersionFormat format, const std::string& currentVersion,
                    const std::string& pageVersion);

class TWebUpdate {
 public:
  TWebUpdate() = default;
  virtual ~TWebUpdate();
  TWebUpdate(const TWebUpdate&) = delete;
  TWebUpdate& operator=(const TWebUpdate&) = delete;

  // ---- Properties ----
  TProductInfo ProductInfo;
  TTagInfo TagInfo;
  TUpdateOptions Options{uoRunUpdate, uoTerminate};
  std::string UserName;  // passed to the server as they are
  std::string Password;
  // Limits of one transfer: nothing received for StallTimeout, more than MaxTransferBytes,
  // or more than MaxRedirections HTTP redirections fail it. MaxRedirections also bounds a
  // chain of pages that name another page in their redirection tag.
  std::chrono::milliseconds StallTimeout{30000};
  int64_t MaxTransferBytes = int64_t{64} << 20;
  int MaxRedirections = 10;

  // ---- Events (each may be left empty) ----
  using TNotifyEvent = std::function<void(TWebUpdate& sender)>;
  TNotifyEvent OnBeforeGetInfo;
  TNotifyEvent OnAfterGetInfo;
  std::function<void(TWebUpdate& sender, const std::string& ActualVersion,
                     const std::string& NewVersion, bool& CanUpdate)>
      OnUpdateAvailable;
  TNotifyEvent OnNoUpdateFound;
  TNotifyEvent OnDownloadError;
  std::function<void(TWebUpdate& sender, std::string& FileName)> OnGetClientFileName;
  std::function<void(TWebUpdate& sender, std::string& FileName, bool& Overwrite)>
      OnClientFileExists;
  std::function<void(TWebUpdate& sender, const std::string& FileName)> OnBeforeDownload;
  std::function<void(TWebUpdate& sender, const std::string& FileName)> OnAfterDownload;
  // Total is the announced size, 0 when none was announced.
  std::function<void(TWebUpdate& sender, int64_t Total, int64_t Downloaded)> OnDownload;
  TNotifyEvent OnCannotExecute;

  // ---- What the component asks of the program ----
  // Called after each chunk received: let queued events run.
  std::function<void()> ProcessMessages;
  // Called about ten times a second while a transfer waits for the server (connecting, or
  // between two chunks), so that a slow or silent server never freezes a window.
  std::function<void()> WaitMessages;
  // uoRunUpdate: hand the downloaded file, with the page's run parameters, to the desktop.
  // False when it could not be opened (and when no hook is set).
  std::function<bool(const std::string& fileName, const std::string& parameters)> OpenClientFile;
  // uoTerminate: end the application.
  std::function<void()> TerminateApplication;

  // ---- Operations ----
  // One whole check; true only when a newer version was found and downloaded. Refused
  // (false, nothing touched) while a check is running.
  bool CheckForUpdate();
  // Fetches the information page, following the redirection tags, and parses it.
  void GetInfo();
  // Reads the page values from InfoLines.
  void ParseInfo();
  // The CONTENT value of a tag line; "" when the line has none.
  std::string ExtractContent(const std::string& line) const;
  // PageVersion against ProductInfo.CurVersion; raises OnNoUpdateFound when not newer.
  bool IsNewerVersion();
  // Downloads the page's download address into ClientFile.
  void DownloadUpdate();
  // The address into InfoLines.
  void Fetch(const std::string& address);
  // The address into a file; the server must announce the size, and exactly that many
  // bytes must arrive. The file appears only when the transfer is complete.
  void Fetch(const std::string& address, const std::string& fileName);
  // The temporary folder and the page's client file name (its name part only).
  virtual std::string GetClientFileName();
  // An address that names no scheme is an http:// address.
  virtual TUrlParts SplitURL(const std::string& address) const;
  // Stops a running transfer before its next chunk (without an event).
  void Abort() { aborted_ = true; }

  // ---- State ----
  bool Checking() const { return checking_; }
  bool Aborted() const { return aborted_; }
  bool Succeeded() const { return succeeded_; }
  int64_t ContentLength() const { return contentLength_; }
  int64_t BytesRead() const { return bytesRead_; }
  const std::vector<std::string>& InfoLines() const { return infoLines_; }
  void SetInfoLines(std::vector<std::string> lines) { infoLines_ = std::move(lines); }
  const std::string& ClientFile() const { return clientFile_; }
  const TPageValues& Page() const { return page_; }
  const std::string& PageVersion() const { return page_.Version; }

 protected:
  // Each raises its event.
  virtual void DoDownload(int64_t total, int64_t downloaded);
  virtual void DoDownloadError();
  virtual void DoBeforeDownload(const std::string& fileName);
  virtual void DoAfterDownload(const std::string& fileName);
  virtual void DoNoUpdateFound();
  virtual void DoAfterGetInfo();
  virtual void DoBeforeGetInfo();
  virtual void DoCannotExecute();

 private:
  void FetchInto(const std::string& address, const std::string* fileName);

  TPageValues page_;
  std::vector<std::string> infoLines_;
  std::string clientFile_;
  bool checking_ = false;
  std::atomic<bool> aborted_{false};
  bool succeeded_ = false;
  int64_t contentLength_ = 0;
  int64_t bytesRead_ = 0;
};

}  // namespace velora
