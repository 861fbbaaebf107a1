#include "render/map/MapDrawJob.h"

#include "base/JobThreads.h"
#include "base/Progress.h"
#include "render/rows/GeoPlaceRows.h"
#include "store/DbLocation.h"
#include "store/GeoDatabase.h"

#include <QFileInfo>

namespace {

// The jobs' threads (one a processor): see CJobThreads.
CJobThreads& jobThreads() {
    static CJobThreads* const threads = new CJobThreads;
    return *threads;
}

// Rows read between two looks at the cancel flag.
constexpr int kSliceMs = 20;

// The bar of the copy's drawing, handed on to the job.
class CJobProgress : public CProgress {
public:
    explicit CJobProgress(std::function<void(int)> tell) : m_tell(std::move(tell)) {}
    void Start(const QString&) override {} // the window shows the caption already
    void SetPos(int percent) override { m_tell(percent); }
    void Finish() override {}

private:
    std::function<void(int)> m_tell;
};

} // namespace

CMapDrawJob::CMapDrawJob(CInput input, Progress progress, Done done)
    : m_input(std::move(input)), m_progress(std::move(progress)), m_done(std::move(done)) {}

CMapDrawJob::~CMapDrawJob() = default;

std::shared_ptr<CMapDrawJob> CMapDrawJob::Start(CInput input, Progress progress, Done done) {
    std::shared_ptr<CMapDrawJob> job(
        new CMapDrawJob(std::move(input), std::move(progress), std::move(done)));
    jobThreads().Start([job] { job->Run(); });
    return job;
}

int CMapDrawJob::Running() {
    return jobThreads().Running();
}

void CMapDrawJob::StartWork(std::function<void()> work) {
    jobThreads().Start(std::move(work));
}

void CMapDrawJob::Cancel() {
    m_bCancelled = true;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_progress = nullptr;
    m_done = nullptr;
}

void CMapDrawJob::Tell(int percent) {
    if (percent == m_nShown)
        return;
    m_nShown = percent;
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_progress)
        m_progress(percent);
}

void CMapDrawJob::Run() {
    std::shared_ptr<const CGeoPlaceRows> rows = m_input.pRows;
    bool read = false;
    if (m_input.bReadOnly) {
        ReadRows();
        if (m_input.afterRead && m_pRowsRead && m_strReadError.isEmpty() && !Cancelled())
            m_input.afterRead(m_pRowsRead);
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_done && !Cancelled())
            m_done();
        return;
    }
    if (!rows && !m_input.bClosed) {
        ReadRows();
        if (Cancelled())
            return;
        rows = m_pRowsRead;
        read = true;
    }
    CMapCanvas& canvas = m_input.canvas;
    // The copy of the window's place list, when the window has one.
    if (canvas.PlaceList())
        canvas.SetPlaceListCopy(&m_input.places);
    canvas.GiveRows(rows, m_strReadError, read);
    CJobProgress progress([this](int percent) { Tell(percent); });
    m_strReport = canvas.Repaint(m_input.clientSize, m_input.outerSize, &progress);
    // The positions drawn are in the canvas; the copy let go, the window writes them into
    // its entries without copying them all.
    m_input.places = CPlaceList();
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_done && !Cancelled())
        m_done();
}

// The job's own connection: it lives on this thread only, while the window's connection
// goes on serving the window.
void CMapDrawJob::ReadRows() {
    CGeoDatabase db;
    // Opening makes a file that is missing: this connection only reads one that is there.
    if (!CDbLocation::IsServerText(m_input.location) && !QFileInfo::exists(m_input.location)) {
        m_strReadError = QStringLiteral("Die Datei \"%1\" gibt es nicht mehr.")
                             .arg(QFileInfo(m_input.location).fileName());
        return;
    }
    if (!db.Open(m_input.location)) {
        m_bBusy = db.IsBusy();
        if (!m_bBusy)
            m_strReadError = db.OpenError();
        return;
    }
    // A server is read in one statement, which gives up when the job is cancelled; a file
    // in slices of one read transaction.
    db.SetGiveUpHook([this](int) { return Cancelled(); });
    const bool sliced = !db.IsServer();
    // Without the transaction each slice still checks the data stamp.
    const bool transaction = sliced && !m_input.bReadOnly && db.BeginRead();
    auto tell = [this](int percent) { Tell(percent); };
    auto readAll = [&](CGeoPlaceRowsReader& reader) {
        while (!reader.Read(sliced ? kSliceMs : -1, tell)) {
            if (Cancelled())
                return false;
        }
        return !Cancelled();
    };
    auto reader = std::make_unique<CGeoPlaceRowsReader>(db, m_input.bTexts);
    if (!readAll(*reader))
        return;
    if (reader->Error().isEmpty() && reader->NeedsTexts()) {
        reader = std::make_unique<CGeoPlaceRowsReader>(db, true);
        if (!readAll(*reader))
            return;
    }
    std::shared_ptr<CGeoPlaceRows> rows = reader->Finish(tell);
    m_strReadError = reader->Error();
    if (transaction)
        db.EndRead();
    m_pRowsRead = std::move(rows);
}
