// Windows side of TlsChannel.h: Schannel through SSPI over the socket. Schannel's own
// certificate validation is off; the chain and the host name are checked here after the
// handshake (with the system's roots, or only the pinned ones), and so is the protocol,
// since not every Schannel honours the protocols a credential disables. One credentials
// handle serves the process: Schannel keeps sessions per credentials handle and target
// name, so the connections of a run take up the first one's session. resumed() reports
// what SECPKG_ATTR_SESSION_INFO says; where Schannel cannot tell (Wine), false.
#include "net/TlsChannel.h"

#include "text/FormatString.h"

#include <windows.h>
#include <winsock2.h>

#include <wincrypt.h>
#include <winternl.h>
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS
#include <schannel.h>
#include <security.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kIncomingSize = 256 * 1024; // Winsock's cost is per call, above all under Wine
constexpr std::size_t kOutgoingLimit = 64 * 1024;
constexpr DWORD kContextRequests = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                   ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
// Revocation is not checked: a private CA often publishes no lists.
constexpr DWORD kIgnoredTrustErrors = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
constexpr DWORD kCredentialFlags =
    SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;

// The process's client credentials, acquired on first use.
class Credentials {
public:
    Credentials()
    {
        TLS_PARAMETERS parameters{};
        parameters.grbitDisabledProtocols =
            SP_PROT_SSL2_CLIENT | SP_PROT_SSL3_CLIENT | SP_PROT_TLS1_0_CLIENT | SP_PROT_TLS1_1_CLIENT;
        SCH_CREDENTIALS current{};
        current.dwVersion = SCH_CREDENTIALS_VERSION;
        current.dwFlags = kCredentialFlags;
        current.cTlsParameters = 1;
        current.pTlsParameters = &parameters;
        status_ = acquire(&current);
        if (status_ == SEC_E_OK)
            return;
        // Windows before 10 1809 knows only the older structure.
        SCHANNEL_CRED older{};
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        older.dwFlags = kCredentialFlags;
        status_ = acquire(&older);
    }
    ~Credentials()
    {
        if (status_ == SEC_E_OK)
            ::FreeCredentialsHandle(&handle_);
    }
    Credentials(const Credentials&) = delete;
    Credentials& operator=(const Credentials&) = delete;

    CredHandle* handle() { return status_ == SEC_E_OK ? &handle_ : nullptr; }
    SECURITY_STATUS status() const { return status_; }

private:
    SECURITY_STATUS acquire(void* data)
    {
        char package[] = UNISP_NAME_A;
        TimeStamp expiry{};
        return ::AcquireCredentialsHandleA(nullptr, package, SECPKG_CRED_OUTBOUND, nullptr, data, nullptr,
                                           nullptr, &handle_, &expiry);
    }

    CredHandle handle_{};
    SECURITY_STATUS status_ = SEC_E_INTERNAL_ERROR;
};

Credentials& ProcessCredentials()
{
    static Credentials credentials;
    return credentials;
}

struct CertificateFree {
    void operator()(const CERT_CONTEXT* certificate) const { ::CertFreeCertificateContext(certificate); }
};
struct StoreClose {
    void operator()(void* store) const { ::CertCloseStore(store, 0); }
};
struct ChainFree {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { ::CertFreeCertificateChain(chain); }
};
using Certificate = std::unique_ptr<const CERT_CONTEXT, CertificateFree>;
using Store = std::unique_ptr<void, StoreClose>;
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

std::string StatusText(const char* what, SECURITY_STATUS status)
{
    return FormatString("%s (0x%08lX)", what, static_cast<unsigned long>(status));
}

// Why a handshake call failed, in English.
std::string HandshakeFailure(SECURITY_STATUS status)
{
    switch (status) {
    case SEC_E_ALGORITHM_MISMATCH:
    case SEC_E_UNSUPPORTED_FUNCTION:
        return StatusText("the server offers no protocol and cipher of TLS 1.2 or later", status);
    case SEC_E_ILLEGAL_MESSAGE:
    case SEC_E_INVALID_TOKEN:
        return StatusText("the server's answer is no TLS handshake", status);
    default:
        return StatusText("the handshake failed", status);
    }
}

