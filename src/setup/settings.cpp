#include "setup/settings.h"

#include <optional>

#include "setup/messages.h"

namespace setup {

using account::SmtpSecurity;
using mailcheck::Certificate;
using mailcheck::RouteReport;

account::ConnectionSettings proven_settings(const mailcheck::CheckReport& found) {
  account::ConnectionSettings settings;
  settings.pop3_ssl = found.pop3_tls.trusted();
  if (found.smtp_tls.trusted()) {
    settings.smtp = SmtpSecurity::implicit_tls;
  } else if (found.smtp_upgrade.trusted()) {
    settings.smtp = SmtpSecurity::starttls;
  }
  return settings;
}

std::string plain_sides(const account::ConnectionSettings& settings) {
  const bool smtp_plain = settings.smtp == SmtpSecurity::none;
  if (!settings.pop3_ssl) return smtp_plain ? "POP3 ve SMTP" : "POP3";
  return smtp_plain ? "SMTP" : "";
}

namespace {

// Why a route's certificate was refused; nothing when none came, or when it
// was accepted (the service then failed over it, which says nothing of the
// certificate).
std::optional<std::string> refusal(const RouteReport& route) {
  switch (route.certificate) {
    case Certificate::none:
    case Certificate::trusted: return std::nullopt;
    case Certificate::other_name:
      return route.certificate_name.empty() ? "başka bir ada verilmiş"
                                            : "başka bir ada verilmiş (" + route.certificate_name + ")";
    case Certificate::expired: return "süresi dolmuş";
    case Certificate::not_trusted: break;
  }
  return "güvenilir değil";
}

}  // namespace

std::string encryption_finding(const std::string& domain, const mailcheck::CheckReport& found,
                               const account::ConnectionSettings& settings) {
  std::optional<std::string> reason;
  if (!settings.pop3_ssl) reason = refusal(found.pop3_tls);
  if (!reason && settings.smtp == SmtpSecurity::none) {
    reason = refusal(found.smtp_tls);
    if (!reason) reason = refusal(found.smtp_upgrade);
  }
  const std::string sides = plain_sides(settings);
  return reason ? text::certificate_refused(domain, *reason, sides) : text::encryption_not_offered(domain, sides);
}

}  // namespace setup
