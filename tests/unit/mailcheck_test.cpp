// The server check: its dialogue with scripted servers over real loopback
// sockets, its decision through a resolver of the test's, and the domain
// names it looks up. No case reaches the machine's resolver or an address
// beyond loopback.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mail_responder.h"
#include "mailcheck/dialogue.h"
#include "mailcheck/mail_check.h"
#include "mailcheck/outcome.h"
#include "net/net.h"

namespace {

using mailcheck::Outcome;
using net::Address;
using net::LookupStatus;
using telvora_test::ScriptedServer;
using telvora_test::ServerScript;
using telvora_test::TableResolver;
using Mode = ServerScript::Mode;
using std::chrono::milliseconds;
using namespace std::string_literals;

const Address kLoopback = Address::v4(127, 0, 0, 1);

ServerScript pop3(std::string capa = "+OK\r\nTOP\r\nUSER\r\nSASL PLAIN\r\nUIDL\r\n.\r\n") {
  return {Mode::normal, "+OK Telvora test POP3 ready\r\n", {{"CAPA", std::move(capa)}, {"QUIT", "+OK bye\r\n"}}};
}

ServerScript smtp(std::string ehlo = "250-mail.ornek.test\r\n250-PIPELINING\r\n250 8BITMIME\r\n",
                  std::string greeting = "220 mail.ornek.test ESMTP\r\n") {
  return {Mode::normal, std::move(greeting), {{"EHLO", std::move(ehlo)}, {"QUIT", "221 bye\r\n"}}};
}

ServerScript misbehaving(Mode mode, std::string greeting = "+OK Telvora test server, slowly ready\r\n") {
  return {mode, std::move(greeting), {}};
}

ServerScript with_reply(ServerScript script, const std::string& word, std::string reply) {
  script.replies[word] = std::move(reply);
  return script;
}

ServerScript late(ServerScript script, milliseconds delay) {
  script.delay = delay;
  return script;
}

// " M0 M1 ..."
std::string many_names(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text.append(" M").append(std::to_string(i));
  return text;
}

// Different names 0, 1, ..., Z, 10, ... (base 36), a hundred to a "250-AUTH" line.
std::string packed_auth_lines(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i % 100 == 0) text += (i > 0 ? "\r\n" : "") + std::string("250-AUTH");
    std::string name;
    for (int n = i; name.empty() || n > 0; n /= 36)
      name.insert(name.begin(), "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"[n % 36]);
    text += " " + name;
  }
  return text + "\r\n";
}

std::string lines(int count, std::size_t length) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "250-X" + std::string(length - 7, 'A') + "\r\n";
  return text + "250 HELP\r\n";
}

// A port where nothing listens: one the system just handed out and took back.
std::uint16_t refused_port(const Address& address) { return net::Listener::listen(address, 0).port(); }

std::shared_ptr<TableResolver> mail_at(std::vector<Address> addresses) {
  return std::make_shared<TableResolver>(std::map<std::string, net::Lookup>{
      {"mail.ornek.test", {LookupStatus::found, std::move(addresses)}}, {"ornek.test", {LookupStatus::found, {}}}});
}

// --- the dialogue, one service per row; the other one answers as it should ---

struct DialogueCase {
  std::string name;
  bool smtp;             // the row's script plays SMTP (else POP3)
  ServerScript script;   // unused when refused
  bool refused = false;  // nothing listens on the row's port
  bool answered = false;
  bool tls = false;
  std::vector<std::string> auth{};
  std::vector<std::string> received{};  // what the row's server read, in order
  Address listen_on = kLoopback;
  bool first_address_refuses = false;   // mail.<domain> has 127.0.0.2 first, where nothing listens
  bool second_address_refuses = false;  // ... or after the row's address
  milliseconds limit{0};                // 0: 1.5 s, or 10 s where an answer is expected (room for a loaded machine)
};

const std::vector<std::string> kPop3Lines = {"CAPA", "QUIT"};
const std::vector<std::string> kSmtpLines = {"EHLO [127.0.0.1]", "QUIT"};

