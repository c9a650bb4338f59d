// Times the server check, natively and under Wine. A measurement, not a
// test: it prints figures and refuses only to time a check that did not end
// as the setting says it must.
//
//   mail_check_benchmark [repetitions]            (default 30)
//   mail_check_benchmark --system [repetitions]   inside a private network
//   mail_check_benchmark --tls [repetitions]      inside the end-to-end network
//
// Always, through a resolver of the benchmark's that names 127.0.0.1 at once:
//   - servers on loopback that answer at once: what the check adds to the
//     click (min/median/max over the repetitions);
//   - servers that accept and stay silent: when the decision comes (limit 8 s).
// With --system, through the system's resolver, in a network namespace whose
// hosts file names mail.telvora-bench.test 127.0.0.1 and whose resolv.conf
// names a server that is not there (scripts/bench.sh sets it up):
//   - servers on 110 and 587 that answer at once: the same figures;
//   - a domain the hosts file does not know, with no name server: how soon
//     the check gives up (outcome "no answer").
// With --tls, in the network of the end-to-end tests (tests/e2e/run_e2e.sh,
// whose bundle trusts the test root), alternating: mail.iyi.test, where all
// four routes answer and are trusted, and mail.duz.test, the same servers
// in clear without TLS listeners: what the encrypted routes add.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mail_responder.h"
#include "mailcheck/mail_check.h"
#include "net/net.h"

namespace {

using mailcheck::Outcome;
using telvora_test::ScriptedServer;
using telvora_test::ServerScript;
using Ms = std::chrono::duration<double, std::milli>;

ServerScript pop3() {
  return {ServerScript::Mode::normal,
          "+OK ready\r\n",
          {{"CAPA", "+OK\r\nTOP\r\nSTLS\r\nUSER\r\n.\r\n"}, {"QUIT", "+OK bye\r\n"}}};
}

ServerScript smtp() {
  return {ServerScript::Mode::normal,
          "220 mail.telvora-bench.test ESMTP\r\n",
          {{"EHLO", "250-mail.telvora-bench.test\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n"},
           {"STARTTLS", "454 TLS not available\r\n"},
           {"QUIT", "221 bye\r\n"}}};
}

struct Timed {
  double ms;
  Outcome outcome;
};

template <class Check>
Timed time_check(Check check) {
  const auto start = net::Clock::now();
  const mailcheck::CheckReport report = check();
  return {Ms(net::Clock::now() - start).count(), report.outcome};
}

const char* outcome_name(Outcome outcome) {
  switch (outcome) {
    case Outcome::answered: return "both answered";
    case Outcome::unknown: return "no answer from DNS";
    case Outcome::not_answered: return "did not answer";
    case Outcome::no_domain: return "no such domain";
    case Outcome::no_mail_server: return "no mail server";
  }
  return "?";
}

// Runs the check repeatedly; prints min/median/max, or fails when an outcome differs.
template <class Check>
bool series(const char* what, int repetitions, Outcome expected, Check check) {
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) {
    const Timed timed = time_check(check);
    if (timed.outcome != expected) {
      std::printf("%-58s refused: the check gave \"%s\", not \"%s\"\n", what, outcome_name(timed.outcome),
                  outcome_name(expected));
      return false;
    }
    times.push_back(timed.ms);
  }
  std::sort(times.begin(), times.end());
  std::printf("%-58s median %7.1f ms (min %.1f, max %.1f, %d runs)\n", what, times[times.size() / 2], times.front(),
              times.back(), repetitions);
  return true;
}

template <class Check>
bool once(const char* what, Outcome expected, Check check) {
  const Timed timed = time_check(check);
  if (timed.outcome != expected) {
    std::printf("%-58s refused: the check gave \"%s\", not \"%s\"\n", what, outcome_name(timed.outcome),
                outcome_name(expected));
    return false;
  }
  std::printf("%-58s %7.1f ms (%s)\n", what, timed.ms, outcome_name(timed.outcome));
  return true;
}

bool all_trusted(const mailcheck::CheckReport& report) {
  return report.pop3_tls.trusted() && report.smtp_tls.trusted() && report.smtp_upgrade.trusted();
}

