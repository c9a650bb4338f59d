// Every text the setup shows in a message box, and the one place that shows
// them, so that captions and icons cannot drift apart.
#pragma once

#include <string>

#include "platform/ui.h"

namespace setup {

inline constexpr const char* kCaption = "Telvora";

namespace text {
inline constexpr const char* kNameMissing = "Adınızı - Soyadınızı Belirtmediniz.";
inline constexpr const char* kEmailMissing = "E-Posta adresinizi Belirtmediniz.";
inline constexpr const char* kEmailInvalid = "Geçersiz E-Posta adresi belirttiniz.";
inline constexpr const char* kCloseOutlook =
    "Kuruluma başlamadan önce Microsoft Outlook uygulamasının kapalı olduğuna emin olunuz.";
inline constexpr const char* kCloseExpress =
    "Kuruluma başlamadan önce Outlook Express uygulamasının kapalı olduğuna emin olunuz.";
inline constexpr const char* kOutlookNotFound = "Microsoft Outlook uygulaması bulunamadı.";
inline constexpr const char* kExpressNotSaved = "Hesap ayarları kaydedilemedi.";
}  // namespace text

inline void show_error(platform::Ui& ui, const std::string& message) {
  ui.message_box(message, platform::mb::error, kCaption);
}

inline void show_information(platform::Ui& ui, const std::string& message) {
  ui.message_box(message, platform::mb::information, kCaption);
}

}  // namespace setup
