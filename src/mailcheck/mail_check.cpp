// The server check: the domain's validity, two lookups and four probes in
// parallel, and the decision by the rules of the outcomes, taken within the
// limit whatever the network does. Lookups cannot be interrupted, so each
// runs on a thread of its own that the decision does not wait for; the
// probes end by the same deadline as the decision and are joined.
#include "mailcheck/mail_check.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "mailcheck/conversation.h"
#include "mailcheck/outcome.h"
#include "net/net.h"
#include "net/tls.h"

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

// One route on every address of mail.<domain> until one answers as a mail
// server: each address in turn gets an equal share of the time left; one
// that is still talking when its share ends is paused, and once every
// address had its turn the paused ones go on by turns until the deadline,
// so that time a quick failure left is not lost to a slow first address.
RouteFindings probe(RouteKind kind, const std::vector<net::Address>& addresses, std::uint16_t port,
                    const std::string& server_name, Deadline deadline) {
  RouteFindings best;
  // True when this one answered; else it is kept if it is the first to have shown a certificate.
  const auto take = [&](const Conversation& conversation) {
    RouteFindings found = conversation.findings();
    const bool answered = found.service.answered;
    if (answered || (best.tls.certificate == Certificate::none && found.tls.certificate != Certificate::none)) {
      best = std::move(found);
    }
    return answered;
  };
  std::vector<std::unique_ptr<Conversation>> paused;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    const auto now = Clock::now();
    if (now >= deadline) break;
    const Deadline share = now + (deadline - now) / static_cast<long>(addresses.size() - i);
    net::Connection connection = net::Connection::connect(addresses[i], port, share);
    if (!connection.valid()) continue;
    auto conversation = std::make_unique<Conversation>(kind, std::move(connection), server_name);
    if (conversation->run(share) == Conversation::Status::paused) {
      paused.push_back(std::move(conversation));
    } else if (take(*conversation)) {
      return best;
    }
  }
  constexpr auto kTurn = std::chrono::milliseconds(100);
  while (!paused.empty() && Clock::now() < deadline) {
    for (auto it = paused.begin(); it != paused.end();) {
      if ((*it)->run(std::min(deadline, Clock::now() + kTurn)) == Conversation::Status::paused) {
        ++it;
        continue;
      }
      if (take(**it)) return best;
      it = paused.erase(it);
    }
  }
  for (const auto& conversation : paused) {
    if (take(*conversation)) break;  // what it showed before the deadline still counts
  }
  return best;
}

// The name lookups run on threads of their own, since they cannot be
// interrupted: the decision does not wait for them beyond its deadline.
struct Lookups {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<net::Lookup> mail;
  std::optional<net::Lookup> domain;

  void store(std::optional<net::Lookup> Lookups::*member, net::Lookup value) {
    {
      const std::lock_guard lock(mutex);
      this->*member = std::move(value);
    }
    changed.notify_all();
  }
};

// A lookup on a thread of its own; when no thread can be had, or the lookup
// fails, its place is filled with what no answer gives.
std::thread start_lookup(const std::shared_ptr<Lookups>& lookups, std::optional<net::Lookup> Lookups::*member,
                         const std::shared_ptr<net::Resolver>& resolver, const std::string& host) {
  try {
    return std::thread([=]() noexcept {
      net::Lookup lookup;
      try {
        lookup = resolver->lookup(host);
      } catch (...) {
        lookup = net::Lookup{};
      }
      lookups->store(member, std::move(lookup));
    });
  } catch (const std::system_error&) {
    lookups->store(member, net::Lookup{});
    return {};
  }
}

// A thread that has stored its answer is done but for its return: it is
// joined. Only one still blocked in the system is left to end on its own.
void finish(std::thread& thread, bool answered) {
  if (!thread.joinable()) return;
  if (answered) {
    thread.join();
  } else {
    thread.detach();
  }
}

struct RouteRun {
  RouteKind kind;
  std::uint16_t port;
  RouteFindings found;
};

// The four routes in parallel: three on threads of their own, the last on
// this one; every one ends by the deadline, and all are joined. A route
// whose thread cannot be had runs here after the others.
void probe_all(std::vector<RouteRun>& routes, const std::vector<net::Address>& addresses,
               const std::string& server_name, Deadline deadline) {
  std::vector<std::thread> threads;
  std::vector<RouteRun*> here;
  for (std::size_t i = 0; i < routes.size(); ++i) {
    RouteRun& route = routes[i];
    const auto work = [&route, &addresses, &server_name, deadline] {
      route.found = probe(route.kind, addresses, route.port, server_name, deadline);
    };
    if (i + 1 < routes.size()) {
      try {
        threads.emplace_back(work);
        continue;
      } catch (const std::system_error&) {
      }
    }
    here.push_back(&route);
  }
  for (RouteRun* route : here) route->found = probe(route->kind, addresses, route->port, server_name, deadline);
  for (std::thread& thread : threads) thread.join();
}

