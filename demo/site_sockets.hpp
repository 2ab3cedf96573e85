#pragma once

// What the site does to a connection below httplib, which keeps its sockets to itself; one
// implementation per platform (site_sockets_posix.cpp, site_sockets_win.cpp).
namespace pixtrail::demo {

/// Once per process: a client that hangs up mid-body must not end the program.
void prepareSockets();

/// Aborts the connection between these two ports with a TCP reset, which a plain close
/// would not: that sends FIN and looks like a short body instead. On Windows the reset
/// goes out when httplib closes the connection, right after the caller gives up the body.
void resetConnection(int localPort, int remotePort);

/// Ends what the server sends on a connection: the client reads the end of the body
/// there, as it does from a server that marks a body's end only by closing.
void endSending(int localPort, int remotePort);

} // namespace pixtrail::demo
