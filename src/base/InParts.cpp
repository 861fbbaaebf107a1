#include "base/InParts.h"

#include "base/VectorState.h"

#include <QtGlobal>

#include <algorithm>
#include <thread>
#include <vector>

namespace InParts {

int PartsFor(size_t n) {
    return n >= 1 << 14 ? std::clamp(int(std::thread::hardware_concurrency()), 1, 4) : 1;
}

std::pair<size_t, size_t> Share(size_t n, int part, int parts) {
    auto at = [&](int p) { return size_t(quint64(n) * quint64(p) / quint64(std::max(parts, 1))); };
    return {at(part), at(part + 1)};
}

void Run(int parts, const std::function<void(int part)>& work) {
    // Each part starts with the vector state clear, whatever the caller's drawing left.
    auto clear = [&work](int part) {
        VectorState::ClearUpper();
        work(part);
    };
    std::vector<std::jthread> helpers;
    for (int part = 1; part < parts; ++part)
        helpers.emplace_back(clear, part);
    clear(0);
}

} // namespace InParts
