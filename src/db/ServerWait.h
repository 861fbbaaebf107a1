#pragma once

#include <functional>

// While the program waits for the database server (connecting again, a query, a save), the
// handler is called about ten times a second with the milliseconds waited so far. Returning
// false gives up: the connection is dropped, the operation fails with a message, and the
// next one connects anew. Without a handler the program waits until the server answers or
// the network is found to be gone (the keep-alive probes end a dead connection in about ten
// seconds).
namespace ServerWait {

using Handler = std::function<bool(int elapsedMs)>;

// Installs the handler for every server connection of the process (null: none).
void SetHandler(Handler handler);

// What the waiting code asks: true to go on waiting.
bool GoOn(int elapsedMs);

// Tells the handler that the wait is over, however it ended (it is called with -1), so that
// it can put away what it showed.
void Done();

} // namespace ServerWait
