// Exports whose rows are read while they are written: the same bytes as the export of a
// table window over the same rows, and a file that stays as it was when reading fails.
#include "common/TestSupport.h"
#include "render/export/Export.h"
#include "render/map/MapTestSupport.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableExport.h"
#include "render/table/TableFill.h"
#include "store/GeoFilter.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace MapTest;

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(keine Datei)");
}

} // namespace

TEST(ExportStream, WritesTheBytesOfTheWindowsExportInEveryFormat) {
    TempGeo geo({{"DE", "80331", "München", "11.571", "48.1345"},
                 {"AT", "1010", "Wien; \"Innere\" Stadt", "16.37", "48.2"},
                 {"DE", "01067", "=HYPERLINK(1)", "13.7", "51.05"},
                 {"CH", "8001", "", "", ""},
                 {"de", "10115", "Berlin\r\nMitte", "13.38", "52.53"}});
    const QString dir = QFileInfo(geo.Path()).absolutePath();
    const CGeoFilter filters[] = {CGeoFilter(), GeoFilter::Search(QStringLiteral("m*n"), false),
                                  GeoFilter::Search(QStringLiteral("gibt es nicht"), false)};
    const Export::Format formats[] = {Export::Format::Csv, Export::Format::CsvInternational,
                                      Export::Format::GeoJson, Export::Format::Kml,
                                      Export::Format::Places};
    for (const CGeoFilter& filter : filters) {
        CGeoTableModel model;
        FillTableModel(geo.Db(), geo.Db().m_Table, filter, model, nullptr);
        for (Export::Format format : formats) {
            SCOPED_TRACE(qPrintable(Export::Suffix(format) + " " + filter.Text()));
            const Export::CResult window =
                Export::WriteFile(dir + "/fenster", format, TableExportRows(model));
            const Export::CResult stream = Export::WriteFile(
                dir + "/strom", format, TableExportStream(geo.Db(), geo.Db().m_Table, filter));
            ASSERT_TRUE(stream.strError.isEmpty()) << qPrintable(stream.strError);
            EXPECT_EQ(stream.nWritten, window.nWritten);
            EXPECT_EQ(stream.nSkipped, window.nSkipped);
            EXPECT_EQ(readAll(dir + "/strom"), readAll(dir + "/fenster"));
        }
    }
}

TEST(ExportStream, AReadThatFailsLeavesTheEarlierFileAsItWas) {
    TempGeo geo({{"DE", "80331", "München", "11.571", "48.1345"}});
    const QString path = QFileInfo(geo.Path()).absolutePath() + "/orte.csv";
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("frueher\n");
    }
    for (Export::Format format : {Export::Format::Csv, Export::Format::GeoJson, Export::Format::Kml,
                                  Export::Format::Places}) {
        SCOPED_TRACE(qPrintable(Export::Suffix(format)));
        Export::CRows rows = TableExportStream(geo.Db(), geo.Db().m_Table);
        const auto next = rows.next;
        // The first row comes, then the engine fails.
        rows.next = [next](int row, QString* error) {
            if (row < 1)
                return next(row, error);
            *error = QStringLiteral("Lesefehler");
            return false;
        };
        const Export::CResult result = Export::WriteFile(path, format, rows);
        EXPECT_EQ(result.strError, "Lesefehler");
        EXPECT_EQ(result.nWritten, 0);
        EXPECT_EQ(readAll(path), "frueher\n");
    }
}
