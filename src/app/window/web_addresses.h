#pragma once
// The product's web addresses. Each is a build setting, empty until a real page exists;
// whatever would open an empty address (the "www" label, a button, a menu entry) is hidden,
// so the window never offers a page that is not there.
#include <string>

namespace velora::app {

struct TWebAddresses {
  std::string ProductPage;   // the "www" label and "Program web page"
  std::string OnlineManual;  // F1 and "Online manual"; empty: the guide installed with us
  std::string VendorSite;    // "Similar software" and the log's welcome text
  std::string SupportForum;  // "Online support"
};

// The addresses this build was configured with.
TWebAddresses BuiltWebAddresses();

}  // namespace velora::app
