// The map view and the territories: the outlines, their shape, the postal-code areas they
// are made of and their GeoJSON, the lasso dragged with Ctrl held, and "Gebiet zuweisen..."
// for the places inside it or in the extent.
#include "ui/map/CKelvoView.h"

#include "base/CommandIds.h"
#include "base/GermanNumbers.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "store/GeoDatabase.h"
#include "ui/map/PostalAreaDialog.h"
#include "ui/map/TerritoryOutlineDialog.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/UsableWait.h"
#include "ui/territory/TerritoryOutlineSave.h"
#include "ui/territory/TerritoryPanel.h"
#include "ui/territory/TerritoryPlaces.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include <atomic>
#include <optional>

namespace {

void status(const QString& text) {
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(text);
}

} // namespace

bool CKelvoView::OnTerritoryCommand(int id) {
    switch (id) {
    case ID_TERRITORY_OUTLINES:
        m_canvas.m_bTerritoryOutlines = !m_canvas.m_bTerritoryOutlines;
        RepaintNow();
        return true;
    case ID_TERRITORY_OUTLINE_SHAPE: {
        CTerritoryOutlineDialog dialog(m_canvas.m_outlineShape, this);
        if (dialog.exec() == QDialog::Accepted) {
            m_canvas.m_outlineShape = dialog.Shape();
            CTerritoryOutlineDialog::Remember(dialog.Shape());
            if (m_canvas.m_bTerritoryOutlines)
                RepaintNow();
        }
        return true;
    }
    case ID_TERRITORY_IMPORT_AREAS: {
        QString report;
        if (CPostalAreaDialog::Import(this, &report)) {
            status(report);
            if (m_canvas.UsesTerritories())
                RepaintNow();
        }
        return true;
    }
    case ID_TERRITORY_SAVE_OUTLINES:
        break;
    default:
        return false;
    }
    QString path;
    {
        QFileDialog dialog(this, QStringLiteral("Gebietsumrisse speichern"), QString(),
                           QStringLiteral("GeoJSON (*.geojson)"));
        dialog.setObjectName(QStringLiteral("TerritoryOutlinesFileDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return true;
        path = dialog.selectedFiles().first();
    }
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".geojson");
    QString text;
    if (TerritoryOutlineSave::Write(path, m_canvas.m_outlineShape, &text))
        status(text);
    else
        KelvoMessageBox(text, this);
    return true;
}

bool CKelvoView::OnUpdateTerritoryCommand(int id, CCmdUI& ui) {
    switch (id) {
    case ID_TERRITORY_OUTLINES:
        ui.SetCheck(m_canvas.m_bTerritoryOutlines);
        return true;
    case ID_TERRITORY_SAVE_OUTLINES:
    case ID_TERRITORY_IMPORT_AREAS:
        ui.Enable(g_GeoDatabase.IsOpen());
        return true;
    case ID_TERRITORY_OUTLINE_SHAPE:
        return true;
    default:
        return false;
    }
}

void CKelvoView::OnAssignTerritory() {
    QString error;
    QList<CTerritoryException> places;
    if (!SelectedPlaces(&places, &error))
        return; // stopped
    if (!error.isEmpty()) {
        KelvoMessageBox(error, this);
        return;
    }
    const bool assigned = CTerritoryPanel::Assign(this, places);
    // Millions of places (four texts each) are freed on the map jobs' thread, not here.
    CMapDrawJob::StartWork([gone = std::move(places)] {});
    if (assigned && !m_lasso.IsEmpty()) {
        m_lasso.Clear();
        DropLassoCount();
        CTerritoryPanel::MapSelectionChanged();
        update();
    }
}

bool CKelvoView::SelectedPlaces(QList<CTerritoryException>* places, QString* error) {
    if (!g_GeoDatabase.IsOpen())
        return true;
    struct Shared {
        std::atomic<bool> done{false};
        std::atomic<int> percent{0};
        QList<CTerritoryException> places;
    };
    auto shared = std::make_shared<Shared>();
    CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(g_GeoDatabase);
    const std::shared_ptr<const CGeoPlaceRows> rows = cache.Cached(true);
    // The lasso's count is taken when it was made over these rows.
    const QList<quint32>* counted = LassoRows(rows.get());
    // Without a lasso, the places of the extent (a copy of the canvas that has it).
    auto make = [shared, lasso = m_lasso,
                 extent = m_lasso.IsEmpty() ? std::optional(m_canvas) : std::nullopt,
                 counted =
                     counted ? std::optional(*counted) : std::nullopt](const CGeoPlaceRows& read) {
        shared->places = TerritoryPlaces::OfPlaceRows(
            read, counted  ? *counted
                  : extent ? TerritoryPlaces::RowsInExtent(*extent, read)
                           : TerritoryPlaces::RowsInLasso(lasso, read));
    };
    auto finished = [shared] {
        shared->done = true;
        CUsableWait::Wake();
    };
    std::shared_ptr<CMapDrawJob> read;
    const CGeoDatabase::CDataStamp stamp = g_GeoDatabase.DataStamp();
    if (rows) {
        CMapDrawJob::StartWork([make, finished, rows] {
            make(*rows);
            finished();
        });
    } else {
        // The texts are read here with their progress; reading them ahead meanwhile would
        // read them twice.
        StopTextsReadAhead();
        CMapDrawJob::CInput input =
            CMapDrawJob::CInput::RowsOnly(m_canvas, g_GeoDatabase.FilePath());
        input.afterRead = [make](const std::shared_ptr<const CGeoPlaceRows>& texts) {
            make(*texts);
        };
        read = CMapDrawJob::Start(
            std::move(input), [shared](int percent) { shared->percent = percent; }, finished);
    }
    bool done = false, closeRefused = false;
    {
        CStatusBarProgress progress(Qt::BusyCursor);
        progress.Start(QStringLiteral("Orte werden gelesen:"));
        CUsableWait wait;
        done = wait.Run(
            [&] {
                progress.SetPos(shared->percent);
                return shared->done.load();
            },
            GetParentFrame());
        closeRefused = wait.CloseRefused();
    }
    if (!done) {
        // Stopped: nothing is assigned; a close of the window waited for this.
        if (read)
            read->Cancel();
        if (closeRefused && GetParentFrame())
            GetParentFrame()->close();
        else
            status(QString());
        return false;
    }
    if (read) {
        if (read->DatabaseBusy()) {
            *error = CKelvoApp::DatabaseInUseText();
            return true;
        }
        if (!read->ReadError().isEmpty()) {
            *error = read->ReadError();
            return true;
        }
        cache.Adopt(read->RowsRead(), stamp);
    }
    *places = std::move(shared->places);
    return true;
}

bool CKelvoView::LassoMouse(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (event->button() != Qt::LeftButton || !(event->modifiers() & Qt::ControlModifier) ||
            m_band.IsTracking())
            return false;
        m_lasso.Begin(point);
        DropLassoCount();
        update();
        return true;
    case QEvent::MouseMove:
        if (!m_lasso.IsTracking())
            return false;
        m_lasso.Move(point);
        update();
        return true;
    case QEvent::MouseButtonRelease: {
        if (event->button() != Qt::LeftButton || !m_lasso.IsTracking())
            return false;
        m_lasso.Move(point);
        const bool enclosed = m_lasso.End(m_canvas);
        DropLassoCount();
        QString error;
        std::shared_ptr<const CGeoPlaceRows> rows;
        if (enclosed && g_GeoDatabase.IsOpen()) {
            // Positions are enough: the rows the maps drew, without waiting for their texts,
            // which may still be read ahead on a thread.
            CGeoPlaceRowsCache& cache = CGeoPlaceRowsCache::Of(g_GeoDatabase);
            rows = cache.Cached(false);
            if (!rows)
                rows = cache.Rows(false, {}, &error);
        }
        if (!enclosed)
            status(QStringLiteral("Das Lasso umschließt keine Fläche."));
        else if (!error.isEmpty())
            status(error);
        else
            StartLassoCount(rows, true);
        CTerritoryPanel::MapSelectionChanged();
        update();
        return true;
    }
    default:
        return false;
    }
}

