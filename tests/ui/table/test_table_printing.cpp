// Printing a table window through its commands: to a PDF printer, with and without the print
// dialog, a page range chosen in the dialog, landscape for columns too wide for portrait,
// the page count of an exact multiple of the rows per page, and the
// print preview.
#include "TableCommandsFixture.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The pages of a PDF's text (pdftotext ends every page with a form feed).
QStringList pdfPages(const QString& pdf) {
    QStringList pages = pdfText(pdf).split('\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace

class TablePrintingTest : public TableCommandsFixture {
protected:
    // The application's printer writes PDF files into the test folder.
    QString PrintTo(const QString& name) {
        const QString path = dir.filePath(name);
        QPrinter& printer = theApp.GetPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPrintRange(QPrinter::AllPages);
        return path;
    }

    // Rows "Ort000" ... in Staat, PLZ order.
    bool InsertNumbered(int count) {
        QList<Fields> rows;
        for (int i = 0; i < count; ++i)
            rows << Fields{{GEO_STAAT, "DE"},
                           {GEO_PLZ, QStringLiteral("%1").arg(i, 5, 10, QLatin1Char('0'))},
                           {GEO_ORT, QStringLiteral("Ort%1").arg(i, 3, 10, QLatin1Char('0'))}};
        return InsertFields(rows);
    }
};

TEST_F(TablePrintingTest, PrintsTheRowsInTheirCurrentOrder) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_FILE_PRINT)->isEnabled());
    EXPECT_TRUE(Action(ID_FILE_PRINT_PREVIEW)->isEnabled());
    ClickHeader(view, GEO_ORT);

    const QString pdf = PrintTo("sortiert.pdf");
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_DIRECT));
    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    const QString& page = pages[0];
    int last = -1;
    for (const char* ort : {"Berlin", "Dresden", "Vaduz", "Wien", "Zürich"}) {
        const int at = int(page.indexOf(QString::fromUtf8(ort)));
        EXPECT_GT(at, last) << ort;
        last = at;
    }
    EXPECT_TRUE(page.contains(QRegularExpression("Seite = 1 / 1 +Tabelle = GEO")));
    EXPECT_TRUE(page.contains("Regierungsbezirk"));
    EXPECT_FALSE(page.contains("ID_Geo"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TablePrintingTest, EmptyWindowPrintsOnePageThroughThePrintDialog) {
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const QString pdf = PrintTo("leer.pdf");
    bool dialogSeen = false;
    WhenModal([&dialogSeen](QWidget* dialog) {
        dialogSeen = qobject_cast<QPrintDialog*>(dialog) != nullptr;
        static_cast<QDialog*>(dialog)->accept();
    });
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(dialogSeen);
    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QRegularExpression("Seite = 1 / 1 +Tabelle = GEO")));
}

TEST_F(TablePrintingTest, ExactMultipleOfTheRowsPerPageHasNoEmptyPageAndRangesPrintTheirPages) {
    ASSERT_TRUE(InsertNumbered(400));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    // The rows a page holds, from a first print: page 2 starts with row R.
    QString pdf = PrintTo("alle.pdf");
    frame->RouteCommand(ID_FILE_PRINT_DIRECT);
    QStringList pages = pdfPages(pdf);
    ASSERT_GE(pages.size(), 3);
    const QRegularExpressionMatch first = QRegularExpression("Ort(\\d\\d\\d)").match(pages[1]);
    ASSERT_TRUE(first.hasMatch());
    const int perPage = first.captured(1).toInt();
    ASSERT_GT(perPage, 10);
    ASSERT_LT(2 * perPage, 400);
    EXPECT_TRUE(
        pages[0].contains(QStringLiteral("Ort%1").arg(perPage - 1, 3, 10, QLatin1Char('0'))));

    // Exactly two pages of rows: two pages, the second one full.
    ASSERT_TRUE(g_GeoDatabase.Execute(
        QStringLiteral("DELETE FROM GEO WHERE ID_Geo > %1").arg(2 * perPage)));
    view = OpenTable();
    ASSERT_EQ(view->GetModel().RowCount(), 2 * perPage);
    pdf = PrintTo("zwei.pdf");
    frame->RouteCommand(ID_FILE_PRINT_DIRECT);
    pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[1].contains(QRegularExpression("Seite = 2 / 2 +Tabelle = GEO")));
    EXPECT_TRUE(
        pages[1].contains(QStringLiteral("Ort%1").arg(2 * perPage - 1, 3, 10, QLatin1Char('0'))));

    // A page range prints only its pages.
    pdf = PrintTo("seite2.pdf");
    theApp.GetPrinter().setPrintRange(QPrinter::PageRange);
    theApp.GetPrinter().setFromTo(2, 2);
    frame->RouteCommand(ID_FILE_PRINT_DIRECT);
    pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(QRegularExpression("Seite = 2 / 2 +Tabelle = GEO")));
    EXPECT_FALSE(pages[0].contains("Ort000"));
}

