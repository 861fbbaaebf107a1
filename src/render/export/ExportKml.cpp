#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"

#include <QIODevice>
#include <QLocale>
#include <QXmlStreamWriter>

#include <string>

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

// Whether the UTF-8 text goes into an element as it is: no markup character, no control
// character, no character beyond U+FFFD (U+FFFE, U+FFFF and those above the BMP, which take
// the writer's own way). Almost every cell is such a text.
bool isPlain(QByteArrayView bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 || b == '<' || b == '>' || b == '&' || b == '"' || b == '\'' || b >= 0xF0)
            return false;
        if (b == 0xEF && i + 2 < bytes.size() && static_cast<unsigned char>(bytes[i + 1]) == 0xBF &&
            static_cast<unsigned char>(bytes[i + 2]) >= 0xBE)
            return false;
    }
    return true;
}

// The file is written as the pieces Qt's XML writer (indented by four blanks) writes for it,
// put together here: handing each of the writer's many small pieces to the file costs several
// times the rest of the export. A text that needs escaping goes through the writer itself.
class CKmlLines {
public:
    explicit CKmlLines(std::string* out) : m_out(*out) {}

    // <element>text</element> on a line of its own, `depth` levels in.
    void Text(int depth, QByteArrayView element, QByteArrayView utf8) {
        indent(depth);
        if (isPlain(utf8)) {
            m_out += '<';
            add(element);
            m_out += '>';
            add(utf8);
            m_out += "</";
            add(element);
            m_out += '>';
            return;
        }
        QString escaped;
        QXmlStreamWriter xml(&escaped);
        writeText(xml, QString::fromLatin1(element), QString::fromUtf8(utf8));
        add(escaped.toUtf8());
    }
    // A line as it is (a start or an end tag).
    void Line(int depth, QByteArrayView tag) {
        indent(depth);
        add(tag);
    }

private:
    void indent(int depth) {
        m_out += '\n';
        m_out.append(std::size_t(4 * depth), ' ');
    }
    void add(QByteArrayView bytes) { m_out.append(bytes.data(), std::size_t(bytes.size())); }

    std::string& m_out;
};

// The start tag of a column's data, <Data name="Staat">, as the writer writes its attribute.
QByteArray dataStartTag(const QString& column) {
    QString tag;
    QXmlStreamWriter xml(&tag);
    xml.writeStartElement(QStringLiteral("Data"));
    xml.writeAttribute(QStringLiteral("name"), xmlText(column));
    xml.writeCharacters(QString()); // closes the start tag
    return tag.toUtf8();
}

QByteArray coordinate(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest).toLatin1();
}

} // namespace

bool WriteKml(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    QList<QByteArray> dataTags;
    for (const QString& column : rows.aColumns)
        dataTags.append(dataStartTag(column));
    // (A standard string takes the many small appends faster than a QByteArray.)
    std::string buffer("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    CKmlLines kml(&buffer);
    kml.Line(0, "<kml xmlns=\"http://www.opengis.net/kml/2.2\">");
    kml.Line(1, "<Document>");
    QByteArray text; // a cell's UTF-8 made from its text
    const auto utf8 = [&](int row, int column) {
        if (rows.utf8)
            return rows.utf8(row, column);
        text = rows.cell(row, column).toUtf8();
        return QByteArrayView(text);
    };
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        kml.Line(2, "<Placemark>");
        kml.Text(3, "name", utf8(i, GEO_ORT));
        const QByteArrayView memo = utf8(i, GEO_MEMO);
        if (!memo.isEmpty())
            kml.Text(3, "description", memo);
        kml.Line(3, "<ExtendedData>");
        bool data = false;
        for (int j = 0; j < rows.aColumns.size(); ++j) {
            const QByteArrayView value = utf8(i, j);
            if (value.isEmpty())
                continue;
            kml.Line(4, dataTags.at(j));
            kml.Text(5, "value", value);
            kml.Line(4, "</Data>");
            data = true;
        }
        if (data)
            kml.Line(3, "</ExtendedData>");
        else
            buffer.insert(buffer.size() - 1, 1, '/'); // <ExtendedData/>, as the writer closes it
        double lon = 0, lat = 0;
        if (RowPosition(rows, i, &lon, &lat)) {
            kml.Line(3, "<Point>");
            kml.Text(4, "coordinates", coordinate(lon) + ',' + coordinate(lat));
            kml.Line(3, "</Point>");
        }
        kml.Line(2, "</Placemark>");
        if (buffer.size() > (1 << 16)) {
            if (!WriteBytes(out, buffer))
                return false;
            buffer.clear();
        }
        step(i);
    }
    if (i > 0)
        kml.Line(1, "</Document>");
    else
        buffer.insert(buffer.size() - 1, 1, '/'); // <Document/>
    kml.Line(0, "</kml>");
    buffer += '\n';
    result->nWritten = i;
    return result->strError.isEmpty() && WriteBytes(out, buffer);
}

} // namespace Export
