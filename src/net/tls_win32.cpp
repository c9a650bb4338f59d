// TLS of the Windows build: Schannel through SSPI for the session, crypt32's
// chain engine and SSL policy for the verdict on the server's certificate.
// The handshake completes whatever the certificate (manual validation); the
// verdict is worked out once it has. Bytes from the server reach Schannel
// only as whole records (TlsRecords), so no more than two records wait here
// beyond what Schannel itself holds, and clear text fails at its first bytes.
#include <windows.h>

#define SECURITY_WIN32
// SCH_CREDENTIALS and TLS_PARAMETERS, which need UNICODE_STRING.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
// (schannel.h after subauth.h)
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "net/tls.h"
#include "net/tls_records.h"

namespace net {

namespace {

// A certificate chain of megabytes is no mail server's: beyond this much the
// handshake fails, whatever Schannel would still take.
constexpr std::size_t kMaxHandshakeBytes = 128 * 1024;

constexpr DWORD kProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

constexpr ULONG kContextRequest = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                  ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

struct Credentials {
  CredHandle handle{};
  bool valid = false;
  Credentials() = default;
  Credentials(const Credentials&) = delete;
  Credentials& operator=(const Credentials&) = delete;
  ~Credentials() {
    if (valid) ::FreeCredentialsHandle(&handle);
  }
};

struct Context {
  CtxtHandle handle{};
  bool valid = false;
  Context() = default;
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  ~Context() {
    if (valid) ::DeleteSecurityContext(&handle);
  }
};

// An output token that Schannel allocated.
struct Token {
  SecBuffer buffer{0, SECBUFFER_TOKEN, nullptr};
  Token() = default;
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;
  ~Token() {
    if (buffer.pvBuffer != nullptr) ::FreeContextBuffer(buffer.pvBuffer);
  }
  std::string_view bytes() const { return {static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer}; }
};

struct CertificateGuard {
  PCCERT_CONTEXT context = nullptr;
  CertificateGuard() = default;
  CertificateGuard(const CertificateGuard&) = delete;
  CertificateGuard& operator=(const CertificateGuard&) = delete;
  ~CertificateGuard() {
    if (context != nullptr) ::CertFreeCertificateContext(context);
  }
};

struct ChainGuard {
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  ChainGuard() = default;
  ChainGuard(const ChainGuard&) = delete;
  ChainGuard& operator=(const ChainGuard&) = delete;
  ~ChainGuard() {
    if (chain != nullptr) ::CertFreeCertificateChain(chain);
  }
};

std::wstring widen_ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::string to_utf8(const wchar_t* text, int length) {
  if (length <= 0) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// TLS 1.2 and later: SCH_CREDENTIALS disables everything older where the
// system knows the structure (Windows 10 1809 and later); SCHANNEL_CRED
// enables 1.2 and 1.3 on older systems, or 1.2 alone where 1.3 is unknown.
// Wine 8 takes SCH_CREDENTIALS but ignores what it disables (it agrees TLS
// 1.1 with a server that offers no more), so the protocol agreed is checked
// after the handshake: nothing goes over a session older than 1.2.
bool acquire(Credentials& credentials) {
  constexpr DWORD kFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols = ~kProtocols;
  SCH_CREDENTIALS modern{};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = kFlags;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &parameters;
  SCHANNEL_CRED older{};
  older.dwVersion = SCHANNEL_CRED_VERSION;
  older.dwFlags = kFlags;
  older.grbitEnabledProtocols = kProtocols;
  SCHANNEL_CRED oldest = older;
  oldest.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  void* const tries[] = {&modern, &older, &oldest};
  for (void* data : tries) {
    wchar_t package[] = UNISP_NAME_W;
    if (::AcquireCredentialsHandleW(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, data, nullptr, nullptr,
                                    &credentials.handle, nullptr) == SEC_E_OK) {
      credentials.valid = true;
      return true;
    }
  }
  return false;
}

CertificateStatus judge(PCCERT_CONTEXT certificate, const std::wstring& server_name) {
  LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chain_para{};
  chain_para.cbSize = sizeof chain_para;
  chain_para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chain_para.RequestedUsage.Usage.cUsageIdentifier = 1;
  chain_para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  ChainGuard chain;
  if (::CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chain_para, 0, nullptr,
                                &chain.chain) == FALSE) {
    return CertificateStatus::not_trusted;
  }
  const DWORD trust = chain.chain->TrustStatus.dwErrorStatus;

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(server_name.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  const bool checked =
      ::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.chain, &policy, &status) != FALSE;
  const auto error = static_cast<HRESULT>(status.dwError);
  if (checked && error == 0 && trust == CERT_TRUST_NO_ERROR) return CertificateStatus::trusted;
  if (checked && error == CERT_E_CN_NO_MATCH) return CertificateStatus::other_name;
  if ((checked && error == CERT_E_EXPIRED) || (trust & CERT_TRUST_IS_NOT_TIME_VALID) != 0) {
    return CertificateStatus::expired;
  }
  return CertificateStatus::not_trusted;
}

std::string first_dns_name(PCCERT_CONTEXT certificate) {
  constexpr DWORD kMaxName = 1024;
  std::wstring name(kMaxName, L'\0');
  const DWORD length = ::CertGetNameStringW(certificate, CERT_NAME_DNS_TYPE, 0, nullptr, name.data(), kMaxName);
  // The length counts the closing NUL; 1 means no name.
  name.resize(length > 0 ? length - 1 : 0);
  name.resize(std::wcslen(name.c_str()));
  return to_utf8(name.c_str(), static_cast<int>(name.size()));
}

}  // namespace

struct TlsSession::State {
  enum class Phase { start, handshake, open, closed, failed };

