// The vector registers' state on the calling thread.
#pragma once

namespace VectorState {

// Clears the upper halves of the AVX registers. Library code (Qt's start among it) can leave
// them in use on a thread, and worker threads start with the state of the thread that made
// them; while they are in use every scalar floating-point instruction compiled for SSE waits
// on them: sin, cos and sqrt run four to five times slower, a radius search's distances too.
// Called where a worker takes up a job, and before each distance (Qt's drawing, on any thread,
// leaves them in use again: filling an image does); a no-op where the processor has no AVX.
inline void ClearUpper() {
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("avx"))
        __asm__ volatile("vzeroupper");
#endif
}

} // namespace VectorState
