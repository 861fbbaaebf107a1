// The workers' jobs start with the upper halves of the AVX registers clear, whatever the
// thread that made the worker or its job before left in them: while they are in use every
// scalar floating-point instruction waits on them (a radius search's distances 4-5x slower).
// So does each part of work split over threads, and each distance (drawing on the thread may
// have left them in use since). And the jobs run below the priority of the window's thread,
// which then paints at once.
#include "base/GeoDistance.h"
#include "base/InParts.h"
#include "render/table/TableFillJob.h"

#include <gtest/gtest.h>

#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

// Runs `work` as a job of the workers and waits for it.
void runJob(const std::function<void()>& work) {
    CBackgroundJob job([&work](const std::atomic<bool>&) { work(); });
    while (!job.IsDone())
        QThread::msleep(1);
}

} // namespace

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>

namespace {

// Whether the processor says which parts of its register state are in use (XGETBV 1).
bool tellsStateInUse() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__builtin_cpu_supports("avx") || !__get_cpuid_count(0xd, 1, &a, &b, &c, &d))
        return false;
    return a & (1u << 2);
}

// Whether the upper halves of the AVX registers are in use on this thread.
bool upperInUse() {
    unsigned lo = 0, hi = 0;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return lo & (1u << 2);
}

// A 256-bit instruction without the clearing the compiler adds after one, as library code
// leaves behind (only called where the processor has AVX).
void fillUpper() {
    __asm__ volatile("vcmpps $15, %%ymm1, %%ymm1, %%ymm1" ::: "xmm1");
}

} // namespace

TEST(JobThreads, AJobStartsWithTheUpperHalvesOfTheVectorRegistersClear) {
    if (!tellsStateInUse())
        GTEST_SKIP() << "the processor does not tell the registers in use";
    fillUpper();
    if (!upperInUse())
        GTEST_SKIP() << "the processor does not track the upper halves";
    // A job that leaves them in use on its worker, then jobs on the same or a new worker
    // (made from this thread, where they are in use too).
    runJob([] { fillUpper(); });
    for (int i = 0; i < 4; ++i) {
        bool inUse = true;
        runJob([&inUse] { inUse = upperInUse(); });
        EXPECT_FALSE(inUse) << "job " << i;
    }
}

TEST(JobThreads, EachPartOfSplitWorkAndEachDistanceStartWithTheUpperHalvesClear) {
    if (!tellsStateInUse())
        GTEST_SKIP() << "the processor does not tell the registers in use";
    fillUpper();
    if (!upperInUse())
        GTEST_SKIP() << "the processor does not track the upper halves";
    // The helpers are made from this thread, where they are in use; the first part runs here.
    std::atomic<int> partsInUse{0};
    InParts::Run(3, [&partsInUse](int) {
        if (upperInUse())
            ++partsInUse;
        fillUpper();
    });
    EXPECT_EQ(partsInUse.load(), 0);
    fillUpper();
    const double km = GeoDistance::HaversineKm(13.3846, 52.5323, 11.571, 48.1345);
    EXPECT_FALSE(upperInUse());
    EXPECT_NEAR(km, 505.6, 0.05);
}

#endif

TEST(JobThreads, AJobRunsBelowThePriorityOfTheWindowsThread) {
    const auto niceOfThisThread = [] {
        errno = 0;
        return getpriority(PRIO_PROCESS, id_t(gettid()));
    };
    const int window = niceOfThisThread();
    if (window >= 19)
        GTEST_SKIP() << "the tests already run at the lowest priority";
    // Every job, also the next one on a worker that ran one before.
    for (int i = 0; i < 3; ++i) {
        int job = window;
        runJob([&] { job = niceOfThisThread(); });
        EXPECT_GT(job, window) << "job " << i;
    }
    EXPECT_EQ(niceOfThisThread(), window);
}
