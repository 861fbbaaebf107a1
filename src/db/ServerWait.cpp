#include "db/ServerWait.h"

namespace ServerWait {

namespace {
Handler& handler() {
    static Handler h;
    return h;
}
} // namespace

void SetHandler(Handler h) {
    handler() = std::move(h);
}

bool GoOn(int elapsedMs) {
    return !handler() || handler()(elapsedMs);
}

void Done() {
    if (handler())
        handler()(-1);
}

} // namespace ServerWait
