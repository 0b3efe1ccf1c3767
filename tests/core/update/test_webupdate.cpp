// The update checker: page parsing and version rules on their own, then whole checks
// against a server on the loopback interface.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "loopback_http_server.h"
#include "test_util.h"
#include "update/WebUpdate.h"
#include "util/TarnoTPU.h"

namespace velora {
namespace {

using namespace std::chrono_literals;
using test::HttpConnection;
using test::HttpRequest;
using test::HttpResponse;
using test::LoopbackHttpServer;
using test::ReadFile;
using test::TempDir;

// The META names the program's own pages use.
TTagInfo ProgramTags() {
  TTagInfo tags;
  tags.ProductName = "TarnoProduct";
  tags.Version = "TarnoVersion";
  tags.Download = "TarnoDownload";
  tags.ClientFileName = "TarnoClientSideName";
  tags.Redirection = "TarnoRedirection";
  tags.RunParameters = "TarnoRunParameters";
  tags.Author = "TarnoAuthor";
  tags.Email = "TarnoEmail";
  return tags;
}

std::string Meta(const std::string& name, const std::string& content) {
  return "<META NAME=\"" + name + "\" CONTENT=\"" + content + "\">";
}

std::string InfoPage(const std::vector<std::string>& lines) {
  std::string page = "<html><head>\r\n";
  for (const std::string& line : lines) page += line + "\r\n";
  return page + "</head><body>Velora Image Resizer</body></html>\r\n";
}

// ---- Without a server ----

TEST(WebUpdateVersions, ComparisonRules) {
  const struct {
    TVersionFormat format;
    const char* current;
    const char* page;
    bool newer;
  } cases[] = {
      {vfStandard, "1.5.2.55", "1.5.2.56", true},
      {vfStandard, "1.5.2.55", "1.6.0.0", true},
      {vfStandard, "1.5.2.55", "1.5.2.55", false},
      {vfStandard, "1.5.2.55", "1.5.2.9", false},
      {vfStandard, "1.5.2.55", "1.5.10.0", true},  // numeric, not textual
      {vfStandard, "2.0.0.0", "1.9.9.9", false},
      {vfStandard, "1.5", "1.5.0.0", false},  // missing parts count as 0
      {vfStandard, "1.5.0.0", "1.5", false},
      {vfStandard, "1.5", "1.5.1", true},
      {vfStandard, "1.5.1", "1.5", false},
      {vfStandard, "1.5.2.55", "1.5.2", false},
      {vfStandard, "1.x", "1.1", true},  // a part that is not a number counts as 0
      {vfStandard, "1.0", "", false},
      {vfStandard, "0.0", "99999999999.1", true},  // too large for a number: 0
      {vfString, "1.9", "1.10", false},
      {vfString, "1.10", "1.9", true},
      {vfString, "1.5", "1.5", false},
      {vfNumber, "1.5", "1.10", false},
      {vfNumber, "1.5", "1.75", true},
      {vfNumber, "2", "10", true},
      {vfNumber, "1.5", "abc", false},
      {vfNumber, "abc", "2.0", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.current) + " against " + c.page + " in format " +
                 std::to_string(c.format));
    EXPECT_EQ(VersionIsNewer(c.format, c.current, c.page), c.newer);
    // The component raises OnNoUpdateFound exactly when the page's version is not newer.
    TWebUpdate update;
    update.TagInfo = ProgramTags();
    update.ProductInfo.CurVersion = c.current;
    update.ProductInfo.VersionFormat = c.format;
    update.SetInfoLines({Meta("TarnoVersion", c.page)});
    update.ParseInfo();
    int noUpdate = 0;
    update.OnNoUpdateFound = [&](TWebUpdate&) { ++noUpdate; };
    EXPECT_EQ(update.IsNewerVersion(), c.newer);
    EXPECT_EQ(noUpdate, c.newer ? 0 : 1);
  }
}

TEST(WebUpdatePage, TagsAreFoundByTheLineRules) {
  const std::string long254(254, 'v');
  const struct {
    const char* name;
    std::vector<std::string> lines;
    std::string version;  // the page's version value afterwards
  } cases[] = {
      {"the usual tag", {Meta("TarnoVersion", "1.6.0.0")}, "1.6.0.0"},
      {"lower-case words, value kept as written",
       {"<meta name=\"TarnoVersion\" content=\"1.6-Beta\">"},
       "1.6-Beta"},
      {"mixed-case words", {"  <Meta Name=\"TarnoVersion\" Content=\"2.0\" />"}, "2.0"},
      {"the tag name in another letter case", {Meta("tarnoversion", "1.6")}, ""},
      {"the tag name in single quotes", {"<META NAME='TarnoVersion' CONTENT=\"1.6\">"}, ""},
      {"a blank between META NAME and its equals sign",
       {"<META NAME =\"TarnoVersion\" CONTENT=\"1.6\">"},
       ""},
      {"the value in single quotes", {"<META NAME=\"TarnoVersion\" CONTENT='1.6'>"}, ""},
      {"no CONTENT on the line", {"<META NAME=\"TarnoVersion\" VALUE=\"1.6\">"}, ""},
      {"a value without its closing quote", {"<META NAME=\"TarnoVersion\" CONTENT=\"1.6"}, ""},
      {"a value of 254 characters", {Meta("TarnoVersion", long254)}, long254},
      {"a value of 255 characters", {Meta("TarnoVersion", long254 + "v")}, ""},
      {"two version lines: the later one wins",
       {Meta("TarnoVersion", "1.6"), Meta("TarnoVersion", "1.7")},
       "1.7"},
      {"only the first META NAME of a line is read",
       {Meta("TarnoAuthor", "x") + Meta("TarnoVersion", "1.6")},
       ""},
      {"the first CONTENT= of the line holds the value",
       {"<META CONTENT=\"9.9\" NAME=\"x\"> " + Meta("TarnoVersion", "1.6")},
       "9.9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TWebUpdate update;
    update.TagInfo = ProgramTags();
    update.SetInfoLines(c.lines);
    update.ParseInfo();
    EXPECT_EQ(update.PageVersion(), c.version);
  }
}

TEST(WebUpdatePage, EveryTagFillsItsOwnValueAndParsingStartsAfresh) {
  TWebUpdate update;
  update.TagInfo = ProgramTags();
  update.SetInfoLines({Meta("TarnoProduct", "Velora"), Meta("TarnoVersion", "1.6"),
                       Meta("TarnoDownload", "http://h/u.bin"),
                       Meta("TarnoClientSideName", "u.bin"), Meta("TarnoRedirection", "http://r/"),
                       Meta("TarnoRunParameters", "/S"), Meta("TarnoAuthor", "A. Uthor"),
                       Meta("TarnoEmail", "a@example.com"), Meta("wuVersion", "9.9")});
  update.ParseInfo();
  const TPageValues& p = update.Page();
  EXPECT_EQ(p.ProductName, "Velora");
  EXPECT_EQ(p.Version, "1.6");
  EXPECT_EQ(p.Download, "http://h/u.bin");
  EXPECT_EQ(p.ClientFileName, "u.bin");
  EXPECT_EQ(p.Redirection, "http://r/");
  EXPECT_EQ(p.RunParameters, "/S");
  EXPECT_EQ(p.Author, "A. Uthor");
  EXPECT_EQ(p.Email, "a@example.com");
  update.SetInfoLines({Meta("TarnoVersion", "2.0")});
  update.ParseInfo();
  EXPECT_EQ(update.Page().Version, "2.0");
  EXPECT_EQ(update.Page().Redirection, "");
  EXPECT_EQ(update.Page().Download, "");
  // Without the program's names, the default names are the ones looked for.
  TWebUpdate defaults;
  defaults.SetInfoLines({Meta("wuVersion", "3.1")});
  defaults.ParseInfo();
  EXPECT_EQ(defaults.PageVersion(), "3.1");
}

TEST(WebUpdatePage, TextSplitsIntoLinesAtCrLfAndCrLfAndEndsAtNul) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitInfoLines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitInfoLines("a\r\n\r\nb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitInfoLines(std::string("a\nb\0c\nd", 7)), (Lines{"a", "b"}));
  EXPECT_EQ(SplitInfoLines(""), Lines{});
}

TEST(WebUpdateAddress, SplitURLAndTheURLProperty) {
  const struct {
    const char* address;
    const char* scheme;
    const char* host;  // "" when the address cannot be fetched
    int port;
    const char* object;
  } cases[] = {
      {"http://www.example.com/velora/index.html", "http", "www.example.com", 80,
       "/velora/index.html"},
      {"HTTP://Example.com/a", "http", "Example.com", 80, "/a"},
      {"https://example.com/a?b=c", "https", "example.com", 443, "/a?b=c"},
      {"http://example.com:8080/a", "http", "example.com", 8080, "/a"},
      {"https://[::1]:8443/x", "https", "[::1]", 8443, "/x"},
      {"example.com/a", "http", "example.com", 80, "/a"},
      {"http://example.com", "http", "example.com", 80, "/"},
      {"http://example.com:/a", "", "", 0, ""},
      {"http://example.com:99999/a", "", "", 0, ""},
      {"ftp://example.com/a", "", "", 0, ""},
      {"file:///etc/passwd", "", "", 0, ""},
      {"http:///a", "http", "", 80, "/a"},
  };
  TWebUpdate update;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    const TUrlParts parts = update.SplitURL(c.address);
    EXPECT_EQ(parts.Valid(), *c.host != '\0');
    EXPECT_EQ(parts.Host, c.host);
    if (!parts.Valid()) continue;
    EXPECT_EQ(parts.Scheme, c.scheme);
    EXPECT_EQ(parts.Port, c.port);
    EXPECT_EQ(parts.Object, c.object);
  }
  const struct {
    const char* assigned;
    const char* stored;
  } urls[] = {
      {"www.example.com/v", "http://www.example.com/v"},
      {"HTTP://www.example.com/v", "HTTP://www.example.com/v"},
      {"https://www.example.com/v", "https://www.example.com/v"},
      {"HtTpS://www.example.com/v", "HtTpS://www.example.com/v"},
  };
  for (const auto& u : urls) {
    update.ProductInfo.SetURL(u.assigned);
    EXPECT_EQ(update.ProductInfo.URL(), u.stored);
  }
}

// ---- Whole checks against the loopback server ----

// A check set up as the program sets it up, against its own server, with every event
// recorded and the temporary folder pointed at a folder of the test's own.
class Harness {
 public:
  Harness() {
    // Nothing may go through a proxy: every address the tests use is on this machine.
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      unsetenv(name);
    }
    setenv("no_proxy", "*", 1);
    setenv("NO_PROXY", "*", 1);
    if (const char* tmp = std::getenv("TMPDIR")) savedTmp_ = tmp;
    std::filesystem::create_directory(dir.Path("tmp"));
    setenv("TMPDIR", dir.Path("tmp").c_str(), 1);