// The memory store of the PEM certificates in pem; null when none can be read.
Store PinnedStore(const std::string& pem)
{
    Store store(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
    if (!store)
        return nullptr;
    static constexpr char kEnd[] = "-----END CERTIFICATE-----";
    int added = 0;
    for (std::size_t start = pem.find("-----BEGIN CERTIFICATE-----"); start != std::string::npos;
         start = pem.find("-----BEGIN CERTIFICATE-----", start)) {
        const std::size_t end = pem.find(kEnd, start);
        if (end == std::string::npos)
            break;
        const std::string block = pem.substr(start, end + sizeof kEnd - 1 - start);
        start = end;
        DWORD size = 0;
        if (!::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()),
                                    CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
            continue;
        std::vector<BYTE> der(size);
        if (::CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                   der.data(), &size, nullptr, nullptr) &&
            ::CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, der.data(), size,
                                               CERT_STORE_ADD_USE_EXISTING, nullptr))
            ++added;
    }
    return added > 0 ? std::move(store) : nullptr;
}

const char* ProtocolName(DWORD protocol)
{
    if (protocol & SP_PROT_TLS1_1_CLIENT)
        return "TLS 1.1";
    if (protocol & SP_PROT_TLS1_0_CLIENT)
        return "TLS 1.0";
    if (protocol & SP_PROT_SSL3_CLIENT)
        return "SSL 3.0";
    return "an unknown protocol";
}

// Whether the certificate's subject alternative names hold the IPv4 address.
bool NamesAddress(const CERT_CONTEXT* certificate, unsigned long address)
{
    const CERT_INFO* info = certificate->pCertInfo;
    const CERT_EXTENSION* extension =
        ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (extension == nullptr)
        return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                               extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    bool named = false;
    for (DWORD i = 0; i < names->cAltEntry && !named; ++i) {
        const CERT_ALT_NAME_ENTRY& entry = names->rgAltEntry[i];
        named = entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && entry.IPAddress.cbData == 4 &&
                std::memcmp(entry.IPAddress.pbData, &address, 4) == 0;
    }
    ::LocalFree(names);
    return named;
}

// Why the server's chain is not to be trusted for host; empty when it is.
std::string ChainFailure(const CERT_CONTEXT* server, const std::string& host, const std::string& pinnedRoots)
{
    Store pinned;
    Store additional(::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
    if (!additional || !::CertAddStoreToCollection(additional.get(), server->hCertStore, 0, 0))
        return "the server's certificates cannot be read";
    if (!pinnedRoots.empty()) {
        pinned = PinnedStore(pinnedRoots);
        if (!pinned || !::CertAddStoreToCollection(additional.get(), pinned.get(), 0, 0))
            return "the trusted root certificates cannot be read";
    }
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    const CERT_CHAIN_CONTEXT* built = nullptr;
    if (!::CertGetCertificateChain(nullptr, server, nullptr, additional.get(), &parameters, 0, nullptr,
                                   &built))
        return "the server's certificate chain cannot be built";
    const Chain chain(built);
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[chain->cChain - 1];
    const CERT_CONTEXT* root = simple->rgpElement[simple->cElement - 1]->pCertContext;
    const bool selfSigned =
        simple->cElement == 1 &&
        ::CertCompareCertificateName(X509_ASN_ENCODING, &root->pCertInfo->Issuer, &root->pCertInfo->Subject);
    const char* untrusted =
        selfSigned ? "the certificate is self-signed" : "the certificate is not issued by a trusted root";
    DWORD errors = chain->TrustStatus.dwErrorStatus & ~kIgnoredTrustErrors;
    if (pinned) {
        const Certificate found(::CertFindCertificateInStore(pinned.get(), X509_ASN_ENCODING, 0,
                                                             CERT_FIND_EXISTING, root, nullptr));
        if (!found)
            return untrusted;
        errors &= ~CERT_TRUST_IS_UNTRUSTED_ROOT;
    }
    // The chain's own status first: not every policy check reports an unknown root.
    if (errors & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return untrusted;
    if (errors & CERT_TRUST_IS_NOT_TIME_VALID)
        return "the certificate has expired or is not valid yet";
    if (errors != CERT_TRUST_NO_ERROR)
        return FormatString("the server's certificate chain is not valid (status 0x%08lX)",
                            static_cast<unsigned long>(errors));
    // An address is checked against the certificate's address entries here, a name by the
    // policy, which not everywhere knows address entries.
    const unsigned long address = ::inet_addr(host.c_str());
    const bool isAddress = address != INADDR_NONE || host == "255.255.255.255";
    if (isAddress && !NamesAddress(server, address))
        return "the certificate is not for " + host;
    const std::wstring name(host.begin(), host.end());
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.pwszServerName = isAddress ? nullptr : const_cast<wchar_t*>(name.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.dwFlags = pinned ? CERT_CHAIN_POLICY_ALLOW_UNKNOWN_CA_FLAG : 0;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status))
        return "the server's certificate chain cannot be checked";
    switch (static_cast<HRESULT>(status.dwError)) {
    case S_OK:
        return {};
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING:
    case TRUST_E_CERT_SIGNATURE:
        return untrusted;
    case CERT_E_EXPIRED:
        return "the certificate has expired or is not valid yet";
    case CERT_E_CN_NO_MATCH:
        return "the certificate is not for " + host;
    case CERT_E_WRONG_USAGE:
        return "the certificate is not for a server";
    default:
        return StatusText("the server's certificate chain is not valid",
                          static_cast<SECURITY_STATUS>(status.dwError));
    }
}

} // namespace

