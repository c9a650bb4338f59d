#include "mailcheck/dialogue.h"

#include <algorithm>
#include <utility>

namespace mailcheck {

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool starts_with_word(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (upper(line[i]) != word[i]) return false;
  }
  return line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t';
}

std::string_view next_word(std::string_view& text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) {
    text = {};
    return {};
  }
  text.remove_prefix(start);
  const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  return word;
}

}  // namespace

void ReplyReader::feed(std::string_view bytes) {
  if (failed_) return;
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  buffer_.append(bytes);
}

ReplyReader::Status ReplyReader::next(std::string& line) {
  if (failed_) return Status::too_long;
  const std::size_t end = buffer_.find('\n', start_);
  const std::size_t length = (end == std::string::npos ? buffer_.size() : end + 1) - start_;
  if (length > kMaxLine || reply_bytes_ + length > kMaxReply) {
    failed_ = true;
    buffer_.clear();
    start_ = 0;
    return Status::too_long;
  }
  if (end == std::string::npos) return Status::need_more;
  reply_bytes_ += length;
  std::size_t stop = end;
  if (stop > start_ && buffer_[stop - 1] == '\r') --stop;
  line.assign(buffer_, start_, stop - start_);
  start_ = end + 1;
  return Status::line;
}

Step Pop3Dialogue::on_line(std::string_view line) {
  switch (state_) {
    case State::greeting: return on_greeting(line);
    case State::capa_status: return on_capa_status(line);
    case State::capa_list: return on_capa_line(line);
    case State::done: break;
  }
  return {Step::Kind::finished, {}};
}

Step Pop3Dialogue::fail() {
  findings_ = {};
  state_ = State::done;
  return {Step::Kind::finished, {}};
}

Step Pop3Dialogue::quit() {
  findings_.answered = true;
  state_ = State::done;
  return {Step::Kind::send, "QUIT\r\n"};
}

Step Pop3Dialogue::on_greeting(std::string_view line) {
  if (!starts_with_word(line, "+OK")) return fail();
  state_ = State::capa_status;
  return {Step::Kind::send, "CAPA\r\n"};
}

Step Pop3Dialogue::on_capa_status(std::string_view line) {
  if (starts_with_word(line, "-ERR")) return quit();  // CAPA is optional: an older server is still a POP3 server
  if (!starts_with_word(line, "+OK")) return fail();
  state_ = State::capa_list;
  return {};
}

Step Pop3Dialogue::on_capa_line(std::string_view line) {
  if (line == ".") return quit();
  if (starts_with_word(line, "STLS")) findings_.tls = true;
  return {};
}

// An SMTP reply line: three digits, then a blank (the last line), a dash (more
// follow) or nothing (a last line without text).
Step SmtpDialogue::on_line(std::string_view line) {
  if (state_ == State::done) return {Step::Kind::finished, {}};
  if (line.size() < 3 || (line.size() > 3 && line[3] != ' ' && line[3] != '-')) return fail();
  int code = 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return fail();
    code = code * 10 + (line[i] - '0');
  }
  if (code < 200 || code > 599) return fail();
  const bool last = line.size() == 3 || line[3] == ' ';
  // All lines of one reply carry its code.
  if (reply_code_ == 0) {
    reply_code_ = code;
  } else if (code != reply_code_) {
    return fail();
  }
  if (last) reply_code_ = 0;
  const std::string_view text = line.size() > 4 ? line.substr(4) : std::string_view{};
  switch (state_) {
    case State::greeting: return on_greeting(code, last);
    case State::starttls: return on_starttls_reply(code, last);
    case State::handshake: return fail();  // nothing may come between the 220 and the handshake
    default: return on_ehlo_line(code, last, text);
  }
}

Step SmtpDialogue::fail() {
  // A fault after the first EHLO answer leaves the server in clear as it
  // answered; only the upgrade is lost.
  if (state_ == State::starttls || state_ == State::handshake || state_ == State::ehlo_tls) {
    findings_.upgraded = false;
    findings_.auth_mechanisms = std::move(plain_auth_);
  } else {
    findings_ = {};
  }
  state_ = State::done;
  return {Step::Kind::finished, {}};
}

Step SmtpDialogue::quit() {
  state_ = State::done;
  return {Step::Kind::send, "QUIT\r\n"};
}

Step SmtpDialogue::on_greeting(int code, bool last) {
  if (code != 220) return fail();
  if (!last) return {};
  state_ = State::ehlo;
  return {Step::Kind::send, "EHLO " + literal_ + "\r\n"};
}

// An AUTH name as SASL writes them: 1 to 20 of A-Z, 0-9, "-" and "_"; the
// letters may come in lower case. Anything else is left out, so that no
// byte of the server's choosing reaches a window or a console.
void SmtpDialogue::read_extension(std::string_view text) {
  std::string_view rest = text;
  std::string_view keyword = next_word(rest);
  if (starts_with_word(keyword, "STARTTLS")) findings_.tls = true;
  // "AUTH PLAIN LOGIN", and "AUTH=PLAIN LOGIN" of older servers.
  const bool auth = starts_with_word(keyword, "AUTH");
  const bool old_auth = keyword.size() > 5 && starts_with_word(keyword.substr(0, 4), "AUTH") && keyword[4] == '=';
  if (!auth && !old_auth) return;
  auto& list = findings_.auth_mechanisms;
  for (std::string_view word = old_auth ? keyword.substr(5) : next_word(rest);
       !word.empty() && list.size() < kMaxMechanisms; word = next_word(rest)) {
    if (word.size() > kMaxMechanismName) continue;
    std::string mechanism;
    for (const char c : word) mechanism += upper(c);
    const bool well_formed = std::all_of(mechanism.begin(), mechanism.end(), [](char c) {
      return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
    if (well_formed && std::find(list.begin(), list.end(), mechanism) == list.end())
      list.push_back(std::move(mechanism));
  }
}

Step SmtpDialogue::on_ehlo_line(int code, bool last, std::string_view text) {
  if (code != 250) return fail();
  // The first line names the server; each of the others is an extension.
  if (ehlo_lines_++ > 0) read_extension(text);
  if (!last) return {};
  if (state_ == State::ehlo_tls) {
    findings_.upgraded = true;
    return quit();
  }
  findings_.answered = true;
  if (!upgrade_ || !findings_.tls) return quit();
  state_ = State::starttls;
  return {Step::Kind::send, "STARTTLS\r\n"};
}

Step SmtpDialogue::on_starttls_reply(int code, bool last) {
  if (code != 220) return quit();  // refused (454, 502, ...): the server stays as it answered in clear
  if (!last) return {};
  state_ = State::handshake;
  return {Step::Kind::start_tls, {}};
}

Step SmtpDialogue::on_tls_started() {
  if (state_ != State::handshake) return fail();
  // What the server offers in clear counts no more.
  plain_auth_ = std::exchange(findings_.auth_mechanisms, {});
  ehlo_lines_ = 0;
  state_ = State::ehlo_tls;
  return {Step::Kind::send, "EHLO " + literal_ + "\r\n"};
}

}  // namespace mailcheck
