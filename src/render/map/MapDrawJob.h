#pragma once

#include "render/map/MapCanvas.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class CGeoPlaceRows;

// A repaint of a map drawn on a thread of its own, so that the window stays usable while a
// few million rows are read and drawn. The job draws on a copy of the window's canvas (with
// a copy of its place list) and reads the rows, when it is not given them, through a
// connection of its own to the database at `location`: on a file in one read transaction,
// so that every slice sees the same state. The window takes the result with
// CMapCanvas::TakeRepaint once `done` has been called.
class CMapDrawJob {
public:
    struct CInput {
        CMapCanvas canvas; // the window's canvas as it is to be drawn
        CPlaceList places; // its place list (the copy draws this one)
        QSize clientSize;  // as for CMapCanvas::Repaint
        QSize outerSize;
        QString location;    // CGeoDatabase::FilePath() of the window's database
        bool bTexts = false; // the rows are read with texts (CMapCanvas::WantsTexts)
        // Rows still showing the stored data (CGeoPlaceRowsCache::Cached), or null to read
        // them; with `bClosed` the database is closed and the map shows no rows.
        std::shared_ptr<const CGeoPlaceRows> pRows;
        bool bClosed = false;
        // Only reads the rows and draws nothing (rows read ahead for later repaints): in
        // slices outside a transaction, so that a write of the window waits at most a slice.
        bool bReadOnly = false;
        // With `bReadOnly`: called on the job's thread with the rows read (when they were
        // read whole) before `done`, for work on them that is to stay off the GUI thread.
        std::function<void(const std::shared_ptr<const CGeoPlaceRows>&)> afterRead;

        // A job that only reads the rows with their texts from `location` (`bReadOnly`);
        // the canvas is carried along, not drawn.
        static CInput RowsOnly(const CMapCanvas& canvas, const QString& location) {
            return {canvas, CPlaceList(), QSize(), QSize(), location,
                    true,   nullptr,      false,   true,    {}};
        }
    };
    // Both are called on the job's thread: `progress` with the bar's position (0-100) when it
    // changes, `done` once at the end, unless the job was cancelled first.
    using Progress = std::function<void(int percent)>;
    using Done = std::function<void()>;

    static std::shared_ptr<CMapDrawJob> Start(CInput input, Progress progress, Done done);
    ~CMapDrawJob();

    // Stops the job soon; from now on it calls nothing and its result is not to be used.
    void Cancel();

    // The result, once `done` was called: the copy of the canvas as drawn, what its Repaint
    // returned, the rows it drew when it read them itself (null when it was given them or
    // could not read them), and whether the database was in use by another program.
    const CMapCanvas& Drawn() const { return m_input.canvas; }
    const QString& Report() const { return m_strReport; }
    const std::shared_ptr<CGeoPlaceRows>& RowsRead() const { return m_pRowsRead; }
    const QString& ReadError() const { return m_strReadError; }
    bool DatabaseBusy() const { return m_bBusy; }

    // Jobs whose thread has not ended yet (with the work below).
    static int Running();
    // Other work of a map window that is to stay off the GUI thread, on the jobs' threads.
    static void StartWork(std::function<void()> work);

private:
    CMapDrawJob(CInput input, Progress progress, Done done);
    void Run();
    void ReadRows();
    bool Cancelled() const { return m_bCancelled.load(std::memory_order_relaxed); }
    void Tell(int percent);

    CInput m_input;
    QString m_strReport;
    QString m_strReadError;
    std::shared_ptr<CGeoPlaceRows> m_pRowsRead;
    bool m_bBusy = false;
    std::atomic<bool> m_bCancelled{false};
    std::mutex m_mutex; // guards the callbacks against Cancel
    Progress m_progress;
    Done m_done;
    int m_nShown = -1;
};