    update.TagInfo = ProgramTags();
    update.Options = {uoOverwrite};
    update.ProductInfo.CurVersion = "1.5.2.55";
    update.ProductInfo.SetURL(server.Url("/info.html"));
    update.StallTimeout = 300ms;
    update.OnBeforeGetInfo = [this](TWebUpdate&) { events.push_back("BeforeGetInfo"); };
    update.OnAfterGetInfo = [this](TWebUpdate&) { events.push_back("AfterGetInfo"); };
    update.OnUpdateAvailable = [this](TWebUpdate&, const std::string& actual,
                                      const std::string& newer, bool& canUpdate) {
      events.push_back("UpdateAvailable " + actual + " " + newer);
      canUpdate = allowUpdate;
    };
    update.OnNoUpdateFound = [this](TWebUpdate&) { events.push_back("NoUpdateFound"); };
    update.OnDownloadError = [this](TWebUpdate&) { events.push_back("DownloadError"); };
    update.OnGetClientFileName = [this](TWebUpdate&, std::string& fileName) {
      events.push_back("GetClientFileName");
      if (clientFile) fileName = *clientFile;
    };
    update.OnClientFileExists = [this](TWebUpdate&, std::string& fileName, bool& overwrite) {
      events.push_back("ClientFileExists");
      if (onExists) onExists(fileName, overwrite);
    };
    update.OnBeforeDownload = [this](TWebUpdate&, const std::string&) {
      events.push_back("BeforeDownload");
    };
    update.OnAfterDownload = [this](TWebUpdate&, const std::string& fileName) {
      events.push_back("AfterDownload");
      EXPECT_EQ(fileName, update.ClientFile());
    };
    update.OnDownload = [this](TWebUpdate&, int64_t total, int64_t downloaded) {
      progress.emplace_back(total, downloaded);
    };
    update.OnCannotExecute = [this](TWebUpdate&) { events.push_back("CannotExecute"); };
  }

