// Every text the setup shows in a message box, and the one place that shows
// them, so that icons cannot drift apart.
#pragma once

#include <string>

#include "mailcheck/mail_check.h"
#include "setup/report.h"
#include "window/ui.h"

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

// What the server check found; <domain> is the address's domain as typed.
inline constexpr const char* kSetUpAnyway = "Hesap yine de kurulsun mu?";

inline std::string no_such_domain(const std::string& domain) {
  return domain + " adında bir alan adı bulunamadı. E-Posta adresinizi doğru yazdığınızdan emin olunuz.";
}

inline std::string no_mail_server(const std::string& domain) {
  return "mail." + domain +
         " adında bir posta sunucusu bulunamadı. Posta sunucunuzun adını hizmet sağlayıcınıza sorunuz.";
}

// Only the services that failed, POP3 first.
inline std::string server_not_answering(const std::string& domain, const mailcheck::CheckReport& found) {
  std::string services;
  if (!found.pop3.answered) services = "POP3 (110)";
  if (!found.smtp.answered) services += std::string(services.empty() ? "" : ", ") + "SMTP (587)";
  if (services.empty()) services = "POP3 (110), SMTP (587)";  // a report that contradicts itself names both
  return "mail." + domain + " sunucusu şu bağlantılara yanıt vermedi: " + services + ".";
}

inline std::string server_unchecked(const std::string& domain) { return "mail." + domain + " denetlenemedi."; }

// Both services answered: what each offers beyond the plain dialogue.
inline std::string server_answered(const std::string& domain, const mailcheck::CheckReport& found) {
  std::string pop3 = "POP3 (110)";
  if (found.pop3.tls) pop3 += " STLS";
  std::string smtp = "SMTP (587)";
  if (found.smtp.tls) smtp += " STARTTLS";
  if (!found.smtp.auth_mechanisms.empty()) {
    smtp += " AUTH";
    for (const std::string& mechanism : found.smtp.auth_mechanisms) smtp += " " + mechanism;
  }
  return "mail." + domain + ": " + pop3 + " ve " + smtp + " yanıt verdi.";
}
}  // namespace text

inline void show_error(SetupReport& report, const std::string& message) {
  report.show_message(message, window::mb::error);
}

inline void show_information(SetupReport& report, const std::string& message) {
  report.show_message(message, window::mb::information);
}

}  // namespace setup
