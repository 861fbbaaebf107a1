#include "ui/data/ImportJob.h"

#include "data/ImportReport.h"
#include "store/GeoDatabase.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/shell/StatusProgress.h"
#include "ui/shell/View.h"
#include "ui/shell/WriteCheckWait.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include <utility>

namespace {

// While the import runs: Esc, the Cancel button and closing the main window cancel it; any
// other key or click waits until it is over.
class CImportInputGate : public QObject {
public:
    CImportInputGate(CMainFrame& frame, QPushButton& cancel) : m_frame(frame), m_cancel(cancel) {
        connect(&cancel, &QPushButton::clicked, this, [this] { m_bCancelled = true; });
        qApp->installEventFilter(this);
    }
    ~CImportInputGate() override { qApp->removeEventFilter(this); }
    bool Cancelled() const { return m_bCancelled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
                m_bCancelled = true;
            event->accept(); // no shortcut either
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::StatusTip: // the caption stays
            return watched != &m_cancel;
        case QEvent::Close:
            if (watched != &m_frame)
                return false;
            m_bCancelled = true;
            event->ignore();
            return true;
        default:
            return false;
        }
    }

private:
    CMainFrame& m_frame;
    QPushButton& m_cancel;
    bool m_bCancelled = false;
};

// Every open window shows the rows as they are now.
void updateAllViews(CMainFrame& frame) {
    for (QMdiSubWindow* window : frame.MdiArea()->subWindowList()) {
        auto* child = qobject_cast<CChildFrame*>(window);
        if (child && child->GetActiveView())
            child->GetActiveView()->OnUpdate();
    }
}

// The Cancel button at the right end of the message pane; the bar ends before it.
void placeCancelButton(CMainFrame& frame, QPushButton& cancel) {
    const QRect pane = frame.MessagePaneRect();
    const int width = cancel.sizeHint().width();
    cancel.setGeometry(pane.right() - 4 - width, 1, width, pane.height() - 2);
    if (QWidget* bar = g_StatusProgress.m_wndProgress) {
        QRect rect = bar->geometry();
        rect.setRight(qMax(rect.left(), cancel.x() - 5));
        bar->setGeometry(rect);
    }
    cancel.show();
}

} // namespace

CGeoImporter::Result RunImportJob(CMainFrame& frame, const QStringList& files,
                                  const QStringList& notes) {
    QStatusBar* bar = frame.statusBar();
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), bar);
    cancel->setObjectName(QStringLiteral("ImportCancel"));
    cancel->setFocusPolicy(Qt::NoFocus);

    CGeoImporter::Result result;
    {
        CImportInputGate gate(frame, *cancel);
        CStatusBarProgress progress;
        // The first write of a session reads the whole file to check it: on a thread, so
        // that Esc and Abbrechen are taken meanwhile.
        const bool check = g_GeoDatabase.WriteCheckDue();
        progress.Start(check ? QStringLiteral("Datenbank wird geprüft:")
                             : QStringLiteral("Postleitzahlen werden importiert:"));
        placeCancelButton(frame, *cancel);
        CGeoImporter importer(g_GeoDatabase);
        // While another import runs on the database, the bar counts the wait; Abbrechen ends
        // it as it ends the import.
        bool waiting = false;
        auto caption = [&](const QString& text) {
            progress.Finish();
            progress.Start(text);
            placeCancelButton(frame, *cancel);
        };
        importer.SetWaiting([&](int elapsedMs) {
            if (!waiting)
                caption(QStringLiteral("Ein anderer Import läuft gerade; Kelvo wartet:"));
            waiting = true;
            progress.SetPos(elapsedMs * 100 / CGeoImporter::kWaitForImportMs);
            QCoreApplication::processEvents();
            return !gate.Cancelled();
        });
        importer.SetPercent([&](int percent) {
            if (std::exchange(waiting, false))
                caption(QStringLiteral("Postleitzahlen werden importiert:"));
            progress.SetPos(percent);
            QCoreApplication::processEvents();
            return !gate.Cancelled();
        });
        if (check) {
            RunWriteCheck(&progress);
            if (!gate.Cancelled())
                caption(QStringLiteral("Postleitzahlen werden importiert:"));
        }
        if (gate.Cancelled()) {
            result.cancelled = true;
            result.fatal = QStringLiteral("Der Import wurde abgebrochen.");
        } else {
            result = importer.Run(files);
        }
        progress.Finish();
    }
    delete cancel;
    frame.SetMessageText(QString());

    if (result.ok)
        updateAllViews(frame);
    frame.UpdateFirstStartHint();
    QStringList report = notes;
    report << ImportReport::Summary(result, g_GeoDatabase.m_Table.m_strTableName);
    const QString text = report.join(QStringLiteral("\n\n"));
    if (result.ok && notes.isEmpty())
        KelvoInfoBox(text, &frame);
    else
        KelvoMessageBox(text, &frame);
    return result;
}
