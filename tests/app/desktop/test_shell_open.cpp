// Opening documents, folders and web addresses: what URL the desktop is handed.
#include <gtest/gtest.h>

#include <QDir>

#include "desktop/shell_open.h"
#include "desktop_fakes.h"
#include "util/TarnoTPU.h"
#include "window/web_addresses.h"

namespace velora::app {
namespace {

using testing::OpenedUrls;

TEST(TargetUrl, WebAddressesStayAsTheyAreAndPathsBecomeFileUrls) {
  const struct {
    std::string target;
    QString url;
  } cases[] = {
      {"https://www.velora.example/image-resizer/", "https://www.velora.example/image-resizer/"},
      {"http://forum.velora.example/?q=a%20b", "http://forum.velora.example/?q=a%20b"},
      {"mailto:help@velora.example", "mailto:help@velora.example"},
      {"/home/ann/Photos/Output/", "file:///home/ann/Photos/Output/"},
      {"/home/ann/Fotos 2024/#1 %20.jpg", "file:///home/ann/Fotos%202024/%231%20%2520.jpg"},
      {"/home/ann/Größe/", "file:///home/ann/Gr%C3%B6%C3%9Fe/"},
      {"/tmp/http:/x", "file:///tmp/http:/x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TargetUrl(c.target).toString(QUrl::FullyEncoded), c.url) << c.target;
  }
  EXPECT_EQ(TargetUrl("notes.txt"), QUrl::fromLocalFile(QDir::current().filePath("notes.txt")));
  EXPECT_TRUE(TargetUrl("").isEmpty());
}

TEST(ShellOpen, TheEnginesShellOpenReachesTheDesktopOpener) {
  OpenedUrls opened;
  InstallShellOpen();
  ShellOpen("/home/ann/Photos/Output/");
  ShellOpen("https://www.velora.example/image-resizer/manual/");
  ShellOpen("");  // nothing to open
  SetShellOpenHook(nullptr);
  ASSERT_EQ(opened.urls.size(), 2u);
  EXPECT_EQ(opened.urls[0], QUrl::fromLocalFile("/home/ann/Photos/Output/"));
  EXPECT_EQ(opened.urls[1], QUrl("https://www.velora.example/image-resizer/manual/"));
}

TEST(ShellOpen, OpenTargetReportsWhetherTheDesktopAccepted) {
  OpenedUrls opened(false);
  EXPECT_FALSE(OpenTarget("https://www.velora.example/"));
  opened.SetAccept(true);
  EXPECT_TRUE(OpenTarget("https://www.velora.example/"));
  EXPECT_FALSE(OpenTarget(""));
  EXPECT_EQ(opened.urls.size(), 2u);
}

TEST(WebAddresses, TheBuiltAddressesAreWebAddressesOrEmpty) {
  const TWebAddresses links = BuiltWebAddresses();
  for (const std::string& address :
       {links.ProductPage, links.OnlineManual, links.VendorSite, links.SupportForum}) {
    if (address.empty()) continue;  // no page yet: whatever opens it is hidden
    const QUrl url(QString::fromStdString(address));
    EXPECT_TRUE(url.isValid()) << address;
    EXPECT_TRUE(url.scheme() == "https" || url.scheme() == "http") << address;
  }
  // The vendor's site is its home page, not the product's page.
  if (!links.VendorSite.empty()) {
    EXPECT_NE(links.VendorSite, links.ProductPage);
  }
}

}  // namespace
}  // namespace velora::app
