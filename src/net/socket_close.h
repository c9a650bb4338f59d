// The one system call that the connection's and the listener's shared members
// (socket_shared.cpp) need from each build.
#pragma once

#include <cstdint>

namespace net {

// Closes a socket handle that is open: close() natively, closesocket() on
// Windows.
void close_socket(std::intptr_t handle);

}  // namespace net
