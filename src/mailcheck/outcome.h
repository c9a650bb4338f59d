// The outcome rules of the server check: a pure function of what the lookups
// and the probes had found when the decision was due.
#pragma once

#include <optional>

#include "mailcheck/mail_check.h"
#include "net/net.h"

namespace mailcheck {

struct Found {
  std::optional<net::LookupStatus> mail_host;  // of mail.<domain>; nothing: no answer by then
  std::optional<net::LookupStatus> domain;     // of <domain>; likewise
  bool pop3_answered = false;                  // on any of its routes
  bool smtp_answered = false;
};

Outcome decide(const Found& found);

}  // namespace mailcheck
