#include "SignDiagnostic.h"

#include <openssl/err.h>

#include <cstdio>

void Complain(const std::string& text)
{
    std::fprintf(stderr, "jobgate-sign: %s\n", text.c_str());
}

void ComplainOpenSsl(const std::string& text)
{
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0) {
        Complain(text);
        return;
    }
    char reason[256];
    ERR_error_string_n(code, reason, sizeof reason);
    Complain(text + ": " + reason);
}