  Connection* connection;
  std::wstring server_name;
  Credentials credentials;
  Context context;
  Phase phase = Phase::start;
  TlsRecords records;
  bool need_more = false;  // Schannel wants more than the records held
  ULONG request = kContextRequest;
  std::size_t received_bytes = 0;
  SecPkgContext_StreamSizes sizes{};
  std::string plain;  // decrypted, not yet handed out
  std::size_t plain_at = 0;
  PeerCertificate certificate;

  State(Connection& c, const std::string& name) : connection(&c), server_name(widen_ascii(name)) {}
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  ~State() { close_notify(); }

  IoStatus fail() {
    phase = Phase::failed;
    return IoStatus::failed;
  }

  // One step of InitializeSecurityContextW over the whole records held;
  // what it answers goes out at once (sent tells how that went).
  SECURITY_STATUS initialize(Deadline deadline, IoStatus& sent) {
    const std::span<char> input = records.whole();
    SecBuffer in_buffers[2] = {{static_cast<unsigned long>(input.size()), SECBUFFER_TOKEN, input.data()},
                               {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc in{SECBUFFER_VERSION, 2, in_buffers};
    Token token;
    SecBufferDesc out{SECBUFFER_VERSION, 1, &token.buffer};
    ULONG attributes = 0;
    const bool first = !context.valid;
    const SECURITY_STATUS status = ::InitializeSecurityContextW(
        &credentials.handle, first ? nullptr : &context.handle, server_name.data(), request, 0, 0,
        first ? nullptr : &in, 0, &context.handle, &out, &attributes, nullptr);
    if (first && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) context.valid = true;
    need_more = status == SEC_E_INCOMPLETE_MESSAGE;
    // Asked for a client certificate, Schannel takes nothing yet: the same
    // records go again, with the word to go on without one.
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) request |= ISC_REQ_USE_SUPPLIED_CREDS;
    if (!need_more && status != SEC_I_INCOMPLETE_CREDENTIALS) {
      const std::size_t extra = in_buffers[1].BufferType == SECBUFFER_EXTRA ? in_buffers[1].cbBuffer : 0;
      records.consume(input.size() - std::min<std::size_t>(extra, input.size()));
    }
    sent = IoStatus::ok;
    if (token.buffer.pvBuffer != nullptr && token.buffer.cbBuffer > 0) {
      sent = connection->send_all(token.bytes(), deadline);
    }
    return status;
  }

  // Waits until a whole record is held that Schannel has not yet been
  // given in vain.
  IoStatus receive_records(Deadline deadline) {
    const std::size_t want = need_more ? records.whole().size() + 1 : 1;
    while (records.whole().size() < want) {
      const std::span<char> space = records.space();
      if (space.empty()) return IoStatus::failed;  // a bad header, or full of what Schannel cannot take
      std::size_t received = 0;
      const IoStatus status = connection->receive(space.data(), space.size(), received, deadline);
      if (status != IoStatus::ok) return status;
      records.commit(received);
      received_bytes += received;
    }
    return IoStatus::ok;
  }

  IoStatus handshake(Deadline deadline) {
    IoStatus sent = IoStatus::ok;
    if (phase == Phase::start) {
      phase = Phase::handshake;
      if (!acquire(credentials) || initialize(deadline, sent) != SEC_I_CONTINUE_NEEDED || sent != IoStatus::ok) {
        return fail();
      }
    }
    // Asked for a client certificate, Schannel is asked again at once and
    // goes on without; twice in a row is no handshake.
    int without_certificate = 0;
    for (;;) {
      if (Clock::now() >= deadline) return IoStatus::timed_out;
      if (without_certificate == 0) {
        const IoStatus received = receive_records(deadline);
        if (received == IoStatus::timed_out) return received;
        if (received != IoStatus::ok) {
          phase = received == IoStatus::closed ? Phase::closed : Phase::failed;
          return received;
        }
        if (received_bytes > kMaxHandshakeBytes) return fail();
      }
      const SECURITY_STATUS status = initialize(deadline, sent);
      // A send cut off leaves half a record on the wire: nothing can go on.
      if (sent != IoStatus::ok) return fail();
      switch (status) {
        case SEC_E_OK: return finish();
        case SEC_I_CONTINUE_NEEDED:
        case SEC_E_INCOMPLETE_MESSAGE: without_certificate = 0; break;
        case SEC_I_INCOMPLETE_CREDENTIALS:
          if (++without_certificate > 1) return fail();
          break;
        default: return fail();
      }
    }
  }

  IoStatus finish() {
    SecPkgContext_ConnectionInfo info{};
    if (::QueryContextAttributesW(&context.handle, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK ||
        (info.dwProtocol & kProtocols) == 0 ||
        ::QueryContextAttributesW(&context.handle, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK ||
        sizes.cbMaximumMessage == 0) {
      return fail();
    }
    CertificateGuard remote;
    if (::QueryContextAttributesW(&context.handle, SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                  static_cast<void*>(&remote.context)) == SEC_E_OK &&
        remote.context != nullptr) {
      certificate.status = judge(remote.context, server_name);
      certificate.dns_name = first_dns_name(remote.context);
    }
    phase = Phase::open;
    return IoStatus::ok;
  }

  IoStatus send_all(std::string_view bytes, Deadline deadline) {
    if (phase != Phase::open) return IoStatus::failed;
    std::string wire;
    while (!bytes.empty()) {
      const std::size_t chunk = std::min<std::size_t>(bytes.size(), sizes.cbMaximumMessage);
      wire.assign(sizes.cbHeader + chunk + sizes.cbTrailer, '\0');
      std::memcpy(wire.data() + sizes.cbHeader, bytes.data(), chunk);
      SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, wire.data()},
                              {static_cast<unsigned long>(chunk), SECBUFFER_DATA, wire.data() + sizes.cbHeader},
                              {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, wire.data() + sizes.cbHeader + chunk},
                              {0, SECBUFFER_EMPTY, nullptr}};
      SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
      if (::EncryptMessage(&context.handle, 0, &message, 0) != SEC_E_OK) return fail();
      wire.resize(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
      if (connection->send_all(wire, deadline) != IoStatus::ok) return fail();
      bytes.remove_prefix(chunk);
    }
    return IoStatus::ok;
  }

  IoStatus receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline) {
    received = 0;
    while (plain_at == plain.size()) {
      if (phase == Phase::closed) return IoStatus::closed;
      if (phase == Phase::handshake) {  // the server asked for more of it
        if (const IoStatus status = handshake(deadline); status != IoStatus::ok) return status;
        continue;
      }
      if (phase != Phase::open) return IoStatus::failed;
      // Empty records cost a loop each: the deadline is looked at every time.
      if (Clock::now() >= deadline) return IoStatus::timed_out;
      const IoStatus status = receive_records(deadline);
      if (status == IoStatus::timed_out) return status;
      if (status != IoStatus::ok) {
        phase = status == IoStatus::closed ? Phase::closed : Phase::failed;
        return status;
      }
      if (const IoStatus decrypted = decrypt(deadline); decrypted != IoStatus::ok) return decrypted;
    }
    received = std::min(size, plain.size() - plain_at);
    std::memcpy(buffer, plain.data() + plain_at, received);
    plain_at += received;
    return IoStatus::ok;
  }

  // Decrypts the first whole record held, in place.
  IoStatus decrypt(Deadline deadline) {
    const std::span<char> input = records.whole();
    SecBuffer buffers[4] = {{static_cast<unsigned long>(input.size()), SECBUFFER_DATA, input.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = ::DecryptMessage(&context.handle, &message, 0, nullptr);
    need_more = status == SEC_E_INCOMPLETE_MESSAGE;
    if (need_more) return IoStatus::ok;
    plain.clear();
    plain_at = 0;
    std::size_t extra = 0;
    for (const SecBuffer& b : buffers) {
      if (b.BufferType == SECBUFFER_DATA && b.pvBuffer != nullptr) {
        plain.assign(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
      } else if (b.BufferType == SECBUFFER_EXTRA) {
        extra = std::min<std::size_t>(b.cbBuffer, input.size());
      }
    }
    records.consume(input.size() - extra);
    switch (status) {
      case SEC_E_OK: return IoStatus::ok;
      case SEC_I_CONTEXT_EXPIRED:  // the server's close_notify
        phase = Phase::closed;
        return plain.empty() ? IoStatus::closed : IoStatus::ok;
      case SEC_I_RENEGOTIATE: {
        // Handshake messages after the handshake (TLS 1.3's session tickets,
        // a key update) go back through InitializeSecurityContextW, with
        // what is held after them; should it want more, the handshake goes
        // on at the next receive.
        phase = Phase::handshake;
        received_bytes = 0;
        IoStatus sent = IoStatus::ok;
        const SECURITY_STATUS again = initialize(deadline, sent);
        if (sent != IoStatus::ok) return fail();
        if (again == SEC_E_OK) return finish();
        return again == SEC_I_CONTINUE_NEEDED || again == SEC_E_INCOMPLETE_MESSAGE ? IoStatus::ok : fail();
      }
      default: return fail();
    }
  }

  // Best effort, never a wait: a close_notify that cannot go out at once is
  // given up.
  void close_notify() {
    if (phase != Phase::open) return;
    DWORD type = SCHANNEL_SHUTDOWN;
    SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
    SecBufferDesc controls{SECBUFFER_VERSION, 1, &control};
    if (::ApplyControlToken(&context.handle, &controls) != SEC_E_OK) return;
    Token token;
    SecBufferDesc out{SECBUFFER_VERSION, 1, &token.buffer};
    ULONG attributes = 0;
    const SECURITY_STATUS status =
        ::InitializeSecurityContextW(&credentials.handle, &context.handle, server_name.data(), request, 0, 0, nullptr,
                                     0, &context.handle, &out, &attributes, nullptr);
    if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && token.buffer.cbBuffer > 0) {
      connection->send_all(token.bytes(), Clock::now());
    }
  }
};

bool tls_available() { return true; }

void tls_warm_up() {
  // The system keeps its chain engine, with the roots it loaded, for the
  // rest of the process: one chain of one of those roots sets it up.
  HCERTSTORE roots = ::CertOpenSystemStoreW(0, L"ROOT");
  if (roots == nullptr) return;
  if (PCCERT_CONTEXT root = ::CertEnumCertificatesInStore(roots, nullptr); root != nullptr) {
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    ChainGuard chain;
    ::CertGetCertificateChain(nullptr, root, nullptr, nullptr, &para, 0, nullptr, &chain.chain);
    ::CertFreeCertificateContext(root);
  }
  ::CertCloseStore(roots, 0);
}

TlsSession::TlsSession(Connection& connection, const std::string& server_name)
    : state_(std::make_unique<State>(connection, server_name)) {}
TlsSession::TlsSession(TlsSession&&) noexcept = default;
TlsSession& TlsSession::operator=(TlsSession&&) noexcept = default;
TlsSession::~TlsSession() = default;

IoStatus TlsSession::handshake(Deadline deadline) {
  switch (state_->phase) {
    case State::Phase::open: return IoStatus::ok;
    case State::Phase::closed: return IoStatus::closed;
    case State::Phase::failed: return IoStatus::failed;
    default: return state_->handshake(deadline);
  }
}

IoStatus TlsSession::send_all(std::string_view bytes, Deadline deadline) { return state_->send_all(bytes, deadline); }

IoStatus TlsSession::receive(char* buffer, std::size_t size, std::size_t& received, Deadline deadline) {
  return state_->receive(buffer, size, received, deadline);
}

const PeerCertificate& TlsSession::certificate() const { return state_->certificate; }

}  // namespace net
