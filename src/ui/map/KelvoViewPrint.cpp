// Printing a map window: one page, the map at the physical size it has on the screen when
// that fits, otherwise turned and, if need be, scaled down to fit.
#include "ui/map/CKelvoView.h"

#include "render/map/MapPrint.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

CMapPageFit CKelvoView::PageFit(const QPrinter& printer) const {
    return FitMapToPage(size(), QSize(logicalDpiX(), logicalDpiY()), printer.pageLayout(),
                        printer.resolution());
}

void CKelvoView::OnFilePrint(bool withDialog) {
    QPrinter& printer = theApp.GetPrinter();
    CKeepPageOrientation keep(printer);
    if (!withDialog) {
        OnPrint(printer);
        return;
    }
    // The dialog shows the page as the map will be printed.
    printer.setPageOrientation(PageFit(printer).orientation);
    QPrintDialog dialog(&printer, this);
    // The map is one page.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted)
        OnPrint(printer);
}

void CKelvoView::OnFilePrintPreview() {
    QPrinter& printer = theApp.GetPrinter();
    CKeepPageOrientation keep(printer);
    printer.setPageOrientation(PageFit(printer).orientation);
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { OnPrint(*printer); });
    preview.exec();
}

bool CKelvoView::OnPrint(QPrinter& printer) {
    const CMapPageFit fit = PageFit(printer);
    printer.setPageOrientation(fit.orientation);
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString name =
            printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
        KelvoMessageBox(name.isEmpty()
                            ? QStringLiteral("Die Karte kann nicht gedruckt werden: Es ist kein "
                                             "Drucker verfügbar.")
                            : QStringLiteral("Die Karte kann nicht gedruckt werden: \"%1\" lässt "
                                             "sich nicht verwenden.")
                                  .arg(name),
                        this);
        return false;
    }
    // One logical unit on paper is one pixel of this screen (times the fit's scale); the
    // plot rectangle comes from the window's size, as on the screen.
    QString error;
    {
        CStatusBarProgress progress;
        SyncSelectedPlace();
        error = PrintMap(painter, m_canvas, size(), QSize(logicalDpiX(), logicalDpiY()),
                         QSize(printer.logicalDpiX(), printer.logicalDpiY()), &progress, fit.scale);
    }
    painter.end();
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    if (!error.isEmpty()) {
        KelvoMessageBox(error, this);
        return false;
    }
    return true;
}
