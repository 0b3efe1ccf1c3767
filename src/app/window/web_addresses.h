#pragma once
// The product's web addresses, in one place. They live on the reserved ".example"
// domain until the product has real ones.

namespace velora::app {

// The product's page; the update check reads it too.
inline constexpr const char* kProductPageUrl = "https://www.velora.example/image-resizer/";
// The product's online manual.
inline constexpr const char* kOnlineManualUrl = "https://www.velora.example/image-resizer/manual/";
// The vendor's home page, not the product's.
inline constexpr const char* kVendorSiteUrl = "https://www.velora.example/";
// The vendor's support forum.
inline constexpr const char* kSupportForumUrl = "https://forum.velora.example/";

}  // namespace velora::app
