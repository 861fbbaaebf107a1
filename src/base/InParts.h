#pragma once

#include <cstddef>
#include <functional>
#include <utility>

// Work over many items split into parts that run at once, one thread a part.
namespace InParts {

// How many parts n items are worth: one a core (at most four) from 16,384 items on, else one
// (a thread costs about as much as a few thousand items).
int PartsFor(size_t n);

// The share [first, second) of n items that part `part` of `parts` takes: about equal,
// neighbouring parts next to each other, together every item once.
std::pair<size_t, size_t> Share(size_t n, int part, int parts);

// Runs work(part) for every part, the first on the calling thread, the others each on a
// thread of its own; returns when all are done.
void Run(int parts, const std::function<void(int part)>& work);

} // namespace InParts