  ~Harness() {
    if (savedTmp_) {
      setenv("TMPDIR", savedTmp_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  // "$BASE" in a response stands for the server's own address.
  std::string WithBase(std::string text) const {
    for (size_t at; (at = text.find("$BASE")) != std::string::npos;) {
      text.replace(at, 5, server.Url(""));
    }
    return text;
  }

  std::string TempPath(const std::string& name) const { return dir.Path("tmp/" + name); }

  // The names in the temporary folder: the saved update and nothing half-written.
  std::vector<std::string> TempFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path("tmp"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  LoopbackHttpServer server;
  TWebUpdate update;
  std::vector<std::string> events;
  std::vector<std::pair<int64_t, int64_t>> progress;
  bool allowUpdate = true;
  std::optional<std::string> clientFile;  // replaces the client file name when set
  std::function<void(std::string& fileName, bool& overwrite)> onExists;

 private:
  std::optional<std::string> savedTmp_;
};

std::string UpdateBytes() {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>('A' + i % 26);
  return bytes;
}

std::string NewerPage() {
  return InfoPage({"<title>Velora</title>", Meta("TarnoProduct", "Velora Image Resizer"),
                   Meta("TarnoVersion", "1.6.0.0"), Meta("TarnoDownload", "$BASE/files/update.bin"),
                   Meta("TarnoClientSideName", "VeloraUpdate.bin")});
}

std::string PageWith(const std::string& version, const std::string& extraLine) {
  return InfoPage({Meta("TarnoProduct", "Velora Image Resizer"), Meta("TarnoVersion", version),
                   Meta("TarnoDownload", "$BASE/files/update.bin"),
                   Meta("TarnoClientSideName", "VeloraUpdate.bin"), extraLine});
}

// What the server answers for one path.
struct Route {
  std::string path;
  std::string body;  // "$BASE" stands for the server's own address
  int status = 200;
  std::string headers = "";
  bool announced = true;           // with a Content-Length header
  size_t cut = std::string::npos;  // the response ends after this many bytes
  bool stall = false;              // then nothing more until the client gives up
};

using Events = std::vector<std::string>;
const Events kPageFailed = {"BeforeGetInfo", "DownloadError", "AfterGetInfo", "DownloadError"};
const Events kNoTags = {"BeforeGetInfo", "AfterGetInfo", "DownloadError"};
const Events kNoUpdate = {"BeforeGetInfo", "AfterGetInfo", "NoUpdateFound"};
const Events kFound = {"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 1.5.2.55 1.6.0.0",
                       "GetClientFileName", "BeforeDownload"};

Events Then(Events events, const std::string& last) {
  events.push_back(last);
  return events;
}

TEST(WebUpdateCheck, OutcomesOfWholeChecks) {
  const std::string update = UpdateBytes();
  const Route info{"/info.html", NewerPage()};
  const Route file{"/files/update.bin", update};
  const Events downloaded = Then(kFound, "AfterDownload");
  const Events downloadFailed = Then(kFound, "DownloadError");
  const struct {
    const char* name;
    std::vector<Route> routes;
    bool result;
    Events events;
    const char* savedAs;  // the one file in the temporary folder afterwards, if any
  } cases[] = {
      {"a newer version is downloaded", {info, file}, true, downloaded, "VeloraUpdate.bin"},
      {"the same version", {{"/info.html", PageWith("1.5.2.55", "")}}, false, kNoUpdate, nullptr},
      {"an older version", {{"/info.html", PageWith("1.5.2.9", "")}}, false, kNoUpdate, nullptr},
      {"no product tag",
       {{"/info.html", InfoPage({Meta("TarnoVersion", "1.6.0.0")})}},
       false,
       kNoTags,
       nullptr},
      {"no version tag",
       {{"/info.html", InfoPage({Meta("TarnoProduct", "Velora")})}},
       false,
       kNoTags,
       nullptr},
      {"a version tag in single quotes",
       {{"/info.html", InfoPage({Meta("TarnoProduct", "Velora"),
                                 "<META NAME='TarnoVersion' CONTENT='1.6.0.0'>"})}},
       false,
       kNoTags,
       nullptr},
      {"a redirection tag: the second page decides",
       {{"/info.html", InfoPage({Meta("TarnoProduct", "Old"), Meta("TarnoVersion", "1.0"),
                                 Meta("TarnoRedirection", "$BASE/second.html")})},
        {"/second.html", NewerPage()},
        file},
       true,
       downloaded,
       "VeloraUpdate.bin"},
      {"a page that redirects to itself",
       {{"/info.html", PageWith("1.6.0.0", Meta("TarnoRedirection", "$BASE/info.html"))}},
       false,
       kPageFailed,
       nullptr},
      {"two pages that redirect to each other",
       {{"/info.html", InfoPage({Meta("TarnoRedirection", "$BASE/b.html")})},
        {"/b.html", InfoPage({Meta("TarnoRedirection", "$BASE/info.html")})}},
       false,
       kPageFailed,
       nullptr},
      {"an HTTP redirection to another page",
       {{"/info.html", "moved", 302, "Location: /moved.html\r\n"},
        {"/moved.html", NewerPage()},
        file},
       true,
       downloaded,
       "VeloraUpdate.bin"},
      {"an HTTP redirection loop",
       {{"/info.html", "", 302, "Location: $BASE/info.html\r\n"}},
       false,
       kPageFailed,
       nullptr},
      {"the page is missing (404)", {}, false, kPageFailed, nullptr},
      {"the server fails (500)", {{"/info.html", NewerPage(), 500}}, false, kPageFailed, nullptr},
      {"an empty page", {{"/info.html", ""}}, false, kPageFailed, nullptr},
      {"the page's connection drops early",
       {{"/info.html", NewerPage(), 200, "", true, 150}},
       false,
       kPageFailed,
       nullptr},
      {"the server never answers",
       {{"/info.html", "", 200, "", true, 0, true}},
       false,
       kPageFailed,
       nullptr},
      {"the update is missing (404)", {info}, false, downloadFailed, nullptr},
      {"the update's server fails (500)",
       {info, {"/files/update.bin", "error page", 500}},
       false,
       downloadFailed,
       nullptr},
      {"the update's size is not announced",
       {info, {"/files/update.bin", update, 200, "", false}},
       false,
       downloadFailed,
       nullptr},
      {"the update arrives short",
       {info, {"/files/update.bin", update, 200, "", true, 1000}},
       false,
       downloadFailed,
       nullptr},
      {"the update stalls halfway",
       {info, {"/files/update.bin", update, 200, "", true, 2000, true}},
       false,
       downloadFailed,
       nullptr},
      {"the page names no client file",
       {{"/info.html", PageWith("1.6.0.0", Meta("TarnoClientSideName", ""))}, file},
       false,
       {"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 1.5.2.55 1.6.0.0", "GetClientFileName",
        "DownloadError"},
       nullptr},
      {"a client file name with a folder part keeps only its name",
       {{"/info.html", PageWith("1.6.0.0", Meta("TarnoClientSideName", "../../x/Evil.bin"))}, file},
       true,
       downloaded,
       "Evil.bin"},
      {"a download address that is not http",
       {{"/info.html", PageWith("1.6.0.0", Meta("TarnoDownload", "file:///etc/passwd"))}},
       false,
       downloadFailed,
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    for (const Route& route : c.routes) {
      const std::string response = HttpResponse(route.status, h.WithBase(route.body),
                                                h.WithBase(route.headers), route.announced)
                                       .substr(0, route.cut);
      const bool stall = route.stall;
      h.server.Handle(route.path, [response, stall](const HttpRequest&, HttpConnection& conn) {
        conn.Send(response);
        if (stall) conn.Stall();
      });
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(h.update.CheckForUpdate(), c.result);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(h.events, c.events);
    EXPECT_FALSE(h.update.Checking());
    if (c.savedAs) {
      EXPECT_EQ(h.TempFiles(), std::vector<std::string>{c.savedAs});
      EXPECT_EQ(h.update.ClientFile(), h.TempPath(c.savedAs));
      EXPECT_EQ(ReadFile(h.TempPath(c.savedAs)), update);
    } else {
      EXPECT_EQ(h.TempFiles(), std::vector<std::string>{});
    }
  }
}

TEST(WebUpdateCheck, TheRequestIsAPlainUncachedHttp10Get) {
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, PageWith("1.0", "")));
  EXPECT_FALSE(h.update.CheckForUpdate());
  const std::vector<HttpRequest> requests = h.server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const HttpRequest& r = requests[0];
  EXPECT_EQ(r.method, "GET");
  EXPECT_EQ(r.target, "/info.html");
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.Header("Accept"), "*/*");
  EXPECT_EQ(r.Header("User-Agent"), "TWebUpdate");
  EXPECT_EQ(r.Header("Pragma"), "no-cache");
  EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + std::to_string(h.server.Port()));
  EXPECT_EQ(r.Header("Referer"), "");
}

TEST(WebUpdateCheck, ProgressIsReportedAfterEveryChunk) {
  Harness h;
  const std::string update = UpdateBytes();
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, update));
  int processed = 0;
  h.update.ProcessMessages = [&] { ++processed; };
  EXPECT_TRUE(h.update.CheckForUpdate());
  // The page's chunks come first, announced by size too; then the update's.
  ASSERT_FALSE(h.progress.empty());
  EXPECT_EQ(static_cast<size_t>(processed), h.progress.size());
  int64_t previous = 0;
  for (const auto& [total, downloaded] : h.progress) {
    if (downloaded < previous) previous = 0;  // the next transfer began
    EXPECT_GT(downloaded, previous);
    EXPECT_LE(downloaded - previous, 1025);
    EXPECT_LE(downloaded, total);
    previous = downloaded;
  }
  EXPECT_EQ(h.progress.back(), (std::pair<int64_t, int64_t>(update.size(), update.size())));
  EXPECT_EQ(h.update.ContentLength(), static_cast<int64_t>(update.size()));
  EXPECT_EQ(h.update.BytesRead(), static_cast<int64_t>(update.size()));
}