struct TlsChannel::Session {
    enum class Stage { start, exchanging, established, failed };
    enum class Flush { done, blocked, failed };

    ~Session()
    {
        if (hasContext)
            ::DeleteSecurityContext(&context);
    }

    // Sends what waits in outgoing.
    Flush flush()
    {
        while (outgoingSent < outgoing.size()) {
            const int count = ::send(socket, outgoing.data() + outgoingSent,
                                     static_cast<int>(outgoing.size() - outgoingSent), 0);
            if (count < 0)
                return ::WSAGetLastError() == WSAEWOULDBLOCK ? Flush::blocked : Flush::failed;
            outgoingSent += static_cast<std::size_t>(count);
        }
        outgoing.clear();
        outgoingSent = 0;
        return Flush::done;
    }

    // Before a send or a receive: a record that could not go out whole goes first. 0 when
    // it has gone, else what the move returns (kWouldBlock, or -1 with failure set).
    int flushBefore(bool& wantsWrite, std::string& failure)
    {
        switch (flush()) {
        case Flush::done:
            return 0;
        case Flush::blocked:
            wantsWrite = true;
            return kWouldBlock;
        case Flush::failed:
            break;
        }
        failure = "the connection failed";
        return -1;
    }

    // Receives into the free end of incoming: bytes taken, 0 when the peer has closed, -1
    // with WSAEWOULDBLOCK or an error.
    int fill()
    {
        if (incomingStart > 0) {
            std::memmove(incoming.data(), incoming.data() + incomingStart, incomingEnd - incomingStart);
            incomingEnd -= incomingStart;
            incomingStart = 0;
        }
        const int count =
            ::recv(socket, incoming.data() + incomingEnd, static_cast<int>(incoming.size() - incomingEnd), 0);
        if (count > 0) {
            incomingEnd += static_cast<std::size_t>(count);
            needsMore = false;
        }
        return count;
    }

    // The input buffers' unused rest stays in incoming; all of it is used when there is none.
    void keepExtra(const SecBuffer* buffers, int count)
    {
        std::size_t extra = 0;
        for (int i = 0; i < count; ++i)
            if (buffers[i].BufferType == SECBUFFER_EXTRA)
                extra = buffers[i].cbBuffer;
        incomingStart = incomingEnd - extra;
    }

