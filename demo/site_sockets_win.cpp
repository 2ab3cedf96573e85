#include "demo/site_sockets.hpp"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace pixtrail::demo {
namespace {

int portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET)
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    if (address.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    return -1;
}

// The socket of a request, found by its two ports. Sockets are kernel handles, which the
// system numbers in steps of four.
SOCKET socketOf(int localPort, int remotePort) {
    for (UINT_PTR handle = 4; handle < 0x40000; handle += 4) {
        const SOCKET s = static_cast<SOCKET>(handle);
        sockaddr_storage local{};
        sockaddr_storage peer{};
        int localLength = sizeof local;
        int peerLength = sizeof peer;
        if (getsockname(s, reinterpret_cast<sockaddr*>(&local), &localLength) != 0 ||
            getpeername(s, reinterpret_cast<sockaddr*>(&peer), &peerLength) != 0)
            continue;
        if (portOf(local) == localPort && portOf(peer) == remotePort)
            return s;
    }
    return INVALID_SOCKET;
}

} // namespace

void prepareSockets() {
    // Windows sends no signal for a write to a closed connection; the write just fails.
}

void resetConnection(int localPort, int remotePort) {
    const SOCKET s = socketOf(localPort, remotePort);
    if (s == INVALID_SOCKET)
        return;
    // A zero linger makes the close a reset: httplib closes the connection as soon as the
    // body's provider gives up, which the caller does next. Closing it here would leave
    // httplib a handle that may be another one's by then.
    const linger abortive{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
}

void endSending(int localPort, int remotePort) {
    if (const SOCKET s = socketOf(localPort, remotePort); s != INVALID_SOCKET)
        shutdown(s, SD_SEND);
}

} // namespace pixtrail::demo
