#pragma once
// The version and the maker's address as the tip, the About box and the website show them.
#include <string>

#include "app_info.h"

inline std::string VersionText() {
  return std::to_string(app::kVersionMajor) + "." + std::to_string(app::kVersionMinor) + "." +
         std::to_string(app::kVersionRevision);
}

// The address without a final "/", however the build spelled it.
inline std::string WebsiteAddress() {
  std::string address(app::kWebsite);
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address;
}
