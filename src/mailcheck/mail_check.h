// The check of the mail server that an address names, made before anything is
// written: is there such a domain, does mail.<domain> exist, and do POP3 (110)
// and SMTP (587) answer there as mail servers. Nothing of a window or of the
// sockets crosses this interface, and no user name or password is ever sent.
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
  answered,        // mail.<domain> answered on both ports
  unknown,         // no answer from the name service at all: nothing can be said
  not_answered,    // mail.<domain> has addresses, but one or both services did not answer as a mail server
  no_domain,       // the domain does not exist, or is no valid host name
  no_mail_server,  // the domain exists, mail.<domain> does not
};

// One service as it answered (or not).
struct ServiceReport {
  bool answered = false;                     // greeted and answered its capability question as a mail server
  bool tls = false;                          // offers STLS (POP3) or STARTTLS (SMTP)
  std::vector<std::string> auth_mechanisms;  // SMTP: the AUTH mechanisms of its EHLO answer
};

struct CheckReport {
  Outcome outcome = Outcome::unknown;
  ServiceReport pop3;  // port 110
  ServiceReport smtp;  // port 587
};

// The hard limit from the start of the check to its decision.
inline constexpr std::chrono::milliseconds kCheckLimit{8000};

// Checks the server of the address (the domain is the text after its first
// "@") through the system's name resolver and real connections, and decides
// within the limit whatever the network does.
CheckReport check_mail_server(const std::string& email, std::chrono::milliseconds limit = kCheckLimit);

// The ports the two services are asked on.
struct ServicePorts {
  std::uint16_t pop3 = 110;
  std::uint16_t smtp = 587;
};

// The same through a resolver of the caller's (tests hand in their own) and
// on other ports. A lookup still running when the decision is taken goes on
// on its own thread, which keeps the resolver alive until it returns.
CheckReport check_mail_server(const std::string& email, const std::shared_ptr<net::Resolver>& resolver,
                              std::chrono::milliseconds limit = kCheckLimit, ServicePorts ports = {});

}  // namespace mailcheck
