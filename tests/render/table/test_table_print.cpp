// Printed table pages: the layout drawn through the device context, and real PDF output.
#include "common/TestSupport.h"
#include "render/draw/DeviceContext.h"
#include "render/table/TablePrint.h"
#include "store/GeoDatabase.h"

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TablePrint::Rows rowsOf(const QList<QStringList>& rows) {
    return {int(rows.size()), [rows](int r, int c) { return rows[r][c]; }};
}

QStringList row(const QString& ort, const QString& memo = QString()) {
    QStringList cells(13);
    cells[0] = "1";
    cells[1] = "DE";
    cells[2] = "10115";
    cells[7] = ort;
    cells[12] = memo;
    return cells;
}

// Text of a PDF through pdftotext, with the page breaks as form feeds.
QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

TEST(TablePrint, PageOnAnImageHasFrameHeaderRowsAndFooter) {
    CGeoDatabase db;
    QImage image(1100, 700, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    CDeviceContext dc(painter);
    const QList<QStringList> rows{row("Berlin"), row("Ein sehr langer Ortsname mit Zusatz")};
    // A printer whose printable height gives 3 rows a page with this font.
    const CTextMetrics tm = [&] {
        const CFont old = dc.SelectObject(TablePrint::PrintFont());
        const CTextMetrics m = dc.GetTextMetrics();
        dc.SelectObject(old);
        return m;
    }();
    const int H = tm.tmHeight + tm.tmExternalLeading;
    const int pages = TablePrint::DrawPage(dc, db.m_Table, rowsOf(rows), 1,
                                           CRect{10, 10, 1090, 690}, 3 * 7 * H + 5);
    EXPECT_EQ(pages, 1);
    // Frame from (10,10) to the footer area; column lines at 10, 50, 100, 200 ...
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_EQ(image.pixel(10, 300), black);
    EXPECT_EQ(image.pixel(50, 300), black);
    EXPECT_EQ(image.pixel(100, 300), black);
    EXPECT_EQ(image.pixel(200, 300), black);
    EXPECT_EQ(image.pixel(1089, 300), black);            // the frame's right edge
    EXPECT_EQ(image.pixel(500, 10 + 2 * H), black);      // the line under the header
    EXPECT_EQ(image.pixel(500, 690 - 2 * H - 1), black); // the frame's bottom edge
    EXPECT_NE(image.pixel(500, 690 - 2 * H + 2), black);
}

TEST(TablePrint, PdfHasTheRowsInOrderCutTextsAndFooters) {
    QTemporaryDir dir;
    QList<QStringList> rows;
    for (int i = 0; i < 150; ++i)
        rows << row(QStringLiteral("Ort%1").arg(i, 3, 10, QLatin1Char('0')));
    rows[0][7] = "Ein sehr langer Ortsname mit Zusatz";
    CGeoDatabase db;
    const QString pdf = dir.filePath("t.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(5, 5, 5, 5), QPageLayout::Millimeter));
        ASSERT_TRUE(TablePrint::PrintAll(writer, db.m_Table, rowsOf(rows), {96, 96}));
    }
    const QString text = pdfText(pdf);
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 2);
    const int count = int(pages.size()) - (pages.last().trimmed().isEmpty() ? 1 : 0);
    EXPECT_TRUE(text.contains(QStringLiteral("Seite = 1 / %1").arg(count)));
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("Seite = %1 / %1 +Tabelle = GEO").arg(count))));
    EXPECT_TRUE(text.contains("Ein sehr langer...")) << qPrintable(pages[0].left(2000));
    EXPECT_FALSE(text.contains("ID_Geo"));
    EXPECT_TRUE(pages[0].contains("Regierungsbezirk")); // header texts are not cut
    EXPECT_LT(text.indexOf("Ort001"), text.indexOf("Ort149"));
}

TEST(TablePrint, EmptyWindowPrintsOnePage) {
    QTemporaryDir dir;
    CGeoDatabase db;
    const QString pdf = dir.filePath("leer.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        ASSERT_TRUE(TablePrint::PrintAll(writer, db.m_Table, rowsOf({}), {96, 96}));
    }
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QRegularExpression("Seite = 1 / 1 +Tabelle = GEO")));
    EXPECT_EQ(text.count('\f'), 1);
}

