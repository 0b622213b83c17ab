// POSIX side of TlsChannel.h: OpenSSL's libssl over the socket's descriptor.
#include "net/TlsChannel.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <csignal>
#include <cstddef>
#include <map>

namespace {

// What one read from the socket takes of the records that have arrived.
constexpr std::size_t kReadAheadSize = 64u << 10;

struct ContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SessionFree {
    void operator()(SSL_SESSION* session) const { SSL_SESSION_free(session); }
};
struct SslFree {
    void operator()(SSL* ssl) const
    {
        // A session freed without a shutdown is struck from the cache as a broken one: a
        // channel that ends after a complete handshake says goodbye (without waiting for
        // the answer), so its session can be taken up again.
        if (SSL_is_init_finished(ssl) == 1) {
            ERR_clear_error();
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
    }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

// The last session of each peer, by trust and peer, for the process.
std::map<std::string, std::unique_ptr<SSL_SESSION, SessionFree>>& KeptSessions()
{
    static std::map<std::string, std::unique_ptr<SSL_SESSION, SessionFree>> sessions;
    return sessions;
}

// The key of a channel's session in KeptSessions, as the SSL object's application data.
int KeepSession(SSL* ssl, SSL_SESSION* session)
{
    const auto* key = static_cast<const std::string*>(SSL_get_app_data(ssl));
    if (key == nullptr)
        return 0;
    KeptSessions()[*key].reset(session);
    return 1; // the reference is kept
}

// The text of the oldest error OpenSSL queued, or fallback when there is none.
std::string QueuedError(const char* fallback)
{
    const unsigned long code = ERR_peek_error();
    if (code == 0)
        return fallback;
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : fallback;
}

bool AddPinnedRoots(SSL_CTX* context, const std::string& pem)
{
    std::unique_ptr<BIO, BioFree> input(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    X509_STORE* store = SSL_CTX_get_cert_store(context);
    int added = 0;
    while (std::unique_ptr<X509, CertificateFree> root{
        PEM_read_bio_X509(input.get(), nullptr, nullptr, nullptr)}) {
        if (X509_STORE_add_cert(store, root.get()) == 1)
            ++added;
    }
    ERR_clear_error(); // the end of the input reads as an error
    return added > 0;
}

// One context per trust for the process: contexts are costly to make, and sessions are
// taken up again only within one.
SSL_CTX* ContextFor(const TlsTrust& trust, std::string& failure)
{
    static std::map<std::string, std::unique_ptr<SSL_CTX, ContextFree>> contexts;
    // libssl writes to the socket with write(), which raises SIGPIPE on a connection the
    // peer has reset: as the client's start does, every process that speaks TLS ignores it.
    static const bool pipeIgnored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)pipeIgnored;
    const auto known = contexts.find(trust.pinnedRoots);
    if (known != contexts.end())
        return known->second.get();
    std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_client_method()));
    if (!context) {
        failure = QueuedError("no TLS context could be made");
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    // A peer that closes without a close_notify ends the stream like a close: every body's
    // end is checked by its own framing and the listed size and checksum.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Records are read from the socket many at a time rather than with two reads each (its
    // header, then its body): a large download costs a few receives per wait, as without
    // TLS. What is read ahead counts as pending (SSL_has_pending), so no wait misses it.
    SSL_CTX_set_read_ahead(context.get(), 1);
    SSL_CTX_set_default_read_buffer_len(context.get(), kReadAheadSize);
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context.get(), KeepSession);
    const bool rooted = trust.pinnedRoots.empty() ? SSL_CTX_set_default_verify_paths(context.get()) == 1
                                                  : AddPinnedRoots(context.get(), trust.pinnedRoots);
    if (!rooted) {
        failure = "the trusted root certificates cannot be read";
        return nullptr;
    }
    return contexts.emplace(trust.pinnedRoots, std::move(context)).first->second.get();
}

} // namespace

struct TlsChannel::Session {
    std::unique_ptr<SSL, SslFree> ssl;
    std::string key; // of KeptSessions
};

