// Windows side of Proxy.h: the current user's Internet settings, read through WinHTTP. An
// automatic configuration (a script's address or WPAD) is asked first when the settings
// name one; when it gives no answer, the proxy set by hand serves, with its bypass list.
#include "net/Proxy.h"

#include "net/Diagnostic.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

// One text WinHTTP handed over, freed with GlobalFree.
class GlobalText {
public:
    GlobalText() = default;
    ~GlobalText()
    {
        if (text_ != nullptr)
            ::GlobalFree(text_);
    }
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;

    wchar_t** out() { return &text_; }
    // The text in ASCII; other characters (not in a host name) become '?'.
    std::string narrow() const
    {
        std::string result;
        for (const wchar_t* c = text_; c != nullptr && *c != 0; ++c)
            result += *c < 128 ? static_cast<char>(*c) : '?';
        return result;
    }

private:
    wchar_t* text_ = nullptr;
};

// A WinHTTP session, closed at the end of its scope.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle()
    {
        if (handle_ != nullptr)
            ::WinHttpCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The entries of a WinHTTP list, separated by semicolons or white space.
std::vector<std::string> Entries(const std::string& list)
{
    std::vector<std::string> entries;
    std::string entry;
    for (const char c : list + ';') {
        if (c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!entry.empty())
                entries.push_back(entry);
            entry.clear();
        } else {
            entry += c;
        }
    }
    return entries;
}

// The proxy list's entry for the scheme: "https=host:port" or "http=host:port" before an
// entry for every scheme ("host:port"); empty when there is none.
std::string ListedProxy(const std::string& list, bool secure)
{
    std::string any;
    for (const std::string& entry : Entries(list)) {
        const std::size_t equals = entry.find('=');
        if (equals == std::string::npos) {
            if (any.empty())
                any = entry;
        } else if (Lower(entry.substr(0, equals)) == (secure ? "https" : "http")) {
            return entry.substr(equals + 1);
        }
    }
    return any;
}

// Whether text matches the pattern, in which '*' stands for any run of characters.
bool Matches(const char* pattern, const char* text)
{
    if (*pattern == '\0')
        return *text == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, text) || (*text != '\0' && Matches(pattern, text + 1));
    return *text != '\0' && *pattern == *text && Matches(pattern + 1, text + 1);
}

// Whether the bypass list names host: "<local>" every name without a dot, an entry with
// '*' the names it matches, any other entry the host itself or a domain it lies in.
bool Bypassed(const std::string& list, const std::string& host)
{
    const std::string name = Lower(host);
    for (std::string entry : Entries(list)) {
        entry = Lower(entry);
        const std::size_t scheme = entry.find("://");
        if (scheme != std::string::npos)
            entry.erase(0, scheme + 3);
        if (entry == "<local>"                     ? name.find('.') == std::string::npos
            : entry.find('*') != std::string::npos ? Matches(entry.c_str(), name.c_str())
                                                   : BypassesProxy(entry, name))
            return true;
    }
    return false;
}

// What the automatic configuration says for url: true with list and bypass when it
// answered, false when there is none or it cannot be had.
bool AutomaticProxy(const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& settings, const std::wstring& url,
                    std::string& list, std::string& bypass)
{
    if (!settings.fAutoDetect && settings.lpszAutoConfigUrl == nullptr)
        return false;
    const InternetHandle session(::WinHttpOpen(L"Brenhold", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (session.get() == nullptr)
        return false;
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (settings.lpszAutoConfigUrl != nullptr) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = settings.lpszAutoConfigUrl;
    }
    if (settings.fAutoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info{};
    const bool answered = ::WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info) != FALSE;
    GlobalText proxy;
    GlobalText bypassed;
    *proxy.out() = info.lpszProxy;
    *bypassed.out() = info.lpszProxyBypass;
    if (!answered)
        return false;
    list = info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY ? proxy.narrow() : std::string();
    bypass = bypassed.narrow();
    return true;
}

// The proxy of the user's settings for server, without the cache.
ProxyAddress ReadProxyFor(const ServerAddress& server)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG settings{};
    if (!::WinHttpGetIEProxyConfigForCurrentUser(&settings))
        return {};
    GlobalText script;
    GlobalText manual;
    GlobalText manualBypass;
    *script.out() = settings.lpszAutoConfigUrl;
    *manual.out() = settings.lpszProxy;
    *manualBypass.out() = settings.lpszProxyBypass;
    const std::string url = std::string(server.secure ? "https://" : "http://") + server.host + ":" +
                            std::to_string(server.port) + "/";
    std::string list;
    std::string bypass;
    if (!AutomaticProxy(settings, std::wstring(url.begin(), url.end()), list, bypass)) {
        list = manual.narrow();
        bypass = manualBypass.narrow();
    }
    std::string value = ListedProxy(list, server.secure);
    if (value.empty() || Bypassed(bypass, server.host))
        return {};
    // A proxy named without a port listens on 80, as the settings dialog takes it.
    const std::size_t scheme = value.find("://");
    if (value.find(':', scheme == std::string::npos ? 0 : scheme + 3) == std::string::npos)
        value += ":80";
    ProxyAddress proxy;
    if (!ParseProxyUrl(value, proxy)) {
        WriteDiagnostic("Ignoring the proxy \"" + value + "\" of the Internet settings: expected host:port");
        return {};
    }
    return proxy;
}

} // namespace

ProxyAddress ProxyFor(const ServerAddress& server)
{
    // Asked once per server and process: an automatic configuration can take seconds.
    static std::map<std::string, ProxyAddress> known;
    const std::string key =
        (server.secure ? "https " : "http ") + server.host + ":" + std::to_string(server.port);
    const auto found = known.find(key);
    if (found != known.end())
        return found->second;
    return known.emplace(key, ReadProxyFor(server)).first->second;
}

std::string ProxyAuthenticationNote(const ProxyAddress&)
{
    return "this client offers no proxy authentication on Windows (Negotiate and NTLM are not supported)";
}
