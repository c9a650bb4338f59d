// One route's dialogue with one address of the server: POP3 or SMTP, in
// clear, over TLS from the first byte, or SMTP upgraded by STARTTLS. It can
// be paused when its share of the time ends and resumed later, so that time
// left by a quick failure elsewhere is not lost to a slow server.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "mailcheck/dialogue.h"
#include "mailcheck/mail_check.h"
#include "net/net.h"
#include "net/tls.h"

namespace mailcheck {

enum class Protocol { pop3, smtp };

// How a route reaches its service.
struct RouteKind {
  Protocol protocol = Protocol::pop3;
  bool implicit_tls = false;  // TLS from the first byte (995, 465)
  bool upgrade = false;       // SMTP: STARTTLS when the server offers it (587)
};

// What one conversation found.
struct RouteFindings {
  ServiceFindings service;  // as the dialogue saw it (in clear, or over TLS)
  RouteReport tls;          // the TLS part: implicit TLS, or the STARTTLS upgrade
};

class Conversation {
 public:
  // server_name: mail.<domain> in its ASCII form, for the certificate.
  Conversation(RouteKind kind, net::Connection connection, const std::string& server_name);
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;
  ~Conversation();

  enum class Status { over, paused };
  // Goes on until the dialogue is over (finished, or the server broke the
  // rules or went away) or until, which pauses it.
  Status run(net::Deadline until);
  RouteFindings findings() const;

 private:
  bool perform(const Step& step, net::Deadline until);
  net::IoStatus receive(std::size_t& received, net::Deadline until);
  void take_certificate();

  RouteKind kind_;
  std::string server_name_;
  net::Connection connection_;
  std::optional<net::TlsSession> tls_;  // refers to connection_
  bool handshaking_ = false;
  bool tls_ready_ = false;
  bool over_ = false;
  RouteReport route_;
  ReplyReader reader_;
  std::variant<Pop3Dialogue, SmtpDialogue> dialogue_;
  char buffer_[4096] = {};
};

}  // namespace mailcheck
