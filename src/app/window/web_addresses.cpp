#include "window/web_addresses.h"

namespace velora::app {

TWebAddresses BuiltWebAddresses() {
  return {VELORA_PRODUCT_PAGE_URL, VELORA_MANUAL_URL, VELORA_VENDOR_URL, VELORA_SUPPORT_URL};
}

}  // namespace velora::app
