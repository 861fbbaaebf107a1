// The GeoNames line parser and the line reader underneath the importer.
#include "data/GeoNamesLine.h"
#include "data/LineReader.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

namespace {

QByteArray line(const QByteArray& place, const QByteArray& lat = "47.1",
                const QByteArray& lon = "9.5") {
    return "LI\t9490\t" + place + "\tVaduz\t\t\t\t\t\t" + lat + "\t" + lon + "\t";
}

QString reason(const QByteArray& text) {
    GeoNamesRow row;
    return ParseGeoNamesLine(text, &row);
}

// Every line the reader gives, "!" for a line too long, and how it ended.
QStringList readAll(const QByteArray& bytes, qsizetype chunk) {
    qsizetype pos = 0;
    CLineReader reader([&](char* data, qint64 max) -> qint64 {
        const qsizetype n = std::min<qsizetype>({chunk, qsizetype(max), bytes.size() - pos});
        memcpy(data, bytes.constData() + pos, size_t(n));
        pos += n;
        return n;
    });
    QStringList lines;
    QByteArrayView view;
    while (true) {
        const CLineReader::Status status = reader.Next(&view);
        if (status == CLineReader::End)
            return lines;
        lines << (status == CLineReader::TooLong ? QStringLiteral("!")
                                                 : QString::fromUtf8(view.toByteArray()));
    }
}

} // namespace

TEST(GeoNamesLine, SplitsTheColumnsAndTrimsCoordinates) {
    GeoNamesRow row;
    ASSERT_EQ(ParseGeoNamesLine("DE\t01067\tDresden\tSachsen\tSN\tDresden\t00\tKreisfreie Stadt "
                                "Dresden\t14612\t 51.0564 \t13.7217\t4",
                                &row),
              QString());
    EXPECT_EQ(row.country, "DE");
    EXPECT_EQ(row.postalCode, "01067");
    EXPECT_EQ(row.place, "Dresden");
    EXPECT_EQ(row.adminName1, "Sachsen");
    EXPECT_EQ(row.adminName2, "Dresden");
    EXPECT_EQ(row.adminName3, "Kreisfreie Stadt Dresden");
    EXPECT_EQ(row.latitude, "51.0564");
    EXPECT_EQ(row.longitude, "13.7217");
    EXPECT_EQ(reason(line("Zürich") + ""), QString());
}

TEST(GeoNamesLine, RefusesMalformedLinesWithAReason) {
    EXPECT_EQ(reason("LI\t9490\tVaduz"), "3 statt 12 Spalten");
    EXPECT_EQ(reason(line("Vaduz") + "\textra"), "13 statt 12 Spalten");
    EXPECT_EQ(reason(line("Va\xff"
                          "duz")),
              "kein gültiger UTF-8-Text");
    EXPECT_EQ(reason(line("Vaduz", "47,1")), "Koordinate ist keine Zahl");
    EXPECT_EQ(reason(line("Vaduz", "47.1", "")), "Koordinate ist keine Zahl");
    EXPECT_EQ(reason(line("Vaduz", "inf")), "Koordinate ist keine Zahl");
}

TEST(GeoNamesLine, ControlCharactersAndImpossibleCoordinatesMakeALineInvalid) {
    for (const QByteArray& place : {QByteArray("Va\0duz", 6), QByteArray("Va\rduz"),
                                    QByteArray("Va\x1b"
                                               "duz"),
                                    QByteArray("Va\x7f"
                                               "duz"),
                                    QByteArray("Va\xc2\x85"
                                               "duz")})
        EXPECT_EQ(reason(line(place)), "enthält ein Steuerzeichen") << place.toHex().constData();
    // Other characters from the same block are letters, not controls.
    EXPECT_EQ(reason(line("Va\xc2\xa0"
                          "d\xc3\xbc"
                          "z")),
              QString());

    EXPECT_EQ(reason(line("Vaduz", "91.5")), "Breitengrad außerhalb von -90 bis 90");
    EXPECT_EQ(reason(line("Vaduz", "-90.0001")), "Breitengrad außerhalb von -90 bis 90");
    EXPECT_EQ(reason(line("Vaduz", "47", "180.5")), "Längengrad außerhalb von -180 bis 180");
    EXPECT_EQ(reason(line("Vaduz", "-90", "-180")), QString());
    EXPECT_EQ(reason(line("Vaduz", "90", "180")), QString());
}

TEST(LineReader, SplitsAtEveryBlockSizeTheSameWay) {
    const QByteArray text = "eins\r\nzwei\n\ndrei";
    for (qsizetype chunk : {1, 3, 7, 1024})
        EXPECT_EQ(readAll(text, chunk), QStringList({"eins", "zwei", "", "drei"})) << chunk;
    EXPECT_EQ(readAll("", 16), QStringList());
    EXPECT_EQ(readAll("\n", 16), QStringList({""}));
}

TEST(LineReader, PassesOverALineTooLongAndReadsOn) {
    const QByteArray huge(CLineReader::kMaxLineBytes + 10, 'x');
    EXPECT_EQ(readAll("vorher\n" + huge + "\nnachher\n", 64 * 1024),
              QStringList({"vorher", "!", "nachher"}));
    EXPECT_EQ(readAll("vorher\n" + huge, 64 * 1024), QStringList({"vorher", "!"}));
}
