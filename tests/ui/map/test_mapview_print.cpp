// Printing a map window through the real printing path: to PDF, with and without the print
// dialog, and the preview.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QTimer>

namespace {

// Runs `act` on the modal dialog of type T as soon as it is up.
template <typename T, typename Act> void WhenModal(Act act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// Pages of a PDF, as pdfinfo counts them.
int PdfPages(const QString& pdf) {
    QProcess info;
    info.start("pdfinfo", {pdf});
    info.waitForFinished();
    const QString out = QString::fromUtf8(info.readAllStandardOutput());
    const int at = int(out.indexOf("Pages:"));
    return at < 0 ? -1 : out.mid(at + 6).section('\n', 0, 0).trimmed().toInt();
}

} // namespace

class MapPrintTest : public MapViewFixture {
protected:
    // The shared printer, writing PDF to `file` at 600 dpi on A4 landscape without margins.
    QPrinter& PdfPrinter(const QString& file) {
        QPrinter& printer = theApp.GetPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                          QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
        return printer;
    }

    // Every case prints a map with one place.
    void SetUp() override {
        MapViewFixture::SetUp();
        if (!HasFatalFailure()) {
            ASSERT_TRUE(InsertRows({Berlin()}));
        }
    }
};

TEST_F(MapPrintTest, AWindowOf800x600PrintsAt21By16CentimetresOnOnePage) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->logicalDpiX(), 96); // the offscreen screen
    const QString pdf = dir.filePath("karte.pdf");
    PdfPrinter(pdf);
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_DIRECT));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(PdfPages(pdf), 1);

    // At 96 dpi a page pixel is a screen pixel: the frame lies where it lies on the screen,
    // (50,30)-(750,570), so the 800 x 600 window measures 21.2 cm x 15.9 cm on paper.
    const QString base = dir.filePath("seite");
    ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "96", "-png", "-singlefile", pdf, base}), 0);
    const QImage page(base + ".png");
    ASSERT_FALSE(page.isNull());
    auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 60; };
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int x = 0; x < page.width(); ++x) {
        if (dark(x, 318)) { // between two latitude labels
            left = left < 0 ? x : left;
            right = x;
        }
    }
    for (int y = 0; y < page.height(); ++y) {
        if (dark(98, y)) { // between two longitude lines and two labels
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    EXPECT_NEAR(left, 50, 1);
    EXPECT_NEAR(right, 749, 2);
    EXPECT_NEAR(top, 30, 1);
    EXPECT_NEAR(bottom, 569, 2);
    const double widthCm = (right + 1 - left) * 800.0 / 700.0 / 96.0 * 2.54;
    const double heightCm = (bottom + 1 - top) * 600.0 / 540.0 / 96.0 * 2.54;
    EXPECT_NEAR(widthCm, 21.2, 0.1);
    EXPECT_NEAR(heightCm, 15.9, 0.1);
    // The window on the screen is unchanged.
    EXPECT_EQ(view->Canvas().m_rectPlot, (CRect{50, 30, 750, 570}));
}

TEST_F(MapPrintTest, CtrlPShowsThePrintDialogAndPrintsOnOk) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const QString pdf = dir.filePath("dialog.pdf");
    PdfPrinter(pdf);
    WhenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->accept(); });
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(PdfPages(pdf), 1);
    EXPECT_TRUE(messages.isEmpty());

    const QString cancelled = dir.filePath("abgebrochen.pdf");
    PdfPrinter(cancelled);
    WhenModal<QPrintDialog>([](QPrintDialog* dialog) { dialog->reject(); });
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT));
    EXPECT_FALSE(QFileInfo::exists(cancelled));
}

TEST_F(MapPrintTest, ThePreviewShowsOnePage) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    PdfPrinter(dir.filePath("vorschau.pdf"));
    int pages = -1;
    WhenModal<QPrintPreviewDialog>([&pages](QPrintPreviewDialog* dialog) {
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
            pages = preview->pageCount();
        dialog->reject();
    });
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(pages, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("vorschau.pdf")));
}

TEST_F(MapPrintTest, AnUnusablePrinterIsReported) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    PdfPrinter(dir.filePath("fehlt/karte.pdf"));
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_DIRECT));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Die Karte kann nicht gedruckt werden"))
        << messages[0].toStdString();
}

TEST_F(MapPrintTest, AMapTooWideForThePageTurnsItAndShrinksToFit) {
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    // The printer set up for A4 portrait with 5 mm margins: 20 cm x 28.7 cm printable.
    QPrinter& printer = PdfPrinter(dir.filePath("unbenutzt.pdf"));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
    struct Case {
        QSize window;
        double frameCm; // the frame's width on paper
    };
    // 900 x 400 (23.8 cm wide): landscape at its size. 1600 x 400 (42.3 cm): landscape,
    // shrunk to the 28.7 cm the page prints.
    for (const Case& c :
         {Case{{900, 400}, 800 * 2.54 / 96}, Case{{1600, 400}, 28.7 * 1500 / 1600}}) {
        SizeView(view, c.window);
        const QString pdf = dir.filePath("karte.pdf");
        printer.setOutputFileName(pdf);
        ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_DIRECT));
        EXPECT_TRUE(messages.isEmpty());
        // The printer is set up as before.
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);

        const QString base = dir.filePath("seite");
        ASSERT_EQ(QProcess::execute("pdftoppm", {"-r", "100", "-png", "-singlefile", pdf, base}),
                  0);
        const QImage page(base + ".png");
        ASSERT_GT(page.width(), page.height()); // landscape
        // Between two latitude lines: from the frame's left edge to its right edge.
        const int y = int(5 / 25.4 * 100) + 40;
        int left = -1, right = -1;
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) < 60) {
                left = left < 0 ? x : left;
                right = x;
            }
        }
        EXPECT_NEAR((right - left) * 2.54 / 100, c.frameCm, 0.1) << c.window.width();
        EXPECT_LT(right, page.width() - int(5 / 25.4 * 100)); // inside the printable area
    }
    // The preview shows the page turned as it will be printed.
    QPageLayout::Orientation shown = QPageLayout::Portrait;
    WhenModal<QPrintPreviewDialog>([&shown](QPrintPreviewDialog* dialog) {
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
            shown = preview->orientation();
        dialog->reject();
    });
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(shown, QPageLayout::Landscape);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
}