    // One call of InitializeSecurityContext with what incoming holds (none at the start);
    // its token goes to outgoing.
    SECURITY_STATUS initialize(bool withInput)
    {
        SecBuffer in[2] = {{static_cast<unsigned long>(incomingEnd - incomingStart), SECBUFFER_TOKEN,
                            incoming.data() + incomingStart},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc input{SECBUFFER_VERSION, 2, in};
        SecBuffer out[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
        SecBufferDesc output{SECBUFFER_VERSION, 2, out};
        ULONG attributes = 0;
        const SECURITY_STATUS status = ::InitializeSecurityContextA(
            ProcessCredentials().handle(), hasContext ? &context : nullptr, const_cast<char*>(host.c_str()),
            kContextRequests, 0, 0, withInput ? &input : nullptr, 0, &context, &output, &attributes, nullptr);
        if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS)
            hasContext = true;
        for (SecBuffer& buffer : out) {
            if (buffer.pvBuffer == nullptr)
                continue;
            if (buffer.BufferType == SECBUFFER_TOKEN)
                outgoing.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
            ::FreeContextBuffer(buffer.pvBuffer);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            needsMore = true;
        else if (withInput && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED))
            keepExtra(in, 2); // after SEC_I_INCOMPLETE_CREDENTIALS the same input goes in again
        return status;
    }

    // After the handshake: the protocol, the chain and the host name; empty when all hold.
    std::string verify()
    {
        SecPkgContext_ConnectionInfo connection{};
        if (::QueryContextAttributesA(&context, SECPKG_ATTR_CONNECTION_INFO, &connection) != SEC_E_OK)
            return "the negotiated protocol cannot be read";
        if ((connection.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT)) == 0)
            return std::string("the server speaks ") + ProtocolName(connection.dwProtocol) +
                   ", below TLS 1.2";
        const CERT_CONTEXT* remote = nullptr;
        if (::QueryContextAttributesA(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote) != SEC_E_OK ||
            remote == nullptr)
            return "the server sent no certificate";
        const Certificate server(remote);
        std::string failure = ChainFailure(server.get(), host, pinnedRoots);
        if (!failure.empty())
            return failure;
        if (::QueryContextAttributesA(&context, SECPKG_ATTR_STREAM_SIZES, &sizes) != SEC_E_OK)
            return "the record sizes cannot be read";
        SecPkgContext_SessionInfo session{};
        resumed = ::QueryContextAttributesA(&context, SECPKG_ATTR_SESSION_INFO, &session) == SEC_E_OK &&
                  (session.dwFlags & SSL_SESSION_RECONNECT) != 0;
        return {};
    }