TEST(WebUpdateCheck, ASecondDownloadGoesToTheUpdatesFolder) {
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, "second"));
  h.dir.Write("tmp/VeloraUpdate.bin", std::string("first"));
  // What the program does when the file is in the temporary folder already.
  const std::string updates = h.dir.Path("app/Updates/");
  h.onExists = [&](std::string& fileName, bool&) {
    ForceFolder(updates);
    fileName = updates + NamePart(fileName);
  };
  EXPECT_TRUE(h.update.CheckForUpdate());
  EXPECT_EQ(h.update.ClientFile(), updates + "VeloraUpdate.bin");
  EXPECT_EQ(ReadFile(h.TempPath("VeloraUpdate.bin")), "first");
  EXPECT_EQ(ReadFile(updates + "VeloraUpdate.bin"), "second");
  EXPECT_EQ(h.events,
            Then(Then(Events{"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 1.5.2.55 1.6.0.0",
                             "GetClientFileName", "ClientFileExists"},
                      "BeforeDownload"),
                 "AfterDownload"));
  // A third download replaces the file in the Updates folder.
  h.server.Serve("/files/update.bin", HttpResponse(200, "third"));
  EXPECT_TRUE(h.update.CheckForUpdate());
  EXPECT_EQ(ReadFile(updates + "VeloraUpdate.bin"), "third");
}

