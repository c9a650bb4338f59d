// Sockets and the name resolver of the system, in the program's own terms:
// TCP connections whose every wait ends by a deadline, and a lookup that
// tells "the name does not exist" apart from "no answer". Winsock on Windows,
// POSIX sockets natively; nothing here knows what is spoken over them.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// An IPv4 or IPv6 address, its bytes in network order (the first four for IPv4).
struct Address {
  enum class Family : unsigned char { v4, v6 };
  Family family = Family::v4;
  std::array<unsigned char, 16> bytes{};

  static Address v4(unsigned char a, unsigned char b, unsigned char c, unsigned char d);
  static Address v6_loopback();
  // 192.0.2.7, or 2001:db8::7 in the shortest form (RFC 5952).
  std::string text() const;
  bool operator==(const Address&) const = default;
};

// What a name server said of a name.
enum class LookupStatus {
  found,       // the name has addresses
  no_address,  // the name exists, without an address
  not_found,   // the name does not exist (NXDOMAIN, or the hosts file's "no")
  no_answer,   // no server, a time-out, a server failure: nothing is known
};

struct Lookup {
  LookupStatus status = LookupStatus::no_answer;
  std::vector<Address> addresses;  // when found: IPv4 and IPv6, in the resolver's order
};

// Looks names up. The system's resolver reads the hosts file and asks the
// configured name servers; tests hand in one of their own.
class Resolver {
 public:
  virtual ~Resolver() = default;
  // host is an ASCII host name (an internationalised name in its IDNA form).
  // May block for as long as the system takes: callers that need a deadline
  // run it on a thread of its own.
  virtual Lookup lookup(const std::string& host) = 0;
};

Resolver& system_resolver();

// The IDNA (punycode) form of a UTF-8 host name, converted by the system
// where it can (IdnToAscii on Windows): "örnek.com.tr" gives
// "xn--rnek-4qa.com.tr". Nothing when the text cannot be converted. Labels
// are not checked against the host-name rules here.
std::optional<std::string> host_to_ascii(std::string_view utf8);

// The result of a wait on a connection.
enum class IoStatus { ok, closed, timed_out, failed };

// A TCP connection; every call returns by its deadline.
class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  Connection(Connection&& other) noexcept;
  Connection& operator=(Connection&& other) noexcept;
  ~Connection();

  // Connects to the address and port, or gives an invalid connection
  // (refused, unreachable, or no answer by the deadline).
  static Connection connect(const Address& address, std::uint16_t port, Deadline deadline);

  bool valid() const { return handle_ != kInvalid; }
  // Sends all of the bytes: ok, or failed (also when the deadline passes).
  IoStatus send_all(std::string_view bytes, Deadline deadline);
  // Receives some bytes into buffer (received tells how many): ok with at
  // least one byte, closed by the peer, timed_out, or failed.
  IoStatus receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline);
  // This end's address, as the peer sees it.
  std::optional<Address> local_address() const;
  void close();

 private:
  friend class Listener;
  static constexpr std::intptr_t kInvalid = -1;
  explicit Connection(std::intptr_t handle) : handle_(handle) {}
  std::intptr_t handle_ = kInvalid;
};

// A listening TCP socket, for the programs that play a server on loopback
// (tests, benchmarks).
class Listener {
 public:
  Listener() = default;
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  Listener(Listener&& other) noexcept;
  Listener& operator=(Listener&& other) noexcept;
  ~Listener();

  // Listens on the address and port (0: a free port of the system's choice);
  // invalid when the port cannot be had.
  static Listener listen(const Address& address, std::uint16_t port);

  bool valid() const { return handle_ != kInvalid; }
  std::uint16_t port() const { return port_; }
  // The next connection, or an invalid one when none came by the deadline.
  Connection accept(Deadline deadline);
  void close();

 private:
  static constexpr std::intptr_t kInvalid = -1;
  std::intptr_t handle_ = kInvalid;
  std::uint16_t port_ = 0;
};

}  // namespace net
