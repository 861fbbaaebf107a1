// Results going out of a table window: an export of its rows and a place file of the
// selected rows.
#include "ui/table/CListView_Table.h"

#include "base/GermanNumbers.h"
#include "render/export/Export.h"
#include "render/table/TableExport.h"
#include "render/table/TableFillJob.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/CDia_Export.h"
#include "ui/table/UsableWait.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>

namespace {

const char* const kFolderKey = "Export/Ordner";

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

// Progress of the writing thread, shown by the GUI thread as it polls.
class CThreadProgress : public CProgress {
public:
    void Start(const QString& caption) override {
        std::lock_guard lock(m_mutex);
        m_strCaption = caption;
        m_nPos = 0;
    }
    void SetPos(int percent) override { m_nPos = percent; }
    void Finish() override {}
    // The caption once the writing has begun (then empty), and the position.
    QString TakeCaption() {
        std::lock_guard lock(m_mutex);
        return std::exchange(m_strCaption, QString());
    }
    int Pos() const { return m_nPos; }

private:
    std::mutex m_mutex;
    QString m_strCaption;
    std::atomic<int> m_nPos{0};
};

// Writes the rows of a snapshot of the window's rows on a thread of its own while the program
// stays usable, and says how it went: the count in the status bar, a failure in a box. Esc, a
// close of `closing` or the program ending stop it, and the file is then left as it was.
// True when a close of `closing` was refused for it (the caller closes it again).
bool writeRows(const QString& path, Export::Format format,
               std::shared_ptr<const CGeoTableModel> snapshot, const QList<int>& selected,
               QWidget* closing, const Export::COptions& options = {}) {
    struct Shared {
        CThreadProgress progress;
        Export::CResult result;
    };
    auto shared = std::make_shared<Shared>();
    bool done = false;
    bool closed = false;
    {
        CStatusBarProgress progress(Qt::BusyCursor);
        CBackgroundJob job([snapshot = std::move(snapshot), selected, path, format, options,
                            shared](const std::atomic<bool>& cancel) {
            Export::CRows rows = TableExportRows(*snapshot, selected);
            // A stop ends the rows as a failure of reading them would: the file is not
            // replaced. The end of the rows is asked for too, so a stop just before it counts.
            rows.next = [&cancel, n = rows.nRows](int row, QString* error) {
                if (cancel) {
                    *error = QStringLiteral("Abgebrochen.");
                    return false;
                }
                return row < n;
            };
            shared->result = Export::WriteFile(path, format, rows, &shared->progress, options);
        });
        CUsableWait wait;
        done = wait.Run(
            [&] {
                const QString caption = shared->progress.TakeCaption();
                if (!caption.isEmpty())
                    progress.Start(caption);
                progress.SetPos(shared->progress.Pos());
                return job.IsDone();
            },
            closing);
        closed = wait.CloseRefused();
        if (!done) {
            // The thread stops at its next row; waiting for it settles the file (its temporary
            // copy is gone) before anything else happens, also when the program ends.
            job.Cancel();
            while (!job.IsDone())
                QThread::msleep(1);
        }
    }
    const Export::CResult& result = shared->result;
    if (!done && !result.strError.isEmpty()) {
        // Stopped before the end: nothing written, nothing to say.
        if (CMainFrame* frame = theApp.GetMainFrame())
            frame->SetMessageText(QString());
        return closed;
    }
    if (!result.strError.isEmpty()) {
        KelvoMessageBox(result.strError);
        return closed;
    }
    QString text = QStringLiteral("%1 nach \"%2\" geschrieben.")
                       .arg(GermanNumbers::Count(result.nWritten, QStringLiteral("Zeile"),
                                                 QStringLiteral("Zeilen")))
                       .arg(QDir::toNativeSeparators(path));
    if (result.nSkipped > 0)
        text += QStringLiteral(" %1 ohne zweistelligen Staat oder ohne PLZ übergangen.")
                    .arg(GermanNumbers::Count(result.nSkipped, QStringLiteral("Zeile"),
                                              QStringLiteral("Zeilen")));
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(text);
    return closed;
}

// Asks for the file to write in the format; empty when the user cancels. The folder is
// remembered for the next time.
QString askSavePath(Export::Format f, const QString& caption) {
    QFileDialog dlg(theApp.GetMainFrame(), caption,
                    settings().value(QLatin1String(kFolderKey), QDir::currentPath()).toString());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(Export::DialogFilter(f));
    dlg.setDefaultSuffix(Export::Suffix(f));
    dlg.selectFile(QStringLiteral("Orte.") + Export::Suffix(f));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    const QString path = dlg.selectedFiles().first();
    settings().setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
    return path;
}

} // namespace

void CListView_Table::OnFileExport() {
    const QList<int> selected = SelectedRows();
    CDia_Export dlg(m_model.RowCount(), int(selected.size()), theApp.GetMainFrame());
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QString path = askSavePath(dlg.GetFormat(), QStringLiteral("Exportieren"));
    if (path.isEmpty())
        return;
    CChildFrame* frame = GetParentFrame();
    ++m_nExports;
    const bool closed =
        writeRows(path, dlg.GetFormat(), RowsSnapshot(),
                  dlg.SelectedOnly() ? selected : QList<int>(), frame, dlg.GetOptions());
    --m_nExports;
    if (closed)
        QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
}

void CListView_Table::OnFileSavePlaces() {
    const QList<int> selected = SelectedRows();
    if (selected.isEmpty())
        return;
    const QString path =
        askSavePath(Export::Format::Places, QStringLiteral("Als Ortsdatei speichern"));
    if (path.isEmpty())
        return;
    CChildFrame* frame = GetParentFrame();
    ++m_nExports;
    const bool closed = writeRows(path, Export::Format::Places, RowsSnapshot(), selected, frame);
    --m_nExports;
    if (closed)
        QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
}