void CKelvoView::StartLassoCount(std::shared_ptr<const CGeoPlaceRows> rows, bool announce) {
    DropLassoCount();
    m_bLassoCounting = true;
    const quint64 generation = m_nLassoGeneration;
    // Counted on a copy of the lasso; a view gone meanwhile drops the result.
    CMapDrawJob::StartWork([view = QPointer<CKelvoView>(this), generation, announce,
                            lasso = m_lasso, rows = std::move(rows)]() mutable {
        CLassoCount count{std::move(rows), {}};
        if (count.rows)
            count.inside = TerritoryPlaces::RowsInLasso(lasso, *count.rows);
        QMetaObject::invokeMethod(
            qApp,
            [view, generation, announce, count = std::move(count)]() mutable {
                if (view)
                    view->LassoCounted(generation, std::move(count), announce);
            },
            Qt::QueuedConnection);
    });
}

void CKelvoView::LassoCounted(quint64 generation, CLassoCount count, bool announce) {
    if (generation != m_nLassoGeneration || !m_bLassoCounting)
        return;
    m_bLassoCounting = false;
    m_lassoCount = std::move(count);
    if (announce)
        status(QStringLiteral("%1 im Lasso. \"Gebiet zuweisen...\" weist sie einem Gebiet "
                              "zu, Esc hebt die Auswahl auf.")
                   .arg(GermanNumbers::Amount(m_lassoCount.inside.size(), QStringLiteral("Ort"),
                                              QStringLiteral("Orte"))));
    CTerritoryPanel::MapSelectionChanged();
}

void CKelvoView::DropLassoCount() {
    ++m_nLassoGeneration;
    m_bLassoCounting = false;
    m_lassoCount = CLassoCount();
}

const QList<quint32>* CKelvoView::LassoRows(const CGeoPlaceRows* rows) const {
    return rows && !m_bLassoCounting && !m_lasso.IsEmpty() && m_lassoCount.rows.get() == rows
               ? &m_lassoCount.inside
               : nullptr;
}

bool CKelvoView::ClearLasso() {
    if (m_lasso.IsEmpty())
        return false;
    m_lasso.Clear();
    DropLassoCount();
    CTerritoryPanel::MapSelectionChanged();
    update();
    return true;
}

void CKelvoView::PaintLasso(QPainter& painter) {
    const QPolygon shown = m_lasso.Shown(m_canvas);
    if (shown.size() < 2)
        return;
    // A dashed outline that inverts what lies below, as the zoom's band, drawn inside the
    // frame only: a path that runs over the axes still selects the places inside it.
    const CRect& plot = m_canvas.m_rectPlot;
    painter.save();
    painter.setClipRect(QRect(plot.left + 1, plot.top + 1, plot.Width() - 2, plot.Height() - 2));
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.setCompositionMode(QPainter::CompositionMode_Difference);
    if (m_lasso.IsTracking())
        painter.drawPolyline(shown);
    else
        painter.drawPolygon(shown);
    painter.restore();
}
