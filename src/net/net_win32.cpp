// Sockets and the resolver of the Windows build: Winsock, select() for every
// wait, GetAddrInfoW for lookups (the hosts file and the system's name
// servers; it converts an internationalised name itself), and DnsQuery_W to
// tell a name without an address from one that does not exist.
#include <winsock2.h>
#include <ws2tcpip.h>

// windns.h leans on the types that the two above bring in.
#include <windns.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "net/net.h"
#include "net/socket_close.h"

namespace net {

namespace {

// Winsock is started once, on first use, and left running until the process ends.
bool winsock_started() {
  static const bool started = [] {
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

long long remaining_ms(Deadline deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return std::clamp<long long>(left, 0, INT_MAX);
}

enum class Wait { ready, timed_out, failed };

// A connect in progress also reports its failure in the exception set.
Wait wait_for(SOCKET socket, bool for_writing, Deadline deadline, bool connecting = false) {
  for (;;) {
    fd_set ready;
    fd_set errors;
    FD_ZERO(&ready);
    FD_ZERO(&errors);
    FD_SET(socket, &ready);
    FD_SET(socket, &errors);
    const long long ms = remaining_ms(deadline);
    timeval timeout{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    const int n = ::select(0, for_writing ? nullptr : &ready, for_writing ? &ready : nullptr,
                           connecting ? &errors : nullptr, &timeout);
    if (n == SOCKET_ERROR) return Wait::failed;
    if (n == 0) {
      if (Clock::now() >= deadline) return Wait::timed_out;
      continue;
    }
    if (connecting && FD_ISSET(socket, &errors)) return Wait::failed;
    return Wait::ready;
  }
}

bool would_block() {
  const int error = ::WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}

int to_sockaddr(const Address& address, std::uint16_t port, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof storage);
  if (address.family == Address::Family::v4) {
    auto& in = reinterpret_cast<sockaddr_in&>(storage);
    in.sin_family = AF_INET;
    in.sin_port = ::htons(port);
    std::memcpy(&in.sin_addr, address.bytes.data(), 4);
    return sizeof in;
  }
  auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
  in6.sin6_family = AF_INET6;
  in6.sin6_port = ::htons(port);
  std::memcpy(&in6.sin6_addr, address.bytes.data(), 16);
  return sizeof in6;
}

std::optional<Address> from_sockaddr(const sockaddr* raw) {
  Address address;
  if (raw->sa_family == AF_INET) {
    std::memcpy(address.bytes.data(), &reinterpret_cast<const sockaddr_in*>(raw)->sin_addr, 4);
    return address;
  }
  if (raw->sa_family == AF_INET6) {
    address.family = Address::Family::v6;
    std::memcpy(address.bytes.data(), &reinterpret_cast<const sockaddr_in6*>(raw)->sin6_addr, 16);
    return address;
  }
  return std::nullopt;
}

// A non-blocking socket that a started program does not inherit.
SOCKET open_socket(const Address& address) {
  if (!winsock_started()) return INVALID_SOCKET;
  const int family = address.family == Address::Family::v4 ? AF_INET : AF_INET6;
  SOCKET socket = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (socket == INVALID_SOCKET) {
    socket = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, 0);
    if (socket != INVALID_SOCKET) ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  }
  if (socket == INVALID_SOCKET) return socket;
  u_long non_blocking = 1;
  if (::ioctlsocket(socket, FIONBIO, &non_blocking) != 0) {
    ::closesocket(socket);
    return INVALID_SOCKET;
  }
  return socket;
}

SOCKET as_socket(std::intptr_t handle) { return static_cast<SOCKET>(handle); }

// GetAddrInfoW reports a name that exists without an address as 11001 too.
// Its SOA record tells them apart: found, or "no records", means the name
// exists; only the name server's own "no such name" (9003) means it does not.
// Anything else (a time-out, no server, a refusal) is no answer: nothing is
// known then. (Wine reports a name without an address as 9003 too, so there
// the two stay one.)
LookupStatus status_after_host_not_found(const std::wstring& host) {
  PDNS_RECORD records = nullptr;
  const DNS_STATUS status = ::DnsQuery_W(host.c_str(), DNS_TYPE_SOA, DNS_QUERY_STANDARD, nullptr, &records, nullptr);
  if (records != nullptr) ::DnsRecordListFree(records, DnsFreeRecordList);
  if (status == ERROR_SUCCESS || status == DNS_INFO_NO_RECORDS) return LookupStatus::no_address;
  if (status == DNS_ERROR_RCODE_NAME_ERROR) return LookupStatus::not_found;
  return LookupStatus::no_answer;
}

class SystemResolver : public Resolver {
 public:
  Lookup lookup(const std::string& host) override {
    Lookup lookup;
    if (!winsock_started()) return lookup;
    const std::wstring wide(host.begin(), host.end());  // ASCII
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* list = nullptr;
    switch (::GetAddrInfoW(wide.c_str(), nullptr, &hints, &list)) {
      case 0:
        for (const ADDRINFOW* entry = list; entry != nullptr; entry = entry->ai_next) {
          const auto address = from_sockaddr(entry->ai_addr);
          if (address &&
              std::find(lookup.addresses.begin(), lookup.addresses.end(), *address) == lookup.addresses.end()) {
            lookup.addresses.push_back(*address);
          }
        }
        ::FreeAddrInfoW(list);
        lookup.status = lookup.addresses.empty() ? LookupStatus::no_address : LookupStatus::found;
        break;
      case WSAHOST_NOT_FOUND:  // 11001: NXDOMAIN, or a name without an address
        lookup.status = status_after_host_not_found(wide);
        break;
      case WSANO_DATA:  // 11004: the name exists, without an address
        lookup.status = LookupStatus::no_address;
        break;
      default:  // WSATRY_AGAIN (no server, time-out, server failure), WSANO_RECOVERY, ...
        lookup.status = LookupStatus::no_answer;
        break;
    }
    return lookup;
  }
};

}  // namespace

Resolver& system_resolver() {
  static SystemResolver resolver;
  return resolver;
}

void close_socket(std::intptr_t handle) { ::closesocket(as_socket(handle)); }

Connection Connection::connect(const Address& address, std::uint16_t port, Deadline deadline) {
  const SOCKET socket = open_socket(address);
  if (socket == INVALID_SOCKET) return {};
  Connection connection(static_cast<std::intptr_t>(socket));
  sockaddr_storage storage;
  const int length = to_sockaddr(address, port, storage);
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&storage), length) == 0) return connection;
  if (!would_block()) return {};
  if (wait_for(socket, true, deadline, true) != Wait::ready) return {};
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
    return {};
  }
  return connection;
}