ServiceReport to_report(const ServiceFindings& findings) {
  if (!findings.answered) return {};
  return {findings.answered, findings.tls, findings.auth_mechanisms};
}

}  // namespace

Outcome decide(const Found& found) {
  const auto mail = found.mail_host.value_or(net::LookupStatus::no_answer);
  if (mail == net::LookupStatus::found) {
    return found.pop3_answered && found.smtp_answered ? Outcome::answered : Outcome::not_answered;
  }
  if (found.domain == net::LookupStatus::not_found) return Outcome::no_domain;
  if (mail == net::LookupStatus::not_found) return Outcome::no_mail_server;
  return Outcome::unknown;
}

CheckReport check_mail_server(const std::string& email, const std::shared_ptr<net::Resolver>& resolver,
                              std::chrono::milliseconds limit, ServicePorts ports) {
  // The decision is due a little before the limit, so that it is taken by
  // then even when the system wakes this thread late.
  const auto margin = std::min(limit / 20, std::chrono::milliseconds(50));
  const Deadline deadline = Clock::now() + limit - margin;

  CheckReport report;
  report.outcome = Outcome::no_domain;
  const std::size_t at = email.find('@');
  const std::string domain = at == std::string::npos ? std::string() : email.substr(at + 1);
  const auto ascii = net::host_to_ascii(domain);
  if (!ascii || !valid_host_name(*ascii) || !valid_host_name("mail." + *ascii)) return report;
  const std::string mail_host = "mail." + *ascii;

  auto lookups = std::make_shared<Lookups>();
  std::thread mail_thread = start_lookup(lookups, &Lookups::mail, resolver, mail_host);
  std::thread domain_thread = start_lookup(lookups, &Lookups::domain, resolver, *ascii);
  auto warmed = std::make_shared<std::atomic<bool>>(false);
  std::thread warm_up;

  std::unique_lock lock(lookups->mutex);
  lookups->changed.wait_until(lock, deadline, [&] { return lookups->mail.has_value(); });
  Found found;
  if (lookups->mail && lookups->mail->status == net::LookupStatus::found) {
    const std::vector<net::Address> addresses = lookups->mail->addresses;
    lock.unlock();
    // The system's trusted roots load while the routes connect and shake
    // hands, not when the first certificate is judged (under Wine that
    // costs hundreds of milliseconds).
    try {
      warm_up = std::thread([warmed]() noexcept {
        net::tls_warm_up();
        *warmed = true;
      });
    } catch (const std::system_error&) {
    }
    std::vector<RouteRun> routes = {
        {{Protocol::pop3, false, false}, ports.pop3, {}},
        {{Protocol::pop3, true, false}, ports.pop3_tls, {}},
        {{Protocol::smtp, true, false}, ports.smtp_tls, {}},
        {{Protocol::smtp, false, true}, ports.smtp, {}},
    };
    probe_all(routes, addresses, mail_host, deadline);
    lock.lock();
    report.pop3 = to_report(routes[0].found.service);
    report.pop3_tls = routes[1].found.tls;
    report.smtp_tls = routes[2].found.tls;
    report.smtp = to_report(routes[3].found.service);
    report.smtp_upgrade = routes[3].found.tls;
    found.pop3_answered = report.pop3_answered();
    found.smtp_answered = report.smtp_answered();
  } else {
    lookups->changed.wait_until(lock, deadline, [&] { return lookups->domain.has_value(); });
  }
  // What is not known by now counts as no answer.
  if (lookups->mail) found.mail_host = lookups->mail->status;
  if (lookups->domain) found.domain = lookups->domain->status;
  lock.unlock();
  finish(mail_thread, found.mail_host.has_value());
  finish(domain_thread, found.domain.has_value());
  finish(warm_up, *warmed);
  report.outcome = decide(found);
  return report;
}

CheckReport check_mail_server(const std::string& email, std::chrono::milliseconds limit) {
  // The system's resolver lives as long as the process.
  return check_mail_server(email, std::shared_ptr<net::Resolver>(&net::system_resolver(), [](net::Resolver*) {}),
                           limit);
}

}  // namespace mailcheck