TEST(WebUpdateCheck, AnExistingFileIsKeptWithoutOverwrite) {
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, "new"));
  h.update.Options = {};
  h.dir.Write("tmp/VeloraUpdate.bin", std::string("old"));
  EXPECT_FALSE(h.update.CheckForUpdate());
  EXPECT_EQ(h.events.back(), "DownloadError");
  EXPECT_EQ(ReadFile(h.TempPath("VeloraUpdate.bin")), "old");
  EXPECT_EQ(h.server.Requests().size(), 1u);  // the update was never asked for
  // A failed transfer with overwriting allowed leaves the earlier file as it was, too.
  h.update.Options = {uoOverwrite};
  h.server.Serve("/files/update.bin", HttpResponse(200, UpdateBytes()).substr(0, 500));
  EXPECT_FALSE(h.update.CheckForUpdate());
  EXPECT_EQ(ReadFile(h.TempPath("VeloraUpdate.bin")), "old");
  EXPECT_EQ(h.TempFiles(), std::vector<std::string>{"VeloraUpdate.bin"});
}

TEST(WebUpdateCheck, AnUnwritableTargetEndsTheCheckWithoutAnEvent) {
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, UpdateBytes()));
  std::vector<std::string> targets = {h.dir.Path("no such folder/VeloraUpdate.bin"),
                                      h.dir.Write("a file", std::string()) + "/VeloraUpdate.bin"};
  if (geteuid() != 0) {  // permissions do not hold back the superuser
    std::filesystem::create_directory(h.dir.Path("read-only"));
    std::filesystem::permissions(h.dir.Path("read-only"), std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::owner_exec);
    targets.push_back(h.dir.Path("read-only/VeloraUpdate.bin"));
  }
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    h.events.clear();
    h.clientFile = target;
    EXPECT_FALSE(h.update.CheckForUpdate());
    EXPECT_FALSE(h.update.Succeeded());
    EXPECT_EQ(h.events, kFound);
    EXPECT_FALSE(std::filesystem::exists(target));
  }
}