std::vector<DialogueCase> dialogue_cases() {
  std::vector<DialogueCase> cases = {
      {"Pop3Normal", false, pop3(), false, true, false, {}, kPop3Lines},
      {"Pop3WithStls", false, pop3("+OK\r\nTOP\r\nSTLS\r\nUSER\r\n.\r\n"), false, true, true, {}, kPop3Lines},
      {"Pop3WithoutCapa", false, pop3("-ERR unknown command\r\n"), false, true, false, {}, kPop3Lines},
      {"Pop3ErrGreeting", false, misbehaving(Mode::normal, "-ERR too busy\r\n"), false, false, false, {}, {}},
      {"Pop3CapaLineOver512",
       false,
       pop3("+OK\r\n" + std::string(600, 'S') + "\r\n.\r\n"),
       false,
       false,
       false,
       {},
       {"CAPA"}},
      {"SmtpNormal", true, smtp(), false, true, false, {}, kSmtpLines},
      // A refused STARTTLS leaves the server as it answered in clear.
      {"SmtpWithStarttlsRefusedAndAuth",
       true,
       with_reply(smtp("250-mail.ornek.test Hello\r\n250-STARTTLS\r\n250-AUTH PLAIN login\r\n"
                       "250-AUTH=LOGIN CRAM-MD5\r\n250 SIZE 10240000\r\n"),
                  "STARTTLS", "454 TLS not available\r\n"),
       false,
       true,
       true,
       {"PLAIN", "LOGIN", "CRAM-MD5"},
       {"EHLO [127.0.0.1]", "STARTTLS", "QUIT"}},
      // Bytes in clear after the 220 would pass for the server's words over TLS: no handshake, no more words.
      {"SmtpBytesAfterStarttlsReply",
       true,
       with_reply(smtp("250-mail.ornek.test\r\n250 STARTTLS\r\n"), "STARTTLS", "220 go ahead\r\n250 AUTH PLAIN\r\n"),
       false,
       true,
       true,
       {},
       {"EHLO [127.0.0.1]", "STARTTLS"}},
      // Only well-formed names, each once, a few at most: nothing of the server's choosing reaches the user.
      {"SmtpAuthNamesOfAnyBytes", true,
       smtp("250-mail.ornek.test\r\n250-AUTH PLAIN \x1b[31mX \xff\xfe plain \rX L\x00GIN "s + std::string(21, 'A') +
            " XOAUTH2\r\n250-AUTH" + many_names(20) + "\r\n250 OK\r\n"),
       false, true, false,
       [] {
         std::vector<std::string> names = {"PLAIN", "XOAUTH2"};
         for (int i = 0; i < 14; ++i)
           names.push_back(std::string("M").append(std::to_string(i)));  // g++ 12 warns falsely on "M" + text
         return names;
       }(),
       kSmtpLines},
      // 63 KB of different names after a late greeting: decided in time all the same.
      {"SmtpLateGreetingThen63KBOfAuthNames",
       true,
       late(smtp("250-mail.ornek.test\r\n" + packed_auth_lines(15552) + "250 OK\r\n"), milliseconds(2500)),
       false,
       true,
       false,
       {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "B", "C", "D", "E", "F"},
       kSmtpLines,
       kLoopback,
       false,
       false,
       milliseconds(3000)},
      // The first address greets after its share of the time; the second refuses at once: the first is
      // given back the time that was left.
      {"SlowFirstAddressRefusingSecond",
       true,
       late(smtp(), milliseconds(2000)),
       false,
       true,
       false,
       {},
       kSmtpLines,
       kLoopback,
       false,
       true,
       milliseconds(3000)},
      {"SmtpMultiLineGreeting",
       true,
       smtp("250 mail.ornek.test\r\n", "220-mail.ornek.test ESMTP\r\n220-no unsolicited mail\r\n220 ready\r\n"),
       false,
       true,
       false,
       {},
       kSmtpLines},
      {"Smtp554Greeting", true, misbehaving(Mode::normal, "554 no service here\r\n"), false, false, false, {}, {}},
      {"SmtpEhloRefused", true, smtp("502 command not implemented\r\n"), false, false, false, {}, {"EHLO [127.0.0.1]"}},
      {"SmtpLineOf512Bytes", true, smtp(lines(1, 512)), false, true, false, {}, kSmtpLines},
      {"SmtpLineOf513Bytes", true, smtp(lines(1, 513)), false, false, false, {}, {"EHLO [127.0.0.1]"}},
      {"SmtpReplyOver64KB", true, smtp(lines(140, 500)), false, false, false, {}, {"EHLO [127.0.0.1]"}},
      {"SmtpOverIPv6", true, smtp(), false, true, false, {}, {"EHLO [IPv6:::1]", "QUIT"}, Address::v6_loopback()},
      {"BothAfterARefusingAddress", true, smtp(), false, true, false, {}, kSmtpLines, kLoopback, true},
  };
  // What a server may do wrong, for each of the two services.
  for (const bool is_smtp : {false, true}) {
    const std::string prefix = is_smtp ? "Smtp" : "Pop3";
    const std::vector<std::pair<std::string, ServerScript>> faults = {
        {"Silence", misbehaving(Mode::silent)},
        {"AcceptThenClose", misbehaving(Mode::close_at_once)},
        {"Garbage", misbehaving(Mode::normal, "SSH-2.0-OpenSSH_9.2\r\n\x16\x03\x01\x02\x00\x01\r\n")},
        {"MegabyteLineWithoutNewline", misbehaving(Mode::normal, std::string(1 << 20, '2'))},
        {"OneBytePer100ms", misbehaving(Mode::drip, is_smtp ? "220 mail.ornek.test ESMTP, one byte at a time\r\n"
                                                            : "+OK Telvora test POP3, one byte at a time\r\n")},
    };
    for (const auto& [name, script] : faults) cases.push_back({prefix + name, is_smtp, script});
    cases.push_back({is_smtp ? "SmtpRefusedPort" : "Pop3RefusedPort", is_smtp, {}, true});
  }
  return cases;
}

