#pragma once

#include <QtGlobal>

namespace LiveHeap {

// Bytes the program holds on the heap now, as the allocator in use counts them: glibc's
// malloc, or the sanitizers' (whose freed blocks wait in a quarantine, so that resident
// memory says nothing about what the program keeps).
qint64 Bytes();

} // namespace LiveHeap
