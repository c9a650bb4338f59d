// Every text the setup shows in a message box, and the one place that shows
// them, so that icons cannot drift apart.
#pragma once

#include <string>

#include "account/account_data.h"
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

// Only the sides that answered on none of their routes, POP3 first.
inline std::string server_not_answering(const std::string& domain, const mailcheck::CheckReport& found) {
  std::string services;
  if (!found.pop3_answered()) services = "POP3 (110, 995)";
  if (!found.smtp_answered()) services += std::string(services.empty() ? "" : ", ") + "SMTP (587, 465)";
  if (services.empty()) services = "POP3 (110, 995), SMTP (587, 465)";  // a report that contradicts itself names both
  return "mail." + domain + " sunucusu şu bağlantılara yanıt vermedi: " + services + ".";
}

inline std::string server_unchecked(const std::string& domain) { return "mail." + domain + " denetlenemedi."; }

// Both services answered: what each offers beyond the plain dialogue. A side
// that answered only encrypted is named by that route's port.
inline std::string server_answered(const std::string& domain, const mailcheck::CheckReport& found) {
  std::string pop3 = found.pop3.answered ? "POP3 (110)" : "POP3 (995)";
  if (found.pop3.tls) pop3 += " STLS";
  std::string smtp = found.smtp.answered || !found.smtp_tls.answered ? "SMTP (587)" : "SMTP (465)";
  if (found.smtp.tls) smtp += " STARTTLS";
  if (!found.smtp.auth_mechanisms.empty()) {
    smtp += " AUTH";
    for (const std::string& mechanism : found.smtp.auth_mechanisms) smtp += " " + mechanism;
  }
  return "mail." + domain + ": " + pop3 + " ve " + smtp + " yanıt verdi.";
}

// Both sides answered, <sides> would be written without encryption: no
// certificate came on their encrypted routes, or the first that came was
// refused for <reason>.
inline std::string encryption_not_offered(const std::string& domain, const std::string& sides) {
  return "mail." + domain + " sunucusu " + sides +
         " için şifreli bağlantı sunmuyor. Şifreniz ağda açık olarak gönderilecek.";
}

inline std::string certificate_refused(const std::string& domain, const std::string& reason, const std::string& sides) {
  return "mail." + domain + " sunucusunun güvenlik sertifikası " + reason + ". " + sides +
         " şifresiz kurulacak; şifreniz ağda açık olarak gönderilecek.";
}

// /requiretls, and <sides> would be written without encryption.
inline std::string encryption_required(const std::string& domain, const std::string& sides) {
  return "mail." + domain + " sunucusuyla " + sides + " için şifreli bağlantı kurulamadığı için hesap kurulmadı.";
}

// The settings an unattended run tells for the account it wrote.
inline std::string incoming_settings(const account::AccountData& account) {
  return "POP3: " + account.incoming_server + ", port " + std::to_string(account::pop3_port(account.settings)) +
         (account.settings.pop3_ssl ? ", SSL" : ", şifresiz");
}

inline std::string outgoing_settings(const account::AccountData& account) {
  const char* security = account.settings.smtp == account::SmtpSecurity::implicit_tls ? ", SSL"
                         : account.settings.smtp == account::SmtpSecurity::starttls   ? ", STARTTLS"
                                                                                      : ", şifresiz";
  return "SMTP: " + account.outgoing_server + ", port " + std::to_string(account::smtp_port(account.settings)) +
         security;
}
}  // namespace text

inline void show_error(SetupReport& report, const std::string& message) {
  report.show_message(message, window::mb::error);
}

inline void show_information(SetupReport& report, const std::string& message) {
  report.show_message(message, window::mb::information);
}

}  // namespace setup