TEST(WebUpdateCheck, ASecondCheckIsRefusedAndAnAbortStopsTheTransfer) {
  Harness h;
  const std::string update = std::string(20000, 'x');
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, update));
  int chunks = 0;
  h.update.ProcessMessages = [&] {
    if (h.events.back() != "BeforeDownload") return;
    // Events run here, in the middle of the transfer, as a window's would.
    EXPECT_TRUE(h.update.Checking());
    EXPECT_FALSE(h.update.CheckForUpdate());
    if (++chunks == 2) h.update.Abort();
  };
  EXPECT_FALSE(h.update.CheckForUpdate());
  EXPECT_EQ(chunks, 2);
  EXPECT_TRUE(h.update.Aborted());
  EXPECT_FALSE(h.update.Checking());
  EXPECT_EQ(h.events, kFound);  // no error event for an abort
  EXPECT_EQ(h.TempFiles(), std::vector<std::string>{});
  EXPECT_EQ(h.server.Requests().size(), 2u);
}

TEST(WebUpdateCheck, RunningTheUpdateAndEndingTheProgram) {
  for (const bool opens : {true, false}) {
    SCOPED_TRACE(opens ? "the desktop opens the file" : "the desktop cannot open the file");
    Harness h;
    h.server.Serve(
        "/info.html",
        HttpResponse(200, h.WithBase(PageWith("1.6.0.0", Meta("TarnoRunParameters", "--quiet")))));
    h.server.Serve("/files/update.bin", HttpResponse(200, "update"));
    h.update.Options = {uoRunUpdate, uoTerminate};
    std::vector<std::string> calls;
    h.update.OpenClientFile = [&](const std::string& file, const std::string& parameters) {
      calls.push_back("open " + NamePart(file) + " " + parameters);
      return opens;
    };
    h.update.TerminateApplication = [&] { calls.push_back("terminate"); };
    EXPECT_TRUE(h.update.CheckForUpdate());
    EXPECT_EQ(calls, (std::vector<std::string>{"open VeloraUpdate.bin --quiet", "terminate"}));
    EXPECT_EQ(h.events.back(), opens ? "AfterDownload" : "CannotExecute");
  }
  // The program's options neither run the update nor end anything.
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.server.Serve("/files/update.bin", HttpResponse(200, "update"));
  bool called = false;
  h.update.OpenClientFile = [&](const std::string&, const std::string&) { return called = true; };
  h.update.TerminateApplication = [&] { called = true; };
  EXPECT_TRUE(h.update.CheckForUpdate());
  EXPECT_FALSE(called);
}

