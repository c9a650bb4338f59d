#include "mailcheck/conversation.h"

#include <utility>

namespace mailcheck {

namespace {

std::string address_literal(const std::optional<net::Address>& address) {
  if (!address) return "[127.0.0.1]";  // never used: a connection without an address fails its first send
  // Appended piece by piece: g++ 12 warns falsely (-Wrestrict) on "[" + text + "]".
  std::string literal(address->family == net::Address::Family::v4 ? "[" : "[IPv6:");
  literal.append(address->text());
  literal.push_back(']');
  return literal;
}

std::variant<Pop3Dialogue, SmtpDialogue> dialogue_for(RouteKind kind, const net::Connection& connection) {
  if (kind.protocol == Protocol::pop3) return Pop3Dialogue{};
  return SmtpDialogue(address_literal(connection.local_address()), kind.upgrade);
}

Certificate verdict_of(net::CertificateStatus status) {
  switch (status) {
    case net::CertificateStatus::none: return Certificate::none;
    case net::CertificateStatus::trusted: return Certificate::trusted;
    case net::CertificateStatus::other_name: return Certificate::other_name;
    case net::CertificateStatus::expired: return Certificate::expired;
    case net::CertificateStatus::not_trusted: return Certificate::not_trusted;
  }
  return Certificate::not_trusted;
}

// The certificate's name is the server's text: only the characters of a host
// name (and the "*" of a wildcard) reach the user, and no more than a host
// name can hold.
std::string host_name_characters(const std::string& name) {
  std::string kept;
  for (const char c : name) {
    if (kept.size() == 253) break;
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '*') {
      kept += c;
    }
  }
  return kept;
}

}  // namespace

Conversation::Conversation(RouteKind kind, net::Connection connection, const std::string& server_name)
    : kind_(kind),
      server_name_(server_name),
      connection_(std::move(connection)),
      dialogue_(dialogue_for(kind, connection_)) {
  if (kind_.implicit_tls) {
    tls_.emplace(connection_, server_name_);
    handshaking_ = true;
  }
}

// The session goes before the connection it refers to.
Conversation::~Conversation() { tls_.reset(); }

RouteFindings Conversation::findings() const {
  RouteFindings found;
  found.service = std::visit([](const auto& dialogue) { return dialogue.findings(); }, dialogue_);
  found.tls = route_;
  if (kind_.implicit_tls) {
    found.tls.answered = tls_ready_ && found.service.answered;
  } else if (kind_.upgrade) {
    found.tls.answered = tls_ready_ && found.service.upgraded;
  }
  return found;
}

void Conversation::take_certificate() {
  const net::PeerCertificate& certificate = tls_->certificate();
  route_.certificate = verdict_of(certificate.status);
  if (route_.certificate == Certificate::other_name) {
    route_.certificate_name = host_name_characters(certificate.dns_name);
  }
}

net::IoStatus Conversation::receive(std::size_t& received, net::Deadline until) {
  if (tls_) return tls_->receive(buffer_, sizeof buffer_, received, until);
  return connection_.receive(buffer_, sizeof buffer_, received, until);
}

// False when the dialogue is over.
bool Conversation::perform(const Step& step, net::Deadline until) {
  switch (step.kind) {
    case Step::Kind::read_more: return true;
    case Step::Kind::finished: return false;
    case Step::Kind::start_tls:
      // Bytes that came in clear after the 220 would be taken for the
      // server's words over TLS: a server (or a man in the middle) that
      // sends them gets no upgrade.
      if (reader_.holds_bytes()) return false;
      tls_.emplace(connection_, server_name_);
      handshaking_ = true;
      return true;
    case Step::Kind::send: {
      const bool sent =
          (tls_ ? tls_->send_all(step.command, until) : connection_.send_all(step.command, until)) == net::IoStatus::ok;
      reader_.start_reply();
      const bool finished = std::visit([](const auto& dialogue) { return dialogue.finished(); }, dialogue_);
      return sent && !finished;  // after QUIT the answer is in
    }
  }
  return false;
}

Conversation::Status Conversation::run(net::Deadline until) {
  std::string line;
  while (!over_) {
    // Also between lines already received: a long reply may not eat the time.
    if (net::Clock::now() >= until) return Status::paused;
    if (handshaking_) {
      const net::IoStatus status = tls_->handshake(until);
      if (status == net::IoStatus::timed_out) return Status::paused;
      handshaking_ = false;
      if (status != net::IoStatus::ok) {
        over_ = true;
        break;
      }
      tls_ready_ = true;
      take_certificate();
      if (kind_.upgrade) over_ = !perform(std::get<SmtpDialogue>(dialogue_).on_tls_started(), until);
      continue;
    }
    switch (reader_.next(line)) {
      case ReplyReader::Status::line:
        over_ = !perform(std::visit([&](auto& dialogue) { return dialogue.on_line(line); }, dialogue_), until);
        continue;
      case ReplyReader::Status::too_long: over_ = true; continue;
      case ReplyReader::Status::need_more: break;
    }
    std::size_t received = 0;
    const net::IoStatus status = receive(received, until);
    if (status == net::IoStatus::timed_out) return Status::paused;
    if (status != net::IoStatus::ok) {
      over_ = true;
      break;
    }
    reader_.feed(std::string_view(buffer_, received));
  }
  return Status::over;
}

}  // namespace mailcheck