class MailDialogue : public testing::TestWithParam<DialogueCase> {};

TEST_P(MailDialogue, AnswersAsTheServerDid) {
  const DialogueCase& row = GetParam();
  ScriptedServer row_server(row.script, row.listen_on);
  ScriptedServer other_server(row.smtp ? pop3() : smtp(), row.listen_on);
  if (!row_server.valid() || !other_server.valid()) GTEST_SKIP() << "no loopback listener on " << row.listen_on.text();
  const std::uint16_t row_port = row.refused ? refused_port(row.listen_on) : row_server.port();
  std::vector<Address> addresses = {row.listen_on};
  if (row.first_address_refuses) addresses.insert(addresses.begin(), Address::v4(127, 0, 0, 2));
  if (row.second_address_refuses) addresses.push_back(Address::v4(127, 0, 0, 2));
  const std::uint16_t no_tls = refused_port(row.listen_on);
  const mailcheck::ServicePorts ports{row.smtp ? other_server.port() : row_port,
                                      row.smtp ? row_port : other_server.port(), no_tls, no_tls};

  // An answer may come late on a loaded machine: where one is expected, the limit leaves room for it.
  const milliseconds limit = row.limit.count() > 0 ? row.limit : milliseconds(row.answered ? 10000 : 1500);
  const auto start = net::Clock::now();
  const auto report = mailcheck::check_mail_server("ali@ornek.test", mail_at(addresses), limit, ports);
  // Room for a loaded machine that wakes the check late.
  EXPECT_LE(net::Clock::now() - start, limit + milliseconds(1000));

  const mailcheck::ServiceReport& service = row.smtp ? report.smtp : report.pop3;
  const mailcheck::ServiceReport& other = row.smtp ? report.pop3 : report.smtp;
  EXPECT_EQ(service.answered, row.answered);
  EXPECT_EQ(service.tls, row.tls);
  EXPECT_EQ(service.auth_mechanisms, row.auth);
  EXPECT_TRUE(other.answered);
  EXPECT_EQ(report.outcome, row.answered ? Outcome::answered : Outcome::not_answered);

  std::vector<std::vector<std::string>> heard = {other_server.received()};
  if (!row.refused) {
    heard.push_back(row_server.received());
    EXPECT_EQ(heard.back(), row.received);
  }
  for (const auto& server_lines : heard) {
    for (const std::string& line : server_lines) {
      for (const char* secret : {"USER", "PASS", "AUTH", "APOP"}) EXPECT_NE(line.rfind(secret, 0), 0u) << line;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, MailDialogue, testing::ValuesIn(dialogue_cases()),
                         [](const testing::TestParamInfo<DialogueCase>& info) { return info.param.name; });

// --- the decision, from what the lookups and the probes had found by then ---

struct OutcomeCase {
  const char* name;
  std::optional<LookupStatus> mail;    // nothing: no answer by the decision
  std::optional<LookupStatus> domain;  // likewise
  bool smtp_refused;                   // POP3 answered, SMTP on none of its routes
  Outcome expected;
};

class MailCheckOutcome : public testing::TestWithParam<OutcomeCase> {};

TEST_P(MailCheckOutcome, FollowsTheRules) {
  const OutcomeCase& row = GetParam();
  const bool probed = row.mail == LookupStatus::found;
  EXPECT_EQ(mailcheck::decide({row.mail, row.domain, probed, probed && !row.smtp_refused}), row.expected);
}

constexpr auto kFound = LookupStatus::found;
constexpr auto kNoAddress = LookupStatus::no_address;
constexpr auto kNotFound = LookupStatus::not_found;
constexpr auto kNoAnswer = LookupStatus::no_answer;

INSTANTIATE_TEST_SUITE_P(
    Rows, MailCheckOutcome,
    testing::Values(
        OutcomeCase{"BothServicesAnswer", kFound, kFound, false, Outcome::answered},
        OutcomeCase{"MailServerFromHostsFileWhereDomainIsUnknown", kFound, kNotFound, false, Outcome::answered},
        OutcomeCase{"OneServiceSilent", kFound, kFound, true, Outcome::not_answered},
        OutcomeCase{"DomainDoesNotExist", kNotFound, kNotFound, false, Outcome::no_domain},
        OutcomeCase{"DomainDoesNotExistMailUnanswered", kNoAnswer, kNotFound, false, Outcome::no_domain},
        OutcomeCase{"MailServerDoesNotExist", kNotFound, kFound, false, Outcome::no_mail_server},
        OutcomeCase{"MailServerDoesNotExistDomainWithoutAddress", kNotFound, kNoAddress, false,
                    Outcome::no_mail_server},
        OutcomeCase{"MailServerDoesNotExistDomainUnanswered", kNotFound, std::nullopt, false, Outcome::no_mail_server},
        OutcomeCase{"NoAnswerAtAll", std::nullopt, std::nullopt, false, Outcome::unknown},
        OutcomeCase{"NoAnswerForMailDomainExists", kNoAnswer, kFound, false, Outcome::unknown},
        OutcomeCase{"MailServerWithoutAddress", kNoAddress, kFound, false, Outcome::unknown}),
    [](const testing::TestParamInfo<OutcomeCase>& info) { return info.param.name; });

TEST(MailCheckOutcome, ResolverSilentPastTheLimitIsNoAnswerByTheLimit) {
  const milliseconds limit(800);
  auto resolver = std::make_shared<TableResolver>(
      std::map<std::string, net::Lookup>{{"ornek.test", {LookupStatus::not_found, {}}}}, milliseconds(3000));
  const auto start = net::Clock::now();
  const auto report = mailcheck::check_mail_server("ali@ornek.test", resolver, limit);
  // Room for a loaded machine, and still well before the resolver answers.
  EXPECT_LE(net::Clock::now() - start, limit + milliseconds(1500));
  EXPECT_EQ(report.outcome, Outcome::unknown);
}

// The upgrade without the sockets (natively there is no TLS to go through):
// STARTTLS only where offered, the handshake after a 220, EHLO again, and
// the AUTH names of the answer over TLS in place of those given in clear.
TEST(SmtpUpgrade, AsksEhloAgainOverTlsAndCountsItsAuthNames) {
  using Kind = mailcheck::Step::Kind;
  mailcheck::SmtpDialogue smtp("[127.0.0.1]", true);
  const std::pair<const char*, mailcheck::Step> steps[] = {
      {"220 mail.ornek.test ESMTP", {Kind::send, "EHLO [127.0.0.1]\r\n"}},
      {"250-mail.ornek.test", {}},
      {"250-AUTH PLAIN", {}},
      {"250 STARTTLS", {Kind::send, "STARTTLS\r\n"}},
      {"220 go ahead", {Kind::start_tls, {}}},
      {nullptr, {Kind::send, "EHLO [127.0.0.1]\r\n"}},  // the handshake is done
      {"250-mail.ornek.test", {}},
      {"250 AUTH LOGIN XOAUTH2", {Kind::send, "QUIT\r\n"}},
  };
  for (const auto& [line, step] : steps) EXPECT_EQ(line ? smtp.on_line(line) : smtp.on_tls_started(), step) << line;
  EXPECT_TRUE(smtp.finished());
  EXPECT_TRUE(smtp.findings().upgraded);
  EXPECT_EQ(smtp.findings().auth_mechanisms, (std::vector<std::string>{"LOGIN", "XOAUTH2"}));
  // A fault over TLS loses the upgrade, not the answer in clear.
  mailcheck::SmtpDialogue broken("[127.0.0.1]", true);
  for (const char* line : {"220 x", "250-x", "250-AUTH PLAIN", "250 STARTTLS", "220 go"}) broken.on_line(line);
  broken.on_tls_started();
  EXPECT_EQ(broken.on_line("421 bye").kind, Kind::finished);
  EXPECT_TRUE(broken.findings().answered);
  EXPECT_FALSE(broken.findings().upgraded);
  EXPECT_EQ(broken.findings().auth_mechanisms, std::vector<std::string>{"PLAIN"});
}

// --- the names looked up: IDNA forms, and no lookup at all for a name that cannot be a host ---

struct DomainCase {
  std::string email;
  std::vector<std::string> asked;  // sorted; none: the domain is no valid host name (outcome D at once)
};

class MailCheckDomain : public testing::TestWithParam<DomainCase> {};

TEST_P(MailCheckDomain, LooksUpItsAsciiFormOrNothing) {
  const DomainCase& row = GetParam();
  auto resolver = std::make_shared<TableResolver>(std::map<std::string, net::Lookup>{});
  const auto report = mailcheck::check_mail_server(row.email, resolver, milliseconds(2000));
  auto asked = resolver->asked();
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, row.asked);
  EXPECT_EQ(report.outcome, row.asked.empty() ? Outcome::no_domain : Outcome::unknown);
}

const std::string k63(63, 'a');

INSTANTIATE_TEST_SUITE_P(
    Rows, MailCheckDomain,
    testing::Values(DomainCase{"ali@ornek.com.tr", {"mail.ornek.com.tr", "ornek.com.tr"}},
                    DomainCase{"ali@örnek.com.tr", {"mail.xn--rnek-4qa.com.tr", "xn--rnek-4qa.com.tr"}},
                    DomainCase{"ali@ÖRNEK.com.tr", {"mail.xn--rnek-4qa.com.tr", "xn--rnek-4qa.com.tr"}},
                    DomainCase{"ali@çağrı-şirketi.com.tr",
                               {"mail.xn--ar-irketi-p3a13dzg6v.com.tr", "xn--ar-irketi-p3a13dzg6v.com.tr"}},
                    DomainCase{"ali@" + k63 + ".com", {k63 + ".com", "mail." + k63 + ".com"}}, DomainCase{"ali@", {}},
                    DomainCase{"ali@ornek..com", {}}, DomainCase{"ali@.ornek.com", {}},
                    DomainCase{"ali@ornek.com.", {}}, DomainCase{"ali@" + k63 + "a.com", {}},
                    DomainCase{"ali@orn_ek.com", {}}, DomainCase{"ali@orn ek.com", {}},
                    DomainCase{"ali@-ornek.com", {}}, DomainCase{"ali@ornek-.com", {}},
                    DomainCase{"ali@x@ornek.com", {}}, DomainCase{"ali@192.168.1.1", {}},
                    // 61 letters that become a label of 68 in punycode
                    DomainCase{"ali@" +
                                   [] {
                                     std::string label;
                                     for (int i = 0; i < 59; ++i) label += "ş";
                                     return label + "ab";
                                   }() +
                                   ".com",
                               {}},
                    // 249 bytes: mail.<domain> would be 254
                    DomainCase{"ali@" + k63 + "." + k63 + "." + k63 + "." + std::string(57, 'b'), {}}));

TEST(NetAddress, TextIsTheShortestForm) {
  const auto v6 = [](std::vector<unsigned> groups) {
    Address address;
    address.family = Address::Family::v6;
    for (std::size_t i = 0; i < 8; ++i) {
      address.bytes[2 * i] = static_cast<unsigned char>(groups[i] >> 8);
      address.bytes[2 * i + 1] = static_cast<unsigned char>(groups[i] & 0xFF);
    }
    return address.text();
  };
  EXPECT_EQ(Address::v4(192, 0, 2, 7).text(), "192.0.2.7");
  EXPECT_EQ(Address::v6_loopback().text(), "::1");
  EXPECT_EQ(v6({0, 0, 0, 0, 0, 0, 0, 0}), "::");
  EXPECT_EQ(v6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1");
  EXPECT_EQ(v6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1");
  EXPECT_EQ(v6({1, 0, 0, 0, 0, 0, 0, 0}), "1::");
}

}  // namespace