TEST(WebUpdateCheck, TheHandlerCanDeclineTheDownload) {
  Harness h;
  h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage())));
  h.allowUpdate = false;
  EXPECT_FALSE(h.update.CheckForUpdate());
  EXPECT_EQ(h.events,
            (Events{"BeforeGetInfo", "AfterGetInfo", "UpdateAvailable 1.5.2.55 1.6.0.0"}));
  EXPECT_EQ(h.server.Requests().size(), 1u);
}

TEST(WebUpdateCheck, BodiesLargerThanTheLimitFail) {
  const struct {
    const char* name;
    bool page;  // the page is too large, else the update
    bool announced;
  } cases[] = {
      {"an announced page", true, true},
      {"a page without its size", true, false},
      {"an announced update", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    const std::string big(5000, 'x');
    h.server.Serve("/info.html", HttpResponse(200, h.WithBase(NewerPage()) + (c.page ? big : ""),
                                              "", c.announced));
    h.server.Serve("/files/update.bin", HttpResponse(200, big));
    h.update.MaxTransferBytes = 4000;
    EXPECT_FALSE(h.update.CheckForUpdate());
    EXPECT_EQ(h.events, c.page ? kPageFailed : Then(kFound, "DownloadError"));
    EXPECT_EQ(h.TempFiles(), std::vector<std::string>{});
  }
}

TEST(WebUpdateCheck, ARedirectionChainIsFollowedForTenPagesAtMost) {
  for (const int redirections : {10, 11}) {
    SCOPED_TRACE(redirections);
    Harness h;
    h.update.ProductInfo.SetURL(h.server.Url("/page0.html"));
    for (int i = 0; i < redirections; ++i) {
      h.server.Serve(
          "/page" + std::to_string(i) + ".html",
          HttpResponse(200,
                       InfoPage({Meta("TarnoRedirection",
                                      h.server.Url("/page" + std::to_string(i + 1) + ".html"))})));
    }
    h.server.Serve("/page" + std::to_string(redirections) + ".html",
                   HttpResponse(200, PageWith("1.0", "")));
    EXPECT_FALSE(h.update.CheckForUpdate());
    EXPECT_EQ(h.events.back(), redirections <= 10 ? "NoUpdateFound" : "DownloadError");
    EXPECT_EQ(h.server.Requests().size(), 11u);
  }
}

}  // namespace
}  // namespace velora