TEST_F(TablePrintingTest, PreviewShowsThePages) {
    ASSERT_TRUE(InsertNumbered(400));
    ASSERT_TRUE(OpenTable());
    int previewPages = -1;
    std::function<void(QWidget*)> onModal = [&previewPages, &onModal](QWidget* dialog) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(dialog);
        if (!preview) {
            // On a busy machine the window counting the pages comes first: the preview follows.
            WhenModal(onModal, 300, 50);
            return;
        }
        if (auto* widget = preview->findChild<QPrintPreviewWidget*>()) {
            widget->updatePreview();
            previewPages = widget->pageCount();
        }
        dialog->close();
    };
    WhenModal(onModal);
    Command(ID_FILE_PRINT_PREVIEW);
    // As many pages as printing gives.
    const QString pdf = PrintTo("vergleich.pdf");
    frame->RouteCommand(ID_FILE_PRINT_DIRECT);
    EXPECT_EQ(previewPages, pdfPages(pdf).size());
    EXPECT_GE(previewPages, 3);
}

TEST_F(TablePrintingTest, PrintDialogChoosesPagesInLandscapeAndGivesThePrinterBack) {
    ASSERT_TRUE(InsertNumbered(400));
    ASSERT_TRUE(OpenTable());
    const QString pdf = PrintTo("bereich.pdf");
    QPrinter& printer = theApp.GetPrinter();
    printer.setPageOrientation(QPageLayout::Portrait);
    int maxPage = 0;
    QPageLayout::Orientation shown = QPageLayout::Portrait;
    WhenModal([&](QWidget* dialog) {
        auto* print = qobject_cast<QPrintDialog*>(dialog);
        ASSERT_TRUE(print);
        maxPage = print->maxPage();
        shown = print->printer()->pageLayout().orientation();
        // "Seiten von 2 bis 3", typed as a person does.
        auto* pagesFrom = print->findChild<QRadioButton*>("printRange");
        auto* from = print->findChild<QSpinBox*>("from");
        auto* to = print->findChild<QSpinBox*>("to");
        ASSERT_TRUE(pagesFrom && from && to);
        pagesFrom->click();
        for (QSpinBox* box : {to, from}) {
            box->setFocus();
            box->selectAll();
            QTest::keyClicks(box, box == from ? "2" : "3");
        }
        print->accept();
    });
    Key(Qt::Key_P, Qt::ControlModifier);
    EXPECT_GE(maxPage, 3);
    EXPECT_EQ(shown, QPageLayout::Landscape); // the columns do not fit a portrait page
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    const QStringList pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("Seite = 2 / %1").arg(maxPage)));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Seite = 3 / %1").arg(maxPage)));
    for (const char* header : {"Breitengrad", "Memo"})
        EXPECT_TRUE(pages[0].contains(header)) << header;
}
