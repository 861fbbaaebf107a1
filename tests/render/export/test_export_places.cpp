// A place file written from table rows: the program's own reader gives back exactly those
// places, and a map finds every entry in the database.
#include "common/TestSupport.h"
#include "render/export/Export.h"
#include "render/map/MapTestSupport.h"
#include "render/places/PlaceFile.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableExport.h"
#include "render/table/TableFill.h"

#include <gtest/gtest.h>

using namespace MapTest;

TEST(ExportPlaces, MapFindsEveryPlaceWrittenAndSkipsWhatTheFormatCannotHold) {
    TempGeo geo({{"DE", "80331", "München", "11.571", "48.1345"},
                 {"AT", "1010", "Wien; Innere Stadt", "16.37", "48.2"},
                 {"BE", "1420", " Braine-l'Alleud ", "4.37", "50.68"},
                 {"CH", "8001", "", "8.54", "47.37"},
                 {"D", "10115", "Berlin", "13.38", "52.53"},
                 {"DE", "1 2", "Leerzeichen in der PLZ", "9.0", "50.0"},
                 {"DE", "", "ohne PLZ", "9.0", "50.0"}});
    CGeoTableModel model;
    FillTableModel(geo.Db(), geo.Db().m_Table, {}, model, nullptr);
    ASSERT_EQ(model.RowCount(), 7);
    // The table rows in Staat, PLZ order: AT, BE, CH, D, DE "", DE "1 2", DE 80331.
    const QString path = QFileInfo(geo.Path()).absolutePath() + "/orte.txt";
    const Export::CResult result = Export::WriteFile(path, Export::Format::Places,
                                                     TableExportRows(model, {0, 1, 2, 6, 5, 3, 4}));
    ASSERT_TRUE(result.strError.isEmpty()) << qPrintable(result.strError);
    EXPECT_EQ(result.nWritten, 5); // "D" is no two-letter country; "" is no postal code
    EXPECT_EQ(result.nSkipped, 2);

    CPlaceList places;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(CPlaceFileReader().Read(file, places));
    ASSERT_EQ(places.size(), 5);
    const QStringList expected[] = {{"AT", "1010", "Wien  Innere Stadt"},
                                    {"BE", "1420", "Braine-l'Alleud"},
                                    {"CH", "8001", "0"},
                                    {"DE", "80331", "München"},
                                    {"DE", "1 2", "Leerzeichen in der PLZ"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(QStringList({places[i].m_strStaat, places[i].m_strPLZ, places[i].m_strLabel}),
                  expected[i]);
        EXPECT_EQ(places[i].m_strMarkerSize, "3");
        EXPECT_EQ(places[i].m_strFontHeight, "14");
    }

    CMapCanvas canvas(geo.Db(), DefaultSettings());
    canvas.SetPlaceList(&places);
    Render(canvas);
    const QPoint muenchen = canvas.LonLatToPoint(11.571, 48.1345);
    EXPECT_EQ(QPoint(places[3].m_nX, places[3].m_nY), muenchen);
    for (const CPlaceEntry& entry : places)
        EXPECT_NE(QPoint(entry.m_nX, entry.m_nY), QPoint(0, 0)) << qPrintable(entry.m_strPLZ);
}