IoStatus Connection::send_all(std::string_view bytes, Deadline deadline) {
  const SOCKET socket = as_socket(handle_);
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
    const int sent = ::send(socket, bytes.data(), chunk, 0);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent == SOCKET_ERROR && !would_block()) return IoStatus::failed;
    if (wait_for(socket, true, deadline) != Wait::ready) return IoStatus::failed;
  }
  return IoStatus::ok;
}

IoStatus Connection::receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline) {
  received = 0;
  const SOCKET socket = as_socket(handle_);
  const int chunk = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
  for (;;) {
    const int n = ::recv(socket, buffer, chunk, 0);
    if (n > 0) {
      received = static_cast<std::size_t>(n);
      return IoStatus::ok;
    }
    if (n == 0) return IoStatus::closed;
    if (!would_block()) return ::WSAGetLastError() == WSAECONNRESET ? IoStatus::closed : IoStatus::failed;
    switch (wait_for(socket, false, deadline)) {
      case Wait::ready: break;
      case Wait::timed_out: return IoStatus::timed_out;
      case Wait::failed: return IoStatus::failed;
    }
  }
}

std::optional<Address> Connection::local_address() const {
  sockaddr_storage storage{};
  int length = sizeof storage;
  if (::getsockname(as_socket(handle_), reinterpret_cast<sockaddr*>(&storage), &length) != 0) return std::nullopt;
  return from_sockaddr(reinterpret_cast<const sockaddr*>(&storage));
}

Listener Listener::listen(const Address& address, std::uint16_t port) {
  Listener listener;
  const SOCKET socket = open_socket(address);
  if (socket == INVALID_SOCKET) return listener;
  listener.handle_ = static_cast<std::intptr_t>(socket);
  // Windows lets a second socket take a port in use when SO_REUSEADDR is
  // set; SO_EXCLUSIVEADDRUSE keeps the port ours.
  const BOOL on = TRUE;
  ::setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  sockaddr_storage storage;
  int length = to_sockaddr(address, port, storage);
  if (::bind(socket, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(socket, 16) != 0 ||
      ::getsockname(socket, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    listener.close();
    return listener;
  }
  listener.port_ = ::ntohs(address.family == Address::Family::v4 ? reinterpret_cast<sockaddr_in&>(storage).sin_port
                                                                 : reinterpret_cast<sockaddr_in6&>(storage).sin6_port);
  return listener;
}

Connection Listener::accept(Deadline deadline) {
  const SOCKET socket = as_socket(handle_);
  for (;;) {
    const SOCKET accepted = ::accept(socket, nullptr, nullptr);
    if (accepted != INVALID_SOCKET) {
      // A socket accepted from a non-blocking one is non-blocking too.
      ::SetHandleInformation(reinterpret_cast<HANDLE>(accepted), HANDLE_FLAG_INHERIT, 0);
      return Connection(static_cast<std::intptr_t>(accepted));
    }
    if (!would_block() && ::WSAGetLastError() != WSAECONNRESET) return {};
    if (wait_for(socket, false, deadline) != Wait::ready) return {};
  }
}

}  // namespace net