// The two checks by turns, so that both see the same machine; the medians and their difference.
bool tls_series(int repetitions) {
  std::vector<double> encrypted;
  std::vector<double> plain;
  double first = 0;  // the process's first check, which loads the system's trusted roots
  for (int i = 0; i < repetitions; ++i) {
    auto start = net::Clock::now();
    const mailcheck::CheckReport tls = mailcheck::check_mail_server("ali@iyi.test");
    encrypted.push_back(Ms(net::Clock::now() - start).count());
    if (i == 0) first = encrypted.back();
    start = net::Clock::now();
    const mailcheck::CheckReport clear = mailcheck::check_mail_server("ali@duz.test");
    plain.push_back(Ms(net::Clock::now() - start).count());
    if (tls.outcome != Outcome::answered || !all_trusted(tls) || clear.outcome != Outcome::answered) {
      std::printf("refused: mail.iyi.test %s (%s), mail.duz.test %s\n", outcome_name(tls.outcome),
                  all_trusted(tls) ? "all trusted" : "not all trusted", outcome_name(clear.outcome));
      return false;
    }
  }
  std::sort(encrypted.begin(), encrypted.end());
  std::sort(plain.begin(), plain.end());
  const double with = encrypted[encrypted.size() / 2];
  const double without = plain[plain.size() / 2];
  std::printf("%-58s median %7.1f ms (min %.1f, max %.1f, %d runs)\n",
              "four routes, all trusted (mail.iyi.test):", with, encrypted.front(), encrypted.back(), repetitions);
  std::printf("%-58s median %7.1f ms (min %.1f, max %.1f, %d runs)\n", "the same in clear, no TLS listeners:", without,
              plain.front(), plain.back(), repetitions);
  std::printf("%-58s %+7.1f ms (ratio %.2f)\n", "what TLS adds (medians):", with - without, with / without);
  std::printf("%-58s %7.1f ms\n", "the first check of the process (four routes):", first);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool system = false;
  bool tls = false;
  int repetitions = 30;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--system") == 0) {
      system = true;
    } else if (std::strcmp(argv[i], "--tls") == 0) {
      tls = true;
    } else {
      repetitions = std::max(1, std::atoi(argv[i]));
    }
  }
  if (tls) return tls_series(repetitions) ? 0 : 1;
  bool ok = true;
  if (!system) {
    ScriptedServer pop3_server(pop3());
    ScriptedServer smtp_server(smtp());
    ServerScript silent{ServerScript::Mode::silent, {}, {}};
    ScriptedServer silent_pop3(silent);
    ScriptedServer silent_smtp(silent);
    if (!pop3_server.valid() || !smtp_server.valid() || !silent_pop3.valid() || !silent_smtp.valid()) {
      std::puts("no loopback listener");
      return 1;
    }
    // Nothing listens for TLS: a port the system just handed out and took back.
    const std::uint16_t no_tls = net::Listener::listen(net::Address::v4(127, 0, 0, 1), 0).port();
    auto resolver = std::make_shared<telvora_test::TableResolver>(std::map<std::string, net::Lookup>{
        {"mail.telvora-bench.test", {net::LookupStatus::found, {net::Address::v4(127, 0, 0, 1)}}},
        {"telvora-bench.test", {net::LookupStatus::found, {}}}});
    ok &= series("loopback servers answering at once (own resolver):", repetitions, Outcome::answered, [&] {
      return mailcheck::check_mail_server("ali@telvora-bench.test", resolver, mailcheck::kCheckLimit,
                                          {pop3_server.port(), smtp_server.port(), no_tls, no_tls});
    });
    ok &= once("loopback servers that stay silent, limit 8 s:", Outcome::not_answered, [&] {
      return mailcheck::check_mail_server("ali@telvora-bench.test", resolver, mailcheck::kCheckLimit,
                                          {silent_pop3.port(), silent_smtp.port(), no_tls, no_tls});
    });
  } else {
    const auto loopback = net::Address::v4(127, 0, 0, 1);
    ScriptedServer pop3_server(pop3(), loopback, 110);
    ScriptedServer smtp_server(smtp(), loopback, 587);
    if (!pop3_server.valid() || !smtp_server.valid()) {
      std::puts("ports 110 and 587 cannot be had: run it as root in a private network (scripts/bench.sh)");
      return 1;
    }
    ok &= series("system resolver, hosts file, servers on 110 and 587:", repetitions, Outcome::answered,
                 [] { return mailcheck::check_mail_server("ali@telvora-bench.test"); });
    ok &= series("system resolver, no name server:", repetitions, Outcome::unknown,
                 [] { return mailcheck::check_mail_server("ali@nodns.telvora-bench.test"); });
  }
  return ok ? 0 : 1;
}
