#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"

#include <QIODevice>
#include <QLocale>
#include <QXmlStreamWriter>

namespace Export {

namespace {

// XML 1.0 has no room for most control characters: they become U+FFFD. Everything else,
// line breaks included, is written as it is (the writer escapes what needs escaping).
QString xmlText(const QString& text) {
    QString clean = text;
    for (QChar& c : clean) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF)
            c = QChar(QChar::ReplacementCharacter);
    }
    return clean;
}

// A text element. A carriage return is written as a character reference: XML readers turn a
// raw one into a line feed, and a memo's CR LF would come back as LF.
void writeText(QXmlStreamWriter& xml, const QString& element, const QString& text) {
    xml.writeStartElement(element);
    const QStringList parts = xmlText(text).split(QLatin1Char('\r'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0)
            xml.writeEntityReference(QStringLiteral("#13"));
        xml.writeCharacters(parts.at(i));
    }
    xml.writeEndElement();
}

QString coordinate(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

bool WriteKml(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.opengis.net/kml/2.2"));
    xml.writeStartElement(QStringLiteral("Document"));
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        xml.writeStartElement(QStringLiteral("Placemark"));
        writeText(xml, QStringLiteral("name"), rows.cell(i, GEO_ORT));
        const QString memo = rows.cell(i, GEO_MEMO);
        if (!memo.isEmpty())
            writeText(xml, QStringLiteral("description"), memo);
        xml.writeStartElement(QStringLiteral("ExtendedData"));
        for (int j = 0; j < rows.aColumns.size(); ++j) {
            const QString value = rows.cell(i, j);
            if (value.isEmpty())
                continue;
            xml.writeStartElement(QStringLiteral("Data"));
            xml.writeAttribute(QStringLiteral("name"), xmlText(rows.aColumns.at(j)));
            writeText(xml, QStringLiteral("value"), value);
            xml.writeEndElement();
        }
        xml.writeEndElement(); // ExtendedData
        double lon = 0, lat = 0;
        if (RowPosition(rows, i, &lon, &lat)) {
            xml.writeStartElement(QStringLiteral("Point"));
            xml.writeTextElement(QStringLiteral("coordinates"),
                                 coordinate(lon) + QLatin1Char(',') + coordinate(lat));
            xml.writeEndElement();
        }
        xml.writeEndElement(); // Placemark
        step(i);
    }
    xml.writeEndDocument();
    result->nWritten = i;
    return result->strError.isEmpty() && !xml.hasError();
}

} // namespace Export