TEST(TablePrint, PrintTableCommandPrintsASearchResult) {
    QTemporaryDir dir;
    const QByteArray line1 =
        TestSupport::GeoNamesLine("DE", "10115", "Berlin", "Berlin", "", "", "52.5", "13.4");
    const QByteArray line2 =
        TestSupport::GeoNamesLine("AT", "1010", "Wien", "Wien", "", "", "48.2", "16.4");
    TestSupport::WriteFile(dir.filePath("d.txt"), line1 + line2);
    ASSERT_EQ(TestSupport::RunCli({"import", "d.txt"}, dir.path()), 0);
    QString out;
    ASSERT_EQ(TestSupport::RunCli({"print-table", "--search", "Wien", "w.pdf"}, dir.path(), &out),
              0);
    EXPECT_EQ(out, "1 Zeile gedruckt\n");
    const QString text = pdfText(dir.filePath("w.pdf"));
    EXPECT_TRUE(text.contains("Wien"));
    EXPECT_FALSE(text.contains("Berlin"));
    EXPECT_TRUE(text.contains("Seite = 1 / 1"));
}

namespace {

// A row with every printed column filled: values that a reader of the PDF can find.
QStringList fullRow(const QString& ort) {
    return {"1", "DE",       "10115", "Land Berlin", "Bezirk",  "Berlin, Stadt", "Mitte",
            ort, "Ortsteil", "B",     "13.3888",     "52.5191", "Kunde Meier"};
}

void printTo(const QString& pdf, const QList<QStringList>& rows, QPageSize::PageSizeId size) {
    CGeoDatabase db;
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(size), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                     QPageLayout::Millimeter));
    ASSERT_TRUE(TablePrint::PrintAll(writer, db.m_Table, rowsOf(rows), {96, 96}));
}

// Width x height of the first page in points, from pdfinfo.
QSizeF firstPageSize(const QString& pdf) {
    QProcess p;
    p.start("pdfinfo", {pdf});
    p.waitForFinished();
    const QRegularExpressionMatch m = QRegularExpression(R"(Page size:\s+([\d.]+) x ([\d.]+))")
                                          .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

} // namespace

TEST(TablePrint, ColumnsThatDoNotFitPortraitGoLandscapeWithEveryColumn) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("quer.pdf");
    printTo(pdf, {fullRow("Berlin")}, QPageSize::A4);
    const QSizeF page = firstPageSize(pdf);
    EXPECT_GT(page.width(), page.height()); // landscape
    const QString text = pdfText(pdf);
    for (const char* header :
         {"Staat", "PLZ", "Bundesland", "Regierungsbezirk", "Landkreis", "Verwaltung", "Ortsteil",
          "KFZ", "Langengrad", "Breitengrad", "Memo"})
        EXPECT_TRUE(text.contains(header)) << header;
    // Whole values, not cut by the page's edge.
    for (const char* value : {"13.3888", "52.5191", "Kunde Meier", "Berlin, Stadt"})
        EXPECT_TRUE(text.contains(value)) << value << "\n" << qPrintable(text.left(1500));
}

TEST(TablePrint, NarrowPageShrinksColumnsAndCutsOnlyWithDots) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("a5.pdf");
    // A5 is too narrow even in landscape: the columns shrink, every one is still there.
    printTo(pdf, {fullRow("Berlin")}, QPageSize::A5);
    const QString text = pdfText(pdf);
    for (const char* start :
         {"St...", "PLZ", "Bund", "Regi", "Land", "Verw", "Ort", "KFZ", "13.", "52.", "Kun"})
        EXPECT_TRUE(text.contains(start)) << start << "\n" << qPrintable(text.left(1500));
    EXPECT_TRUE(text.contains("...")); // the long headers and values are cut with dots
    EXPECT_FALSE(text.contains("Regierungsbezirk"));
}

TEST(TablePrint, WideLettersAreCutWithDotsBeforeTheNextColumn) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("w.pdf");
    QStringList r = fullRow("Berlin");
    r[9] = "WWWW"; // fewer letters than the column takes on average, but wider
    printTo(pdf, {r}, QPageSize::A4);
    const QString text = pdfText(pdf);
    EXPECT_FALSE(text.contains("WWWW"));
    EXPECT_TRUE(text.contains("W...")) << qPrintable(text.left(1500));
}
