#pragma once

#include <QString>

#include <memory>

class CGeoDatabase;

// Connections for work on threads of their own (a table window's fill), kept between one
// piece of work and the next where making one costs much: on a server, connecting, signing in
// and setting up the session take 10-20 ms even on 127.0.0.1, many times what the first
// screen of rows does. A file is opened anew each time (under a millisecond, and a connection
// kept open would go on reading a file replaced since).
//
// At most one connection is kept, for one location; it is checked with a round trip before
// it is handed out, so that a connection the server has dropped meanwhile is replaced.
namespace GeoReaderPool {

// An open connection to `location` for the calling thread, the kept one when it still
// answers, else a new one (not open, with OpenError(), when that fails).
std::unique_ptr<CGeoDatabase> Take(const QString& location);
// Hands back a connection whose work ended normally (no statement and no transaction left
// open): kept for the next Take when it is a server's; closed otherwise.
void Give(std::unique_ptr<CGeoDatabase> db);
// Connects to `location` on a thread of its own and keeps the connection, so that the first
// work there finds one ready; nothing for a file or when one is kept already.
void Prepare(const QString& location);
// Closes the kept connection.
void Clear();

} // namespace GeoReaderPool
