// Printing a table window and its print preview.
#include "ui/table/CListView_Table.h"

#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

namespace {

// Jobs of more pages show their progress window from the first page on.
constexpr int kPagesShownAtOnce = 10;

} // namespace

bool CListView_Table::PrintTo(QPrinter& printer, QDialog* preview) {
    if (!m_pTableDesc)
        return true;
    TablePrint::PageRange range;
    if (printer.printRange() == QPrinter::PageRange)
        range = {printer.fromPage(), printer.toPage()};
    // Many pages take a while: a window counts them and can stop the job.
    QProgressDialog pages(preview ? QStringLiteral("Die Seitenansicht wird erstellt ...")
                                  : QStringLiteral("Die Tabelle wird gedruckt ..."),
                          QStringLiteral("Abbrechen"), 0, 1,
                          preview ? static_cast<QWidget*>(preview) : theApp.GetMainFrame());
    pages.setObjectName(QStringLiteral("TablePrintPages"));
    pages.setWindowTitle(QStringLiteral("Kelvo"));
    pages.setWindowModality(Qt::WindowModal);
    pages.setMinimumDuration(500);
    pages.setAutoReset(false);
    bool cancelled = false;
    auto pageDone = [&](int done, int total) {
        pages.setMaximum(total);
        // A long job shows the window at once, a short one only when it takes a while.
        if (total > kPagesShownAtOnce && !pages.isVisible() && !pages.wasCanceled())
            pages.show();
        pages.setLabelText((preview
                                ? QStringLiteral("Die Seitenansicht wird erstellt: Seite %1 von %2")
                                : QStringLiteral("Die Tabelle wird gedruckt: Seite %1 von %2"))
                               .arg(done)
                               .arg(total));
        pages.setValue(done);
        cancelled = pages.wasCanceled();
        if (cancelled && !preview)
            printer.abort();
        return !cancelled;
    };
    bool printed = false;
    {
        CStatusBarProgress progress;
        // One logical unit is one pixel of the screen the window is on.
        printed =
            TablePrint::PrintAll(printer, *m_pTableDesc, TablePrint::RowsOf(m_model),
                                 QSize(logicalDpiX(), logicalDpiY()), range, &progress, pageDone);
    }
    pages.close();
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    if (cancelled) {
        // A cancelled preview closes; its pages would be incomplete.
        if (preview)
            QMetaObject::invokeMethod(preview, &QDialog::reject, Qt::QueuedConnection);
        return false;
    }
    if (!printed)
        KelvoMessageBox(QStringLiteral("Die Tabelle kann nicht gedruckt werden: Der Drucker "
                                       "\"%1\" lässt sich nicht ansprechen.")
                            .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                    : printer.outputFileName()));
    return true;
}

void CListView_Table::OnFilePrint(bool withDialog) {
    QPrinter& printer = theApp.GetPrinter();
    CKeepPageOrientation keep(printer);
    if (withDialog && m_pTableDesc) {
        // The dialog shows the page as the table will be printed, and its pages to choose from.
        const QSize screenDpi(logicalDpiX(), logicalDpiY());
        const QList<TablePrint::ExtraColumn> extra = TablePrint::RowsOf(m_model).extra;
        printer.setPageOrientation(TablePrint::FitOrientation(*m_pTableDesc, printer.pageLayout(),
                                                              screenDpi.width(), extra));
        QPrintDialog dlg(&printer, theApp.GetMainFrame());
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
        dlg.setMinMax(1,
                      TablePrint::PageCount(*m_pTableDesc, m_model.RowCount(), printer.pageLayout(),
                                            printer.resolution(), screenDpi, extra));
        if (dlg.exec() != QDialog::Accepted)
            return;
    }
    PrintTo(printer);
}

void CListView_Table::OnFilePrintPreview() {
    QPrinter& printer = theApp.GetPrinter();
    CKeepPageOrientation keep(printer);
    if (m_pTableDesc)
        printer.setPageOrientation(TablePrint::FitOrientation(
            *m_pTableDesc, printer.pageLayout(), logicalDpiX(), TablePrint::RowsOf(m_model).extra));
    QPrintPreviewDialog dlg(&printer, theApp.GetMainFrame());
    // The preview asks again for its pages when it is shown or set up anew; once cancelled, or
    // while the pages are being made, it gets none.
    bool busy = false, cancelled = false;
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* p) {
        if (busy || cancelled)
            return;
        busy = true;
        cancelled = !PrintTo(*p, &dlg);
        busy = false;
    });
    dlg.exec();
}
