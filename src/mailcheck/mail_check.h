// The check of the mail server that an address names, made before anything is
// written: is there such a domain, does mail.<domain> exist, and do POP3 and
// SMTP answer there as mail servers, in clear (110, 587) and encrypted (995
// and 465 with TLS from the first byte, 587 after STARTTLS), and with which
// certificate. Nothing of a window, of the sockets or of TLS crosses this
// interface, and no user name, password, AUTH or APOP is ever sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace net {
class Resolver;
}

namespace mailcheck {

// What the check found, in the order the decision is taken.
enum class Outcome {
  answered,        // mail.<domain> answered as POP3 and as SMTP server, each on one of its routes at least
  unknown,         // no answer from the name service at all: nothing can be said
  not_answered,    // mail.<domain> has addresses, but POP3 or SMTP did not answer on any route
  no_domain,       // the domain does not exist, or is no valid host name
  no_mail_server,  // the domain exists, mail.<domain> does not
};

// One service in clear (POP3 on 110, SMTP on 587) as it answered (or not).
struct ServiceReport {
  bool answered = false;  // greeted and answered its capability question as a mail server
  bool tls = false;       // offers STLS (POP3) or STARTTLS (SMTP)
  // SMTP: the AUTH mechanisms of its EHLO answer (of the one after STARTTLS
  // when the upgrade went through): well-formed names only, a few at most.
  std::vector<std::string> auth_mechanisms;
};

// What an encrypted route's certificate was found to be.
enum class Certificate {
  none,         // no certificate came
  trusted,      // accepted as Windows accepts it, for mail.<domain>
  other_name,   // issued for another name
  expired,      // out of its time of validity
  not_trusted,  // anything else (an unknown root, a partial chain, ...)
};

// One encrypted route: POP3 on 995, SMTP on 465, SMTP on 587 after STARTTLS.
struct RouteReport {
  bool answered = false;  // the handshake completed and the service answered over it as a mail server
  Certificate certificate = Certificate::none;
  std::string certificate_name;  // other_name: the certificate's first DNS name (host-name characters only)
  // The route that the account may be set up on.
  bool trusted() const { return answered && certificate == Certificate::trusted; }
};

struct CheckReport {
  Outcome outcome = Outcome::unknown;
  ServiceReport pop3;        // port 110, in clear
  ServiceReport smtp;        // port 587, in clear
  RouteReport pop3_tls;      // port 995, TLS from the first byte
  RouteReport smtp_tls;      // port 465, TLS from the first byte
  RouteReport smtp_upgrade;  // port 587 after STARTTLS
  // A side answered when any of its routes did.
  bool pop3_answered() const { return pop3.answered || pop3_tls.answered; }
  bool smtp_answered() const { return smtp.answered || smtp_tls.answered || smtp_upgrade.answered; }
};

// The hard limit from the start of the check to its decision.
inline constexpr std::chrono::milliseconds kCheckLimit{8000};

// Checks the server of the address (the domain is the text after its first
// "@") through the system's name resolver and real connections, and decides
// within the limit whatever the network does.
CheckReport check_mail_server(const std::string& email, std::chrono::milliseconds limit = kCheckLimit);

// The ports the services are asked on.
struct ServicePorts {
  std::uint16_t pop3 = 110;
  std::uint16_t smtp = 587;
  std::uint16_t pop3_tls = 995;
  std::uint16_t smtp_tls = 465;
};

// The same through a resolver of the caller's (tests hand in their own) and
// on other ports. A lookup still running when the decision is taken goes on
// on its own thread, which keeps the resolver alive until it returns.
CheckReport check_mail_server(const std::string& email, const std::shared_ptr<net::Resolver>& resolver,
                              std::chrono::milliseconds limit = kCheckLimit, ServicePorts ports = {});

}  // namespace mailcheck
