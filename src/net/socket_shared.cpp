// What Connection and Listener do alike in both builds: a socket handle owned
// once, handed on by a move and closed exactly once.
#include <utility>

#include "net/net.h"
#include "net/socket_close.h"

namespace net {

Connection::Connection(Connection&& other) noexcept : handle_(std::exchange(other.handle_, kInvalid)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kInvalid);
  }
  return *this;
}

Connection::~Connection() { close(); }

void Connection::close() {
  if (handle_ != kInvalid) close_socket(std::exchange(handle_, kInvalid));
}

Listener::Listener(Listener&& other) noexcept
    : handle_(std::exchange(other.handle_, kInvalid)), port_(std::exchange(other.port_, 0)) {}

Listener& Listener::operator=(Listener&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, kInvalid);
    port_ = std::exchange(other.port_, 0);
  }
  return *this;
}

Listener::~Listener() { close(); }

void Listener::close() {
  if (handle_ != kInvalid) close_socket(std::exchange(handle_, kInvalid));
}

}  // namespace net
