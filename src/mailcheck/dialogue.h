// The POP3 and SMTP dialogues of the server check, without the sockets: a
// reader that cuts a server's bytes into reply lines within fixed limits, and
// one small state machine per protocol that reads the greeting and the
// capabilities, asks nothing but CAPA, EHLO, STARTTLS and QUIT, and never a
// user name, a password, AUTH or APOP. What a server sends is untrusted input.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mailcheck {

// Cuts bytes into lines (ended by LF, a CR before it dropped). A line longer
// than kMaxLine bytes with its line end, or a reply longer than kMaxReply
// bytes in all, is an error that stays.
class ReplyReader {
 public:
  static constexpr std::size_t kMaxLine = 512;
  static constexpr std::size_t kMaxReply = 65536;

  enum class Status { line, need_more, too_long };

  void feed(std::string_view bytes);
  // The next complete line (without its end) into line, need_more until one
  // has arrived, or too_long once a limit was passed.
  Status next(std::string& line);
  // A new reply starts (after each command): its size is counted afresh.
  void start_reply() { reply_bytes_ = 0; }
  // Whether bytes are buffered that no line has given out yet.
  bool holds_bytes() const { return start_ < buffer_.size(); }

 private:
  std::string buffer_;
  std::size_t start_ = 0;  // the first byte of buffer_ not yet given out
  std::size_t reply_bytes_ = 0;
  bool failed_ = false;
};

// What a dialogue wants after a line.
struct Step {
  // start_tls: the server agreed to STARTTLS; the handshake comes next, then
  // on_tls_started().
  enum class Kind { read_more, send, start_tls, finished } kind = Kind::read_more;
  std::string command;  // for send (with CR LF)
  bool operator==(const Step&) const = default;
};

// What a service showed of itself.
struct ServiceFindings {
  bool answered = false;  // greeted and answered the capability question as a mail server
  bool tls = false;       // STLS / STARTTLS offered
  // SMTP, each once: the names of the EHLO answer that are well formed (upper
  // case letters, digits, "-" and "_", at most kMaxMechanismName of them), at
  // most kMaxMechanisms; of the answer after STARTTLS once there is one.
  std::vector<std::string> auth_mechanisms;
  bool upgraded = false;  // SMTP: EHLO answered again after STARTTLS and its handshake
};

inline constexpr std::size_t kMaxMechanisms = 16;
inline constexpr std::size_t kMaxMechanismName = 20;

// POP3: greeting "+OK" -> CAPA -> "+OK" and lines up to "." (or "-ERR": a
// server without CAPA) -> QUIT.
class Pop3Dialogue {
 public:
  Step on_line(std::string_view line);
  bool finished() const { return state_ == State::done; }
  // What the server showed, once it answered; nothing before.
  ServiceFindings findings() const { return findings_.answered ? findings_ : ServiceFindings{}; }

 private:
  enum class State { greeting, capa_status, capa_list, done };
  Step on_greeting(std::string_view line);
  Step on_capa_status(std::string_view line);
  Step on_capa_line(std::string_view line);
  Step fail();
  Step quit();

  State state_ = State::greeting;
  ServiceFindings findings_;
};

// SMTP: greeting 220 (also in several "220-" lines) -> EHLO with the local
// address as an address literal -> the 250 lines -> QUIT. With upgrade, when
// the EHLO answer offers STARTTLS: STARTTLS -> 220 -> (the handshake) -> EHLO
// -> the 250 lines -> QUIT; any other answer to STARTTLS -> QUIT.
class SmtpDialogue {
 public:
  // The literal for EHLO: "[192.0.2.7]" or "[IPv6:2001:db8::7]".
  explicit SmtpDialogue(std::string address_literal, bool upgrade = false)
      : literal_(std::move(address_literal)), upgrade_(upgrade) {}
  Step on_line(std::string_view line);
  // After the handshake that start_tls asked for: the EHLO over TLS.
  Step on_tls_started();
  bool finished() const { return state_ == State::done; }
  // What the server showed, once it answered; nothing before.
  ServiceFindings findings() const { return findings_.answered ? findings_ : ServiceFindings{}; }

 private:
  enum class State { greeting, ehlo, starttls, handshake, ehlo_tls, done };
  Step on_greeting(int code, bool last);
  Step on_ehlo_line(int code, bool last, std::string_view text);
  Step on_starttls_reply(int code, bool last);
  void read_extension(std::string_view text);
  Step fail();
  Step quit();

  State state_ = State::greeting;
  int reply_code_ = 0;  // the code of a multi-line reply, from its first line
  int ehlo_lines_ = 0;
  std::string literal_;
  bool upgrade_ = false;
  ServiceFindings findings_;
  std::vector<std::string> plain_auth_;  // the AUTH names of the EHLO answer in clear, once TLS started
};

}  // namespace mailcheck
