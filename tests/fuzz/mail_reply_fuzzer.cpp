// What a hostile server may send, through the reply reader and the POP3 and
// SMTP dialogues of the server check, in chunks of the size the first byte
// gives: lines stay within their limits, a reply within its size, and the
// dialogues ask only CAPA, EHLO, STARTTLS and QUIT, in that order, never a
// user name, a password or AUTH, keep only well-formed AUTH names, and stop
// once finished.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>

#include "mailcheck/dialogue.h"

namespace {

using mailcheck::ReplyReader;
using mailcheck::Step;

void require(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

constexpr std::string_view kLiteral = "[192.0.2.7]";

// Feeds the bytes to one dialogue as the check does and gives the commands it sent.
template <class Dialogue>
std::string run(Dialogue& dialogue, std::string_view bytes, std::size_t chunk) {
  ReplyReader reader;
  std::string sent;
  std::string line;
  std::size_t reply_bytes = 0;
  while (!dialogue.finished()) {
    const ReplyReader::Status status = reader.next(line);
    if (status == ReplyReader::Status::too_long) break;
    if (status == ReplyReader::Status::need_more) {
      if (bytes.empty()) break;
      const std::size_t take = chunk < bytes.size() ? chunk : bytes.size();
      reader.feed(bytes.substr(0, take));
      bytes.remove_prefix(take);
      continue;
    }
    require(line.size() + 1 <= ReplyReader::kMaxLine, "a line with its end fits the line limit");
    require(line.find('\n') == std::string::npos, "a line holds no line feed");
    reply_bytes += line.size() + 1;
    require(reply_bytes <= ReplyReader::kMaxReply, "a reply fits the reply limit");
    Step step = dialogue.on_line(line);
    if constexpr (std::is_same_v<Dialogue, mailcheck::SmtpDialogue>) {
      if (step.kind == Step::Kind::start_tls) {
        sent += "<TLS>";
        step = dialogue.on_tls_started();
      }
    }
    if (step.kind == Step::Kind::send) {
      sent += step.command;
      reader.start_reply();
      reply_bytes = 0;
    }
    if (step.kind == Step::Kind::finished) require(dialogue.finished(), "finished means finished");
  }
  if (dialogue.finished()) {
    require(dialogue.on_line("+OK 250 more").kind == Step::Kind::finished, "a finished dialogue asks nothing more");
  }
  return sent;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t chunk = data[0] == 0 ? 1 : data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  mailcheck::Pop3Dialogue pop3;
  const std::string pop3_sent = run(pop3, bytes, chunk);
  require(pop3_sent.empty() || pop3_sent == "CAPA\r\n" || pop3_sent == "CAPA\r\nQUIT\r\n",
          "POP3 asks CAPA, then QUIT, and nothing else");
  require(pop3.findings().answered == (pop3_sent == "CAPA\r\nQUIT\r\n"), "POP3 answered exactly when it said QUIT");
  require(!pop3.findings().tls || pop3.findings().answered, "POP3 tells STLS only of a server that answered");

  const bool upgrade = (data[0] & 1) != 0;
  mailcheck::SmtpDialogue smtp{std::string(kLiteral), upgrade};
  const std::string smtp_sent = run(smtp, bytes, chunk);
  const std::string ehlo = "EHLO " + std::string(kLiteral) + "\r\n";
  const std::string starttls = ehlo + "STARTTLS\r\n";
  const std::string upgraded = starttls + "<TLS>" + ehlo;
  const bool allowed =
      smtp_sent.empty() || smtp_sent == ehlo || smtp_sent == ehlo + "QUIT\r\n" ||
      (upgrade && (smtp_sent == starttls || smtp_sent == starttls + "QUIT\r\n" || smtp_sent == starttls + "<TLS>" ||
                   smtp_sent == upgraded || smtp_sent == upgraded + "QUIT\r\n"));
  require(allowed, "SMTP asks EHLO, STARTTLS only when upgrading, EHLO again over TLS, then QUIT, and nothing else");
  const mailcheck::ServiceFindings smtp_findings = smtp.findings();
  require(smtp_findings.answered == (smtp_sent.rfind(ehlo + (upgrade ? "" : "QUIT"), 0) == 0 && smtp_sent != ehlo),
          "SMTP answered exactly when its first EHLO was answered");
  require(smtp_findings.upgraded == (smtp_sent == upgraded + "QUIT\r\n"), "upgraded exactly when EHLO over TLS was");
  require(smtp_findings.auth_mechanisms.size() <= mailcheck::kMaxMechanisms, "a few AUTH names at most");
  for (const std::string& mechanism : smtp_findings.auth_mechanisms) {
    require(!mechanism.empty() && mechanism.size() <= mailcheck::kMaxMechanismName, "an AUTH name has a bounded name");
    for (const char c : mechanism) {
      require((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_',
              "an AUTH name holds only upper-case letters, digits, - and _");
    }
  }
  return 0;
}
