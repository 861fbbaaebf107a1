#include "base/JobThreads.h"

#include "base/VectorState.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <vector>

namespace {

// The pools the running application waits for when it ends.
std::vector<CJobThreads*>& waiting() {
    static std::vector<CJobThreads*> pools;
    return pools;
}

} // namespace

CJobThreads::CJobThreads(int maxThreads) : m_pPool(new QThreadPool) {
    if (maxThreads > 0)
        m_pPool->setMaxThreadCount(maxThreads);
}

void CJobThreads::Start(std::function<void()> run) {
    if (QCoreApplication* app = QCoreApplication::instance(); app && app != m_pWaitingApp) {
        m_pWaitingApp = app;
        if (waiting().empty())
            qAddPostRoutine(&CJobThreads::WaitAtExit);
        waiting().push_back(this);
    }
    ++m_nRunning;
    m_pPool->start([this, run = std::move(run)] {
        VectorState::ClearUpper();
        run();
        --m_nRunning;
    });
}

bool CJobThreads::WaitForAll(int timeoutMs) {
    return m_pPool->waitForDone(timeoutMs);
}

void CJobThreads::WaitAtExit() {
    for (CJobThreads* pool : waiting()) {
        pool->WaitForAll(kExitWaitMs);
        pool->m_pWaitingApp = nullptr;
    }
    waiting().clear();
}
