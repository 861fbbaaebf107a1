// Printing a table window and its print preview.
#include "table/CListView_Table.h"

#include "app/KelvoApp.h"
#include "app/MainFrame.h"
#include "app/MessageBox.h"
#include "app/StatusBarProgress.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

void CListView_Table::PrintTo(QPrinter& printer) {
    if (!m_pTableDesc)
        return;
    TablePrint::PageRange range;
    if (printer.printRange() == QPrinter::PageRange)
        range = {printer.fromPage(), printer.toPage()};
    bool printed = false;
    {
        CStatusBarProgress progress;
        // One logical unit is one pixel of the screen the window is on.
        printed = TablePrint::PrintAll(printer, *m_pTableDesc, TablePrint::RowsOf(m_model),
                                       QSize(logicalDpiX(), logicalDpiY()), range, &progress);
    }
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    if (!printed)
        KelvoMessageBox(QStringLiteral("Die Tabelle kann nicht gedruckt werden: Der Drucker "
                                       "\"%1\" lässt sich nicht ansprechen.")
                            .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                    : printer.outputFileName()));
}

void CListView_Table::OnFilePrint(bool withDialog) {
    QPrinter& printer = theApp.GetPrinter();
    if (withDialog) {
        QPrintDialog dlg(&printer, theApp.GetMainFrame());
        if (dlg.exec() != QDialog::Accepted)
            return;
    }
    PrintTo(printer);
}

void CListView_Table::OnFilePrintPreview() {
    QPrintPreviewDialog dlg(&theApp.GetPrinter(), theApp.GetMainFrame());
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintTo(*printer); });
    dlg.exec();
}
