// Sockets and the resolver of the native build: POSIX sockets, poll() for
// every wait, getaddrinfo() for lookups (the hosts file and the name servers
// of resolv.conf).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>

#include "net/net.h"
#include "net/socket_close.h"

namespace net {

namespace {

int remaining_ms(Deadline deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

enum class Wait { ready, timed_out, failed };

Wait wait_for(int fd, short events, Deadline deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int n = ::poll(&entry, 1, remaining_ms(deadline));
    if (n > 0) return Wait::ready;  // an error or hang-up shows in the call that follows
    if (n == 0) {
      if (Clock::now() >= deadline) return Wait::timed_out;
      continue;
    }
    if (errno != EINTR) return Wait::failed;
  }
}

socklen_t to_sockaddr(const Address& address, std::uint16_t port, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof storage);
  if (address.family == Address::Family::v4) {
    auto& in = reinterpret_cast<sockaddr_in&>(storage);
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    std::memcpy(&in.sin_addr, address.bytes.data(), 4);
    return sizeof in;
  }
  auto& in6 = reinterpret_cast<sockaddr_in6&>(storage);
  in6.sin6_family = AF_INET6;
  in6.sin6_port = htons(port);
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

int open_socket(const Address& address) {
  return ::socket(address.family == Address::Family::v4 ? AF_INET : AF_INET6,
                  SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

class SystemResolver : public Resolver {
 public:
  Lookup lookup(const std::string& host) override {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    Lookup lookup;
    switch (result) {
      case 0:
        for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
          const auto address = from_sockaddr(entry->ai_addr);
          if (address &&
              std::find(lookup.addresses.begin(), lookup.addresses.end(), *address) == lookup.addresses.end()) {
            lookup.addresses.push_back(*address);
          }
        }
        ::freeaddrinfo(list);
        lookup.status = lookup.addresses.empty() ? LookupStatus::no_address : LookupStatus::found;
        break;
      case EAI_NONAME: lookup.status = LookupStatus::not_found; break;
#ifdef EAI_NODATA
      case EAI_NODATA: lookup.status = LookupStatus::no_address; break;
#endif
      default:  // EAI_AGAIN (no server, time-out, server failure), EAI_FAIL, EAI_SYSTEM, ...
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

void close_socket(std::intptr_t handle) { ::close(static_cast<int>(handle)); }

Connection Connection::connect(const Address& address, std::uint16_t port, Deadline deadline) {
  Connection connection(open_socket(address));
  if (!connection.valid()) return {};
  const int fd = static_cast<int>(connection.handle_);
  sockaddr_storage storage;
  const socklen_t length = to_sockaddr(address, port, storage);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&storage), length) == 0) return connection;
  if (errno != EINPROGRESS && errno != EINTR) return {};
  if (wait_for(fd, POLLOUT, deadline) != Wait::ready) return {};
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return {};
  return connection;
}

IoStatus Connection::send_all(std::string_view bytes, Deadline deadline) {
  const int fd = static_cast<int>(handle_);
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(sent));
      continue;
    }
    if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return IoStatus::failed;
    if (wait_for(fd, POLLOUT, deadline) != Wait::ready) return IoStatus::failed;
  }
  return IoStatus::ok;
}

IoStatus Connection::receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline) {
  received = 0;
  const int fd = static_cast<int>(handle_);
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, size, 0);
    if (n > 0) {
      received = static_cast<std::size_t>(n);
      return IoStatus::ok;
    }
    if (n == 0) return IoStatus::closed;
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return IoStatus::failed;
    switch (wait_for(fd, POLLIN, deadline)) {
      case Wait::ready: break;
      case Wait::timed_out: return IoStatus::timed_out;
      case Wait::failed: return IoStatus::failed;
    }
  }
}

std::optional<Address> Connection::local_address() const {
  sockaddr_storage storage{};
  socklen_t length = sizeof storage;
  if (::getsockname(static_cast<int>(handle_), reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    return std::nullopt;
  }
  return from_sockaddr(reinterpret_cast<const sockaddr*>(&storage));
}

Listener Listener::listen(const Address& address, std::uint16_t port) {
  Listener listener;
  const int fd = open_socket(address);
  if (fd < 0) return listener;
  listener.handle_ = fd;
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_storage storage;
  socklen_t length = to_sockaddr(address, port, storage);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&storage), length) != 0 || ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
    listener.close();
    return listener;
  }
  listener.port_ = ntohs(address.family == Address::Family::v4 ? reinterpret_cast<sockaddr_in&>(storage).sin_port
                                                               : reinterpret_cast<sockaddr_in6&>(storage).sin6_port);
  return listener;
}

Connection Listener::accept(Deadline deadline) {
  const int fd = static_cast<int>(handle_);
  for (;;) {
    const int accepted = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (accepted >= 0) return Connection(accepted);
    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED) return {};
    if (wait_for(fd, POLLIN, deadline) != Wait::ready) return {};
  }
}

}  // namespace net
