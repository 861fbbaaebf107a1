// Printing a map window as a poster: to a PDF file or a printer, on one page or, where the
// printer has no paper that large, on A4 pages. The printer's own page set-up, which the
// specified printing uses, is given back afterwards.
#include "ui/map/CKelvoView.h"

#include "render/map/MapPoster.h"
#include "render/map/MapPosterPdf.h"
#include "ui/map/PosterDialog.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Whether the printer has paper the poster fits on (in either orientation). A printer that
// names no sizes (a file, a driver that does not say) is taken at its word.
bool printerTakes(const QPrinter& printer, const QPageSize& poster) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return true;
    const QList<QPageSize> sizes = QPrinterInfo(printer).supportedPageSizes();
    if (sizes.isEmpty())
        return true;
    const QSizeF want = poster.size(QPageSize::Millimeter);
    for (const QPageSize& size : sizes) {
        const QSizeF have = size.size(QPageSize::Millimeter);
        if ((have.width() + 1 >= want.width() && have.height() + 1 >= want.height()) ||
            (have.width() + 1 >= want.height() && have.height() + 1 >= want.width()))
            return true;
    }
    return false;
}

// The printer's page set-up as the user left it, given back when the poster is printed.
class CKeepPageLayout {
public:
    explicit CKeepPageLayout(QPrinter& printer)
        : m_printer(printer), m_layout(printer.pageLayout()) {}
    ~CKeepPageLayout() { m_printer.setPageLayout(m_layout); }
    CKeepPageLayout(const CKeepPageLayout&) = delete;
    CKeepPageLayout& operator=(const CKeepPageLayout&) = delete;

private:
    QPrinter& m_printer;
    QPageLayout m_layout;
};

} // namespace

void CKelvoView::OnPrintPoster() {
    const int marker = m_canvas.m_nMarkerHalfSize > 0 ? 2 * m_canvas.m_nMarkerHalfSize : 1;
    CPosterDialog dialog(m_canvas.m_bShowBaseMap, m_canvas.m_bShowLegend, marker, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    CPosterOptions options = dialog.Options();
    SyncPlaceList();
    SyncLegend();
    SyncSelectedPlace();
    const bool legend = m_canvas.m_bShowLegend;
    m_canvas.m_bShowLegend = dialog.Legend();
    QString error;
    if (dialog.ToPdf()) {
        const QString path = dialog.PdfPath();
        error = MapPosterPdf::Write(path, m_canvas, options);
        if (!error.isEmpty() || !QFile::exists(path)) {
            // No poster cut short is left behind.
            QFile::remove(path);
            if (error.isEmpty())
                error =
                    QStringLiteral("Die PDF-Datei \"%1\" kann nicht geschrieben werden.").arg(path);
        }
    } else {
        QPrinter& printer = theApp.GetPrinter();
        CKeepPageLayout keep(printer);
        QPrintDialog print(&printer, this);
        print.setOption(QAbstractPrintDialog::PrintPageRange, false);
        if (print.exec() == QDialog::Accepted) {
            if (!options.tilePageSize.isValid() && !printerTakes(printer, options.pageSize))
                options.tilePageSize = QPageSize(QPageSize::A4);
            error = MapPoster::Print(printer, m_canvas, options);
        }
    }
    m_canvas.m_bShowLegend = legend;
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(QString());
    // The poster drew the map at its own size: the window's plot comes back.
    RepaintNow();
    if (!error.isEmpty())
        KelvoMessageBox(error, this);
}
