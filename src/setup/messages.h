// Every text the setup shows in a message box, and the one place that shows
// them, so that icons cannot drift apart.
#pragma once

#include <string>

#include "platform/ui.h"
#include "setup/report.h"

namespace setup {

namespace text {
inline constexpr const char* kNameMissing = "Adınızı - Soyadınızı Belirtmediniz.";
inline constexpr const char* kEmailMissing = "E-Posta adresinizi Belirtmediniz.";
inline constexpr const char* kEmailInvalid = "Geçersiz E-Posta adresi belirttiniz.";
inline constexpr const char* kNameUnusable = "Adınızda - Soyadınızda kullanılamayan karakterler var.";
inline constexpr const char* kEmailUnusable = "E-Posta adresinizde kullanılamayan karakterler var.";
inline constexpr const char* kCloseOutlook =
    "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz.";
inline constexpr const char* kCloseExpress =
    "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz.";
inline constexpr const char* kOutlookNotFound = "Microsoft Outlook uygulaması bulunamadı.";
inline constexpr const char* kTempFolderUnusable = "Geçici klasöre erişilemediği için hesap kurulamadı.";
inline constexpr const char* kExpressNotSaved = "Hesap ayarları kaydedilemedi.";
}  // namespace text

inline void show_error(SetupReport& report, const std::string& message) {
  report.show_message(message, platform::mb::error);
}

inline void show_information(SetupReport& report, const std::string& message) {
  report.show_message(message, platform::mb::information);
}

}  // namespace setup
