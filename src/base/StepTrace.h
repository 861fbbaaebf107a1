#pragma once

#include <QtGlobal>

#include <atomic>
#include <vector>

// An opt-in record of the program's own long steps (a model reset, a window shown, a picture
// handed over), so that a probe can tell where a long pass of the event loop went. Off, a
// step costs one relaxed load; on, its start and end go into a bounded record.
namespace StepTrace {

struct Entry {
    const char* name;
    qint64 startNs; // on Now()'s clock
    qint64 endNs;   // -1 while the step runs
    qint64 cpuNs;   // the thread's CPU time in it (as far as it ran)
    bool gui;       // on the thread that started tracing
};

// Starts (on the thread whose steps are of interest) or stops the record.
void Enable(bool on);
bool Enabled();
qint64 Now();
// The calling thread's CPU time.
qint64 ThreadCpu();
// The steps that overlap [fromNs, toNs], in the order they started.
std::vector<Entry> Overlapping(qint64 fromNs, qint64 toNs);

// One step, from its construction to its end: `name` must outlive the record (a literal).
class Step {
public:
    explicit Step(const char* name) {
        if (Enabled())
            Begin(name);
    }
    ~Step() {
        if (m_nIndex >= 0)
            End();
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;

private:
    void Begin(const char* name);
    void End();
    qint64 m_nIndex = -1;
    qint64 m_nCpu = 0;
};

} // namespace StepTrace
