// Printing a map window: one page, the map at the physical size it has on the screen.
#include "mapview/CKelvoView.h"

#include "app/KelvoApp.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/StatusBarProgress.h"
#include "mapview/MapPrint.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

void CKelvoView::OnFilePrint() {
    QPrinter& printer = theApp.GetPrinter();
    QPrintDialog dialog(&printer, this);
    // The map is one page.
    dialog.setMinMax(1, 1);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted)
        OnPrint(printer);
}

void CKelvoView::OnFilePrintDirect() {
    OnPrint(theApp.GetPrinter());
}

void CKelvoView::OnFilePrintPreview() {
    QPrintPreviewDialog preview(&theApp.GetPrinter(), this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { OnPrint(*printer); });
    preview.exec();
}

bool CKelvoView::OnPrint(QPrinter& printer) {
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
    // One logical unit on paper is one pixel of this screen; the plot rectangle comes from
    // the window's size, as on the screen.
    QString error;
    {
        CStatusBarProgress progress;
        error = PrintMap(painter, m_canvas, size(), QSize(logicalDpiX(), logicalDpiY()),
                         QSize(printer.logicalDpiX(), printer.logicalDpiY()), &progress);
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
