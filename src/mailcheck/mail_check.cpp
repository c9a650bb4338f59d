// The server check: the domain's validity, two lookups and two probes in
// parallel, and the decision by the rules of the outcomes, taken within the
// limit whatever the network does. Lookups cannot be interrupted, so each
// runs on a thread of its own that the decision does not wait for; the
// probes end by the same deadline as the decision.
#include "mailcheck/mail_check.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "mailcheck/dialogue.h"
#include "net/net.h"

namespace mailcheck {

namespace {

using net::Clock;
using net::Deadline;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Labels of 1 to 63 letters, digits and inner hyphens, 253 bytes in all, and
// a last label that is not all digits (that would be an address).
bool valid_host_name(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  std::string_view label;
  for (std::size_t start = 0;;) {
    const std::size_t dot = name.find('.', start);
    label = name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    if (!std::all_of(label.begin(), label.end(), [](char c) { return is_letter(c) || is_digit(c) || c == '-'; })) {
      return false;
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return !std::all_of(label.begin(), label.end(), is_digit);
}

std::string address_literal(const net::Address& address) {
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "[" + text + "]".
  std::string literal(address.family == net::Address::Family::v4 ? "[" : "[IPv6:");
  literal.append(address.text());
  literal.push_back(']');
  return literal;
}

// Runs one dialogue over a connection until it finishes, the server breaks
// the rules or the deadline passes.
template <class Dialogue>
ServiceFindings converse(Dialogue& dialogue, net::Connection& connection, Deadline deadline) {
  ReplyReader reader;
  std::string line;
  char buffer[4096];
  for (;;) {
    switch (reader.next(line)) {
      case ReplyReader::Status::line: {
        const Step step = dialogue.on_line(line);
        if (step.kind == Step::Kind::send) {
          const bool sent = connection.send_all(step.command, deadline) == net::IoStatus::ok;
          if (dialogue.finished()) return dialogue.findings();  // the QUIT: the answer is in
          if (!sent) return {};
          reader.start_reply();
        }
        if (dialogue.finished()) return dialogue.findings();
        continue;
      }
      case ReplyReader::Status::too_long: return {};
      case ReplyReader::Status::need_more: break;
    }
    std::size_t received = 0;
    if (connection.receive(buffer, sizeof buffer, received, deadline) != net::IoStatus::ok) return {};
    reader.feed(std::string_view(buffer, received));
  }
}

enum class Service { pop3, smtp };

// Each address in turn, each with an equal share of the time left, until one
// answers as a mail server.
ServiceFindings probe(Service service, const std::vector<net::Address>& addresses, std::uint16_t port,
                      Deadline deadline) {
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const auto now = Clock::now();
    if (now >= deadline) break;
    const Deadline share = now + (deadline - now) / static_cast<long>(addresses.size() - i);
    net::Connection connection = net::Connection::connect(addresses[i], port, share);
    if (!connection.valid()) continue;
    ServiceFindings findings;
    if (service == Service::pop3) {
      Pop3Dialogue dialogue;
      findings = converse(dialogue, connection, share);
    } else {
      const auto local = connection.local_address();
      if (!local) continue;
      SmtpDialogue dialogue(address_literal(*local));
      findings = converse(dialogue, connection, share);
    }
    if (findings.answered) return findings;
  }
  return {};
}

// What the threads found; guarded by the mutex.
struct Findings {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<net::Lookup> mail;
  std::optional<net::Lookup> domain;
  std::optional<ServiceFindings> pop3;
  std::optional<ServiceFindings> smtp;

  bool decidable() const {
    if (!mail) return false;
    if (mail->status == net::LookupStatus::found) return pop3 && smtp;
    return domain.has_value();
  }

  template <class Member, class Value>
  void store(Member member, Value value) {
    {
      const std::lock_guard lock(mutex);
      this->*member = std::move(value);
    }
    changed.notify_all();
  }
};

// Starts work on a thread that the check does not wait for. When no thread
// can be had, or the work fails, its place is filled with what no answer gives.
template <class Work, class Fallback>
void start(Work work, Fallback fallback) {
  try {
    std::thread([work = std::move(work), fallback]() noexcept {
      try {
        work();
      } catch (...) {
        fallback();
      }
    }).detach();
  } catch (const std::system_error&) {
    fallback();
  }
}

ServiceReport to_report(const std::optional<ServiceFindings>& findings) {
  if (!findings) return {};
  return {findings->answered, findings->tls, findings->auth_mechanisms};
}

}  // namespace

CheckReport check_mail_server(const std::string& email, const std::shared_ptr<net::Resolver>& resolver,
                              std::chrono::milliseconds limit, ServicePorts ports) {
  // The decision is due a little before the limit, so that it is taken by
  // then even when the system wakes this thread late.
  const auto margin = std::min(limit / 20, std::chrono::milliseconds(50));
  const Deadline deadline = Clock::now() + limit - margin;

  const std::size_t at = email.find('@');
  const std::string domain = at == std::string::npos ? std::string() : email.substr(at + 1);
  const auto ascii = net::host_to_ascii(domain);
  if (!ascii || !valid_host_name(*ascii) || !valid_host_name("mail." + *ascii)) {
    CheckReport report;
    report.outcome = Outcome::no_domain;
    return report;
  }
  const std::string mail_host = "mail." + *ascii;

  // Threads cost time to start (under Wine a good part of the check), so
  // there are two: the lookup of mail.<domain>, which goes on with the POP3
  // probe, and the lookup of <domain>; the SMTP probe runs on this thread.
  auto findings = std::make_shared<Findings>();
  start(
      [=] {
        net::Lookup lookup = resolver->lookup(mail_host);
        const bool found = lookup.status == net::LookupStatus::found;
        const std::vector<net::Address> addresses = lookup.addresses;
        findings->store(&Findings::mail, std::move(lookup));
        if (found) findings->store(&Findings::pop3, probe(Service::pop3, addresses, ports.pop3, deadline));
      },
      [=] {
        const std::lock_guard guard(findings->mutex);
        if (!findings->mail) findings->mail = net::Lookup{};
        if (!findings->pop3) findings->pop3 = ServiceFindings{};
        findings->changed.notify_all();
      });
  start([=] { findings->store(&Findings::domain, resolver->lookup(*ascii)); },
        [=] { findings->store(&Findings::domain, net::Lookup{}); });

  std::unique_lock lock(findings->mutex);
  findings->changed.wait_until(lock, deadline, [&] { return findings->mail.has_value(); });
  if (findings->mail && findings->mail->status == net::LookupStatus::found) {
    const std::vector<net::Address> addresses = findings->mail->addresses;
    lock.unlock();
    ServiceFindings smtp = probe(Service::smtp, addresses, ports.smtp, deadline);
    lock.lock();
    findings->smtp = std::move(smtp);
  }
  findings->changed.wait_until(lock, deadline, [&] { return findings->decidable(); });

  // What is not known by now counts as no answer.
  CheckReport report;
  const auto status_of = [](const std::optional<net::Lookup>& lookup) {
    return lookup ? lookup->status : net::LookupStatus::no_answer;
  };
  if (status_of(findings->mail) == net::LookupStatus::found) {
    report.pop3 = to_report(findings->pop3);
    report.smtp = to_report(findings->smtp);
    report.outcome = report.pop3.answered && report.smtp.answered ? Outcome::answered : Outcome::not_answered;
  } else if (status_of(findings->domain) == net::LookupStatus::not_found) {
    report.outcome = Outcome::no_domain;
  } else if (status_of(findings->mail) == net::LookupStatus::not_found) {
    report.outcome = Outcome::no_mail_server;
  } else {
    report.outcome = Outcome::unknown;
  }
  return report;
}

CheckReport check_mail_server(const std::string& email, std::chrono::milliseconds limit) {
  // The system's resolver lives as long as the process.
  return check_mail_server(email, std::shared_ptr<net::Resolver>(&net::system_resolver(), [](net::Resolver*) {}),
                           limit);
}

}  // namespace mailcheck
