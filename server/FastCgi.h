#pragma once
// jobgate as a FastCGI server: one process answers requests one after another on a
// listening socket, either one the web server opened and started it with (as standard
// input) or one of its own. It keeps nothing between requests but the signed listings it
// has read, each checked against its file on every request.

#include "UniqueFd.h"

#include <string>

// Whether standard input is a listening socket: the web server started the program as its
// FastCGI back end.
bool StartedAsFastCgi();

// A listening socket at address: "HOST:PORT" for TCP, otherwise the path of a unix socket
// (an old socket file there is replaced). Invalid on failure, said on standard error.
UniqueFd ListenForFastCgi(const std::string& address);

// Answers the requests that arrive on the listening socket; returns the exit code when
// accepting fails for good.
int ServeFastCgi(int listenSocket);
