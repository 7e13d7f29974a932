#include "event/navigation_page.h"

namespace {

constexpr const char* kGreen = "color:#68BF39;";
constexpr const char* kGrey = "color:#95A5AD;";

}  // namespace

NavigationLook navigationLook(NavigationPage page) {
  if (page == NavigationPage::Group) {
    return {"ic_device_mid.png", kGrey, kGrey, "ic_quad_screen_color.png", kGreen, kGreen,
            false, 96, 14};
  }
  return {"ic_device_color.png", kGrey, kGreen, "ic_quad_screen_mid.png", kGrey, kGrey,
          true, 58, 12};
}

const char* navigationRefusal(NavigationPage page, bool deviceListLoaded) {
  if (deviceListLoaded) return nullptr;
  return page == NavigationPage::Group ? "quadButton_Handler not response"
                                       : "cameraButton_Handler not response";
}
