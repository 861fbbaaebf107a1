#include "base/StepTrace.h"

#include <QElapsedTimer>

#include <algorithm>

#include <ctime>
#include <mutex>
#include <thread>

namespace StepTrace {

namespace {

constexpr size_t kKept = 8192; // the latest steps; older ones are overwritten

std::atomic<bool> s_enabled{false};

struct Record {
    std::mutex mutex;
    QElapsedTimer clock;
    std::thread::id gui;
    std::vector<Entry> ring = std::vector<Entry>(kKept);
    qint64 next = 0; // entries ever begun
};

Record& record() {
    static Record r;
    return r;
}

} // namespace

void Enable(bool on) {
    Record& r = record();
    std::lock_guard lock(r.mutex);
    if (on && !r.clock.isValid())
        r.clock.start();
    r.gui = std::this_thread::get_id();
    s_enabled.store(on, std::memory_order_relaxed);
}

bool Enabled() {
    return s_enabled.load(std::memory_order_relaxed);
}

qint64 Now() {
    Record& r = record();
    return r.clock.isValid() ? r.clock.nsecsElapsed() : 0;
}

qint64 ThreadCpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::vector<Entry> Overlapping(qint64 fromNs, qint64 toNs) {
    Record& r = record();
    std::lock_guard lock(r.mutex);
    std::vector<Entry> found;
    const qint64 first = std::max<qint64>(0, r.next - qint64(kKept));
    for (qint64 i = first; i < r.next; ++i) {
        const Entry& e = r.ring[size_t(i) % kKept];
        if (e.startNs <= toNs && (e.endNs < 0 || e.endNs >= fromNs))
            found.push_back(e);
    }
    return found;
}

void Step::Begin(const char* name) {
    Record& r = record();
    const qint64 now = Now();
    std::lock_guard lock(r.mutex);
    m_nIndex = r.next++;
    m_nCpu = ThreadCpu();
    r.ring[size_t(m_nIndex) % kKept] = {name, now, -1, 0, std::this_thread::get_id() == r.gui};
}

void Step::End() {
    Record& r = record();
    const qint64 now = Now();
    const qint64 cpu = ThreadCpu() - m_nCpu;
    std::lock_guard lock(r.mutex);
    // Overwritten meanwhile: the step was older than the record keeps.
    if (r.next - m_nIndex <= qint64(kKept)) {
        Entry& e = r.ring[size_t(m_nIndex) % kKept];
        e.endNs = now;
        e.cpuNs = cpu;
    }
}

} // namespace StepTrace
