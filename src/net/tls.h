// TLS over a connection, from the system: Schannel (SSPI and crypt32's chain
// and SSL policy) on Windows; natively a stand-in that has none. Only what a
// client needs: the handshake with a server name (SNI and the certificate
// check), then bytes in and out, every wait ending by a deadline, and what
// the server's certificate was found to be. TLS 1.2 or later only.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "net/net.h"

namespace net {

// What the server's certificate was found to be, as Windows would judge it.
enum class CertificateStatus {
  none,         // no certificate came (no handshake, or it failed before one did)
  trusted,      // the chain has no trust error and the SSL policy passes for the server name
  other_name,   // the policy says the name does not match (CERT_E_CN_NO_MATCH)
  expired,      // CERT_E_EXPIRED, or the chain's time-not-valid bit
  not_trusted,  // anything else: an unknown root, a partial chain, a revoked or malformed certificate
};

struct PeerCertificate {
  CertificateStatus status = CertificateStatus::none;
  // The certificate's first DNS name (UTF-8, as the system gave it; not yet
  // checked for what it holds), whenever a certificate came.
  std::string dns_name;
};

// Whether this build has TLS at all (false natively).
bool tls_available();

// Loads the system's trusted roots ahead of the first certificate verdict,
// which otherwise pays for it: 200-700 ms under Wine, which reads the host's
// bundle then. Blocks for that long; safe to call from any thread, any
// number of times (natively it does nothing).
void tls_warm_up();

// A TLS client session over a connection that outlives it. Not copyable;
// frees its security context and credentials on every path.
class TlsSession {
 public:
  // server_name: the ASCII (IDNA) host name that the certificate must carry.
  TlsSession(Connection& connection, const std::string& server_name);
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;
  TlsSession(TlsSession&&) noexcept;
  TlsSession& operator=(TlsSession&&) noexcept;
  ~TlsSession();

  // Runs the handshake until it completes (ok), fails (failed, closed) or
  // the deadline passes (timed_out: it may be called again with a later
  // deadline and goes on where it stopped). After ok, certificate() tells
  // the verdict; the session is usable whatever the verdict.
  IoStatus handshake(Deadline deadline);
  // After a completed handshake: as Connection's members, through TLS.
  IoStatus send_all(std::string_view bytes, Deadline deadline);
  IoStatus receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline);
  const PeerCertificate& certificate() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace net
