// The user's regional settings that number texts depend on.
#pragma once

#include <string>

namespace platform {

// The decimal separator of the user's locale (GetLocaleInfoA on Windows; the
// native build is Turkish, like its code page, so ",").
std::string decimal_separator();

}  // namespace platform
