// The responsiveness probe's trace of delivered events (KELVO_STALL_TRACE=1): which events a
// stall of the event loop spent its time in.
#pragma once

#include "base/StepTrace.h"

#include <QEvent>
#include <QObject>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

// With the trace on: the latest events delivered, each with its start on the trace's clock.
class EventLog : public QObject {
public:
    struct Delivery {
        qint64 ns;
        qint64 cpuNs; // the GUI thread's CPU time then
        int type;
        const char* receiver;
    };
    std::vector<Delivery> ring = std::vector<Delivery>(4096);
    qint64 next = 0;

    // The stall from `fromNs` to `toNs`: the steps in it and the events that took 3 ms or more.
    // cpuNs: the GUI thread's CPU time in it; waitNs: its time waiting for a processor.
    // what: "stall", or "first" for the way to the first paint (described in finer grain).
    void Describe(const char* command, qint64 fromNs, qint64 toNs, qint64 cpuNs, qint64 waitNs,
                  const char* what = "stall") const {
        const qint64 grain = std::strcmp(what, "first") == 0 ? 300000 : 1000000;
        std::fprintf(stderr, "%s\t%s\tat %.0f ms\t%.0f ms\tCPU %.1f ms\trunnable %.1f ms\n", what,
                     command, fromNs / 1e6, (toNs - fromNs) / 1e6, cpuNs / 1e6, waitNs / 1e6);
        for (const StepTrace::Entry& e : StepTrace::Overlapping(fromNs, toNs)) {
            const qint64 end = e.endNs < 0 ? toNs : e.endNs;
            if ((e.gui || grain < 1000000) && end - e.startNs >= grain)
                std::fprintf(stderr, "  %s\t%s\t+%.1f\t%.1f ms\tCPU %.1f ms\n",
                             e.gui ? "step" : "thread", e.name, (e.startNs - fromNs) / 1e6,
                             (end - e.startNs) / 1e6, e.cpuNs / 1e6);
        }
        const qint64 first = std::max<qint64>(0, next - qint64(ring.size()));
        for (qint64 i = first; i < next; ++i) {
            const Delivery& d = ring[size_t(i) % ring.size()];
            const bool last = i + 1 == next;
            const Delivery& after = ring[size_t(i + 1) % ring.size()];
            const qint64 until = last ? toNs : after.ns;
            const qint64 cpu = (last ? StepTrace::ThreadCpu() : after.cpuNs) - d.cpuNs;
            if (d.ns >= fromNs && d.ns <= toNs && until - d.ns >= 3 * grain)
                std::fprintf(stderr, "  event\t%d\t%s\t+%.1f\t%.1f ms\tCPU %.1f ms\n", d.type,
                             d.receiver, (d.ns - fromNs) / 1e6, (until - d.ns) / 1e6, cpu / 1e6);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        ring[size_t(next++) % ring.size()] = {StepTrace::Now(), StepTrace::ThreadCpu(),
                                              int(event->type()),
                                              watched->metaObject()->className()};
        return false;
    }
};
