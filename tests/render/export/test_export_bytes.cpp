// The KML and GeoJSON exports put their text together themselves: their bytes must be those
// that Qt's XML and JSON writers write for the same document, whatever the cells hold.
#include "base/GeoTableDesc.h"
#include "common/CaseTable.h"
#include "common/TestSupport.h"
#include "render/export/Export.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <gtest/gtest.h>

namespace {

using Rows = QList<QStringList>;

QString clean(QString text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

void textElement(QXmlStreamWriter& xml, const QString& element, const QString& text) {
    xml.writeStartElement(element);
    const QStringList parts = clean(text).split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        xml.writeCharacters(parts.at(i));
    }
    xml.writeEndElement();
}

// The document as Qt's writer writes it, element by element.
QByteArray writtenByQt(const QStringList& columns, const Rows& rows) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    xml.writeStartElement(QStringLiteral("Document"));
    for (const QStringList& row : rows) {
        xml.writeStartElement(QStringLiteral("Placemark"));
        textElement(xml, QStringLiteral("name"), row.at(GEO_ORT));
        if (!row.at(GEO_MEMO).isEmpty())
            textElement(xml, QStringLiteral("description"), row.at(GEO_MEMO));
        xml.writeStartElement(QStringLiteral("ExtendedData"));
        for (int j = 0; j < columns.size(); ++j) {
            if (row.at(j).isEmpty())
                continue;
            xml.writeStartElement(QStringLiteral("Data"));
            xml.writeAttribute(QStringLiteral("name"), clean(columns.at(j)));
            textElement(xml, QStringLiteral("value"), row.at(j));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        bool lonOk = false, latOk = false;
        const double lon = row.at(GEO_LANGENGRAD).toDouble(&lonOk);
        const double lat = row.at(GEO_BREITENGRAD).toDouble(&latOk);
        if (lonOk && latOk) {
            xml.writeStartElement(QStringLiteral("Point"));
            xml.writeTextElement(QStringLiteral("coordinates"),
                                 QString::number(lon, 'g', QLocale::FloatingPointShortest) +
                                     QLatin1Char(',') +
                                     QString::number(lat, 'g', QLocale::FloatingPointShortest));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return bytes;
}

// The collection as one JSON document; a key and further columns as numbers when they hold one.
QByteArray writtenByQtAsJson(const QStringList& columns, const Rows& rows) {
    QJsonArray features;
    for (const QStringList& row : rows) {
        QJsonObject properties;
        for (int j = 0; j < columns.size(); ++j) {
            bool number = false;
            const double value = row.at(j).trimmed().toDouble(&number);
            if (row.at(j).isEmpty())
                properties.insert(columns.at(j), QJsonValue(QJsonValue::Null));
            else if ((j == GEO_ID || j >= GEO_FIELD_COUNT) && number)
                properties.insert(columns.at(j), value);
            else
                properties.insert(columns.at(j), row.at(j));
        }
        QJsonObject feature{{"type", "Feature"}, {"properties", properties}};
        bool lonOk = false, latOk = false;
        const double lon = row.at(GEO_LANGENGRAD).toDouble(&lonOk);
        const double lat = row.at(GEO_BREITENGRAD).toDouble(&latOk);
        if (lonOk && latOk)
            feature.insert("geometry",
                           QJsonObject{{"type", "Point"}, {"coordinates", QJsonArray{lon, lat}}});
        else
            feature.insert("geometry", QJsonValue(QJsonValue::Null));
        features.append(feature);
    }
    return QJsonDocument(QJsonObject{{"type", "FeatureCollection"}, {"features", features}})
        .toJson(QJsonDocument::Compact);
}

QByteArray exported(Export::Format format, const QStringList& columns, const Rows& rows,
                    bool utf8) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orte"));
    Export::CRows source;
    source.aColumns = columns;
    source.nRows = int(rows.size());
    source.cell = [&rows](int row, int column) { return rows.at(row).at(column); };
    QByteArray cellBytes;
    if (utf8)
        source.utf8 = [&](int row, int column) {
            cellBytes = rows.at(row).at(column).toUtf8();
            return QByteArrayView(cellBytes);
        };
    const Export::CResult result = Export::WriteFile(path, format, source);
    EXPECT_TRUE(result.strError.isEmpty()) << qPrintable(result.strError);
    return TestSupport::ReadFile(path);
}

QStringList row(const QString& ort, const QString& memo, const QString& extra = {}) {
    QStringList cells(GEO_FIELD_COUNT + 1);
    cells[GEO_ID] = QStringLiteral("17");
    cells[GEO_STAAT] = QStringLiteral("DE");
    cells[GEO_PLZ] = QStringLiteral("01067");
    cells[GEO_ORT] = ort;
    cells[GEO_LANGENGRAD] = QStringLiteral("13.7");
    cells[GEO_BREITENGRAD] = QStringLiteral("51.05");
    cells[GEO_MEMO] = memo;
    cells[GEO_FIELD_COUNT] = extra;
    return cells;
}

Rows trickyRows() {
    Rows rows;
    for (const CaseTable::Row& memo : CaseTable::Read("export_memos")) {
        QString text = memo.Text(0);
        text.replace(QLatin1String("\\r"), QLatin1String("\r"))
            .replace(QLatin1String("\\\\"), QLatin1String("\\"));
        rows << row(QStringLiteral("Dresden"), text, QStringLiteral("1.5"));
    }
    rows << row(QStringLiteral("Tom's \"Eck\" & <Bar>"), QString(QChar(0xFFFE)) + QChar(0xFFFF))
         << row(QStringLiteral("Grüße \U0001F600 \x01\x1f\x7f"), QStringLiteral("\r\r\n\t"))
         << row(QString(), QString(), QStringLiteral("\xe4\r"));
    // Each character that needs care alone in a cell.
    for (const char* alone :
         {"A & B", "x > y", "x < y", "\"", "Tom's", "a\tb", "a\nb", "\x02", "C:\\", "\x7f", "/"})
        rows << row(QString::fromLatin1(alone), QString::fromLatin1(alone),
                    QString::fromLatin1(alone));
    // Numbers of the further column: whole, negative zero, large, small, written otherwise.
    for (const char* number : {"0", "-0", "-17", "2.50", "007", " 3 ", "1e20", "123456789012345678",
                               "0.000001", "-0.5", "12.345678901234567"})
        rows << row(QStringLiteral("Zahl"), QString(), QString::fromLatin1(number));
    QStringList empty(GEO_FIELD_COUNT + 1); // no data and no point
    rows << empty;
    return rows;
}

QStringList trickyColumns() {
    QStringList columns;
    for (int j = 0; j < GEO_FIELD_COUNT; ++j)
        columns << QStringLiteral("Feld%1").arg(j, 2, 10, QLatin1Char('0'));
    columns << QStringLiteral("Ent\"fer<nung>\t&'\r\n");
    return columns;
}

} // namespace

TEST(ExportBytes, KmlIsWhatQtsXmlWriterWritesForEveryKindOfCell) {
    const QStringList columns = trickyColumns();
    const Rows rows = trickyRows();
    for (bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8 cells" : "text cells");
        EXPECT_EQ(exported(Export::Format::Kml, columns, rows, utf8), writtenByQt(columns, rows));
        EXPECT_EQ(exported(Export::Format::Kml, columns, {}, utf8), writtenByQt(columns, {}));
        EXPECT_EQ(exported(Export::Format::Kml, columns, {rows.first()}, utf8),
                  writtenByQt(columns, {rows.first()}));
    }
}

TEST(ExportBytes, GeoJsonIsWhatQtsJsonWriterWritesForEveryKindOfCell) {
    QStringList columns = trickyColumns();
    Rows rows = trickyRows();
    for (bool utf8 : {false, true}) {
        SCOPED_TRACE(utf8 ? "UTF-8 cells" : "text cells");
        EXPECT_EQ(exported(Export::Format::GeoJson, columns, rows, utf8),
                  writtenByQtAsJson(columns, rows));
        EXPECT_EQ(exported(Export::Format::GeoJson, columns, {}, utf8),
                  writtenByQtAsJson(columns, {}));
    }
    // A lone surrogate gets the writer's escape; of two columns of one name the last counts.
    rows = {row(QString(QChar(0xD800)), QStringLiteral("x"), QStringLiteral("4"))};
    columns.last() = columns.at(GEO_ORT);
    EXPECT_EQ(exported(Export::Format::GeoJson, columns, rows, false),
              writtenByQtAsJson(columns, rows));
}