    // Decrypts the next record of incoming into plain; the status of DecryptMessage, or
    // of the handshake message a renegotiation brought (a TLS 1.3 session ticket).
    SECURITY_STATUS decrypt()
    {
        SecBuffer buffers[4] = {{static_cast<unsigned long>(incomingEnd - incomingStart), SECBUFFER_DATA,
                                 incoming.data() + incomingStart},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = ::DecryptMessage(&context, &message, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needsMore = true;
            return status;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
            return status;
        for (const SecBuffer& buffer : buffers)
            if (buffer.BufferType == SECBUFFER_DATA)
                plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
        keepExtra(buffers, 4);
        if (status != SEC_I_RENEGOTIATE)
            return status;
        const SECURITY_STATUS renewed = initialize(true);
        return renewed == SEC_E_OK || renewed == SEC_I_CONTINUE_NEEDED ? SEC_E_OK : renewed;
    }

    SOCKET socket = INVALID_SOCKET;
    std::string host;
    std::string pinnedRoots;
    CtxtHandle context{};
    bool hasContext = false;
    Stage stage = Stage::start;
    SecPkgContext_StreamSizes sizes{};
    bool resumed = false;
    bool needsMore = false; // incoming holds no complete message
    bool peerClosed = false;
    std::vector<char> incoming = std::vector<char>(kIncomingSize);
    std::size_t incomingStart = 0;
    std::size_t incomingEnd = 0;
    std::string outgoing;
    std::size_t outgoingSent = 0;
    std::string plain; // decrypted, not yet given out from plainStart on
    std::size_t plainStart = 0;
};

TlsChannel::TlsChannel(std::intptr_t socket, const std::string& host, std::uint16_t, const TlsTrust& trust)
    : session_(std::make_unique<Session>())
{
    session_->socket = static_cast<SOCKET>(socket);
    session_->host = host;
    session_->pinnedRoots = trust.pinnedRoots;
    if (ProcessCredentials().handle() == nullptr) {
        failure_ = StatusText("no TLS credentials can be acquired", ProcessCredentials().status());
        session_->stage = Session::Stage::failed;
        return;
    }
    // The handshake's last flight and the request go out as separate small writes: with
    // Nagle's rule the second waits for the peer's delayed acknowledgement of the first.
    const BOOL on = TRUE;
    ::setsockopt(session_->socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

TlsChannel::~TlsChannel() = default;

TlsChannel::Step TlsChannel::handshake()
{
    Session& s = *session_;
    for (;;) {
        if (s.stage == Session::Stage::failed)
            return Step::failed;
        switch (s.flush()) {
        case Session::Flush::done:
            break;
        case Session::Flush::blocked:
            wantsWrite_ = true;
            return Step::wantWrite;
        case Session::Flush::failed:
            failure_ = "the connection ended during the handshake";
            s.stage = Session::Stage::failed;
            return Step::failed;
        }
        if (s.stage == Session::Stage::established)
            return Step::done;
        if (s.stage == Session::Stage::exchanging && (s.needsMore || s.incomingStart == s.incomingEnd)) {
            const int count = s.fill();
            if (count < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
                wantsWrite_ = false;
                return Step::wantRead;
            }
            if (count <= 0) {
                failure_ = "the connection ended during the handshake";
                s.stage = Session::Stage::failed;
                return Step::failed;
            }
        }
        const SECURITY_STATUS status = s.initialize(s.stage == Session::Stage::exchanging);
        switch (status) {
        case SEC_E_OK:
            failure_ = s.verify();
            s.stage = failure_.empty() ? Session::Stage::established : Session::Stage::failed;
            break;
        case SEC_I_CONTINUE_NEEDED:
        case SEC_I_INCOMPLETE_CREDENTIALS: // a client certificate asked for: there is none
            s.stage = Session::Stage::exchanging;
            break;
        case SEC_E_INCOMPLETE_MESSAGE:
            break;
        default:
            failure_ = HandshakeFailure(status);
            s.stage = Session::Stage::failed;
            break;
        }
    }
}

int TlsChannel::send(const char* bytes, int count)
{
    Session& s = *session_;
    if (const int flushed = s.flushBefore(wantsWrite_, failure_); flushed != 0)
        return flushed;
    int taken = 0;
    while (taken < count && s.outgoing.size() < kOutgoingLimit) {
        const unsigned long length =
            std::min<unsigned long>(static_cast<unsigned long>(count - taken), s.sizes.cbMaximumMessage);
        const std::size_t at = s.outgoing.size();
        s.outgoing.resize(at + s.sizes.cbHeader + length + s.sizes.cbTrailer);
        char* record = s.outgoing.data() + at;
        std::memcpy(record + s.sizes.cbHeader, bytes + taken, length);
        SecBuffer buffers[4] = {
            {s.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
            {length, SECBUFFER_DATA, record + s.sizes.cbHeader},
            {s.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record + s.sizes.cbHeader + length},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = ::EncryptMessage(&s.context, 0, &message, 0);
        if (status != SEC_E_OK) {
            failure_ = StatusText("a record cannot be encrypted", status);
            return -1;
        }
        s.outgoing.resize(at + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
        taken += static_cast<int>(length);
    }
    // What cannot be sent now goes out with the next send or receive.
    if (s.flush() == Session::Flush::failed) {
        failure_ = "the connection failed";
        return -1;
    }
    return taken;
}

int TlsChannel::receive(char* buffer, int size)
{
    Session& s = *session_;
    if (const int flushed = s.flushBefore(wantsWrite_, failure_); flushed != 0)
        return flushed;
    // Records are taken until the buffer is full or none is left, so that a large buffer
    // costs one call and not one per record.
    int total = 0;
    while (total < size) {
        if (s.plainStart < s.plain.size()) {
            const std::size_t count =
                std::min(s.plain.size() - s.plainStart, static_cast<std::size_t>(size - total));
            std::memcpy(buffer + total, s.plain.data() + s.plainStart, count);
            s.plainStart += count;
            total += static_cast<int>(count);
            continue;
        }
        s.plain.clear();
        s.plainStart = 0;
        if (s.peerClosed)
            break;
        if (s.incomingStart < s.incomingEnd && !s.needsMore) {
            const SECURITY_STATUS status = s.decrypt();
            if (status == SEC_I_CONTEXT_EXPIRED)
                s.peerClosed = true; // the peer's close_notify
            else if (status != SEC_E_OK && status != SEC_E_INCOMPLETE_MESSAGE) {
                failure_ = StatusText("a record cannot be decrypted", status);
                return -1;
            }
            continue;
        }
        const int count = s.fill();
        if (count > 0)
            continue;
        if (count < 0 && ::WSAGetLastError() != WSAEWOULDBLOCK) {
            failure_ = "the connection failed";
            return total > 0 ? total : -1;
        }
        if (count < 0) {
            if (total > 0)
                break;
            wantsWrite_ = false;
            return kWouldBlock;
        }
        // A close without close_notify ends the stream like one: every body's end is
        // checked by its own framing and the listed size and checksum.
        s.peerClosed = true;
    }
    return total;
}

bool TlsChannel::hasPending() const
{
    const Session& s = *session_;
    return s.plainStart < s.plain.size() || (s.incomingStart < s.incomingEnd && !s.needsMore);
}

bool TlsChannel::resumed() const
{
    return session_->resumed;
}
