#include "demo/site_sockets.hpp"

#include <algorithm>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pixtrail::demo {
namespace {

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// The socket of a request, found by its two ports.
int socketOf(int localPort, int remotePort) {
    const long openMax = std::min(sysconf(_SC_OPEN_MAX), 65536L);
    for (int fd = 0; fd < openMax; ++fd) {
        sockaddr_storage local{};
        sockaddr_storage peer{};
        socklen_t localLength = sizeof local;
        socklen_t peerLength = sizeof peer;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
            getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
            continue;
        if (portOf(local) == localPort && portOf(peer) == remotePort)
            return fd;
    }
    return -1;
}

} // namespace

void prepareSockets() {
    // The write failing is all the site needs to know of a client that left.
    std::signal(SIGPIPE, SIG_IGN);
}

void resetConnection(int localPort, int remotePort) {
    const int fd = socketOf(localPort, remotePort);
    if (fd < 0)
        return;
    // Disconnecting (connect to AF_UNSPEC) with a zero linger sends the reset.
    const linger abortive{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    sockaddr unspecified{};
    unspecified.sa_family = AF_UNSPEC;
    connect(fd, &unspecified, sizeof unspecified);
}

void endSending(int localPort, int remotePort) {
    if (const int fd = socketOf(localPort, remotePort); fd >= 0)
        shutdown(fd, SHUT_WR);
}

} // namespace pixtrail::demo
