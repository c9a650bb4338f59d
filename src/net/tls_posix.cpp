// The native build has no TLS: every handshake fails, so the encrypted
// routes of the server check never answer there.
#include "net/tls.h"

namespace net {

struct TlsSession::State {
  PeerCertificate certificate;
};

bool tls_available() { return false; }
void tls_warm_up() {}

TlsSession::TlsSession(Connection& /*connection*/, const std::string& /*server_name*/)
    : state_(std::make_unique<State>()) {}
TlsSession::TlsSession(TlsSession&&) noexcept = default;
TlsSession& TlsSession::operator=(TlsSession&&) noexcept = default;
TlsSession::~TlsSession() = default;

IoStatus TlsSession::handshake(Deadline /*deadline*/) { return IoStatus::failed; }
IoStatus TlsSession::send_all(std::string_view /*bytes*/, Deadline /*deadline*/) { return IoStatus::failed; }
IoStatus TlsSession::receive(char* /*buffer*/, std::size_t /*size*/, std::size_t& received, Deadline /*deadline*/) {
  received = 0;
  return IoStatus::failed;
}
const PeerCertificate& TlsSession::certificate() const { return state_->certificate; }

}  // namespace net