TlsChannel::TlsChannel(std::intptr_t socket, const std::string& host, std::uint16_t port,
                       const TlsTrust& trust)
    : session_(std::make_unique<Session>())
{
    SSL_CTX* context = ContextFor(trust, failure_);
    if (context == nullptr)
        return;
    // The handshake's last flight and the request go out as separate small writes: with
    // Nagle's rule the second waits for the peer's delayed acknowledgement of the first.
    const int on = 1;
    ::setsockopt(static_cast<int>(socket), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(context));
    if (!ssl || SSL_set_fd(ssl.get(), static_cast<int>(socket)) != 1) {
        failure_ = QueuedError("no TLS session could be made");
        return;
    }
    in_addr address{};
    const bool isAddress = ::inet_pton(AF_INET, host.c_str(), &address) == 1;
    // An address is checked against the certificate's IP entries and sent no server name.
    const bool named = isAddress ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), host.c_str()) == 1
                                 : SSL_set1_host(ssl.get(), host.c_str()) == 1 &&
                                       SSL_set_tlsext_host_name(ssl.get(), host.c_str()) == 1;
    if (!named) {
        failure_ = "the host name " + host + " cannot be checked";
        return;
    }
    session_->key = trust.pinnedRoots + '\n' + host + ':' + std::to_string(port);
    SSL_set_app_data(ssl.get(), &session_->key);
    const auto kept = KeptSessions().find(session_->key);
    if (kept != KeptSessions().end())
        SSL_set_session(ssl.get(), kept->second.get());
    SSL_set_connect_state(ssl.get());
    session_->ssl = std::move(ssl);
}

TlsChannel::~TlsChannel() = default;

TlsChannel::Step TlsChannel::handshake()
{
    SSL* ssl = session_->ssl.get();
    if (ssl == nullptr)
        return Step::failed;
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl);
    if (result == 1)
        return Step::done;
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
        wantsWrite_ = false;
        return Step::wantRead;
    case SSL_ERROR_WANT_WRITE:
        wantsWrite_ = true;
        return Step::wantWrite;
    case SSL_ERROR_SSL: {
        const long verified = SSL_get_verify_result(ssl);
        failure_ = verified != X509_V_OK ? X509_verify_cert_error_string(verified)
                                         : QueuedError("the handshake failed");
        return Step::failed;
    }
    default:
        failure_ = "the connection ended during the handshake";
        return Step::failed;
    }
}

int TlsChannel::send(const char* bytes, int count)
{
    SSL* ssl = session_->ssl.get();
    ERR_clear_error();
    const int result = SSL_write(ssl, bytes, count);
    if (result > 0)
        return result;
    switch (SSL_get_error(ssl, result)) {
    case SSL_ERROR_WANT_READ:
        wantsWrite_ = false;
        return kWouldBlock;
    case SSL_ERROR_WANT_WRITE:
        wantsWrite_ = true;
        return kWouldBlock;
    default:
        failure_ = QueuedError("the connection failed");
        return -1;
    }
}

int TlsChannel::receive(char* buffer, int size)
{
    SSL* ssl = session_->ssl.get();
    // Records are taken until the buffer is full or none is left, so that a large buffer
    // costs one call and not one per record.
    int total = 0;
    while (total < size) {
        ERR_clear_error();
        const int result = SSL_read(ssl, buffer + total, size - total);
        if (result > 0) {
            total += result;
            continue;
        }
        const int error = SSL_get_error(ssl, result);
        if (total > 0)
            break; // what stopped this read stops the next one again
        switch (error) {
        case SSL_ERROR_WANT_READ:
            wantsWrite_ = false;
            return kWouldBlock;
        case SSL_ERROR_WANT_WRITE:
            wantsWrite_ = true;
            return kWouldBlock;
        case SSL_ERROR_ZERO_RETURN:
            return 0;
        default:
            failure_ = QueuedError("the connection failed");
            return -1;
        }
    }
    return total;
}

bool TlsChannel::hasPending() const
{
    return session_->ssl && SSL_has_pending(session_->ssl.get()) == 1;
}

bool TlsChannel::resumed() const
{
    return session_->ssl && SSL_session_reused(session_->ssl.get()) == 1;
}
