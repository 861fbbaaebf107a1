#include "render/export/ExportWriters.h"

#include "base/GeoTableDesc.h"
#include "base/TextNumbers.h"

#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <string>

namespace Export {

namespace {

// What Qt's JSON writer writes for one value, without the brackets of the array around it.
QByteArray jsonOf(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// Whether the UTF-8 text is written between double quotes as it is: printable ASCII but the
// double quote and the backslash, and characters beyond ASCII (which the writer leaves as
// they are). Almost every cell is such a text.
bool isPlain(QByteArrayView bytes) {
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == '"' || b == '\\' || b == 0x7F)
            return false;
    }
    return true;
}

// The number as Qt's writer writes a double: a whole number of up to 15 digits as its
// digits, every other through the writer.
void appendNumber(std::string& out, double number) {
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15 &&
        !(number == 0 && std::signbit(number))) {
        out += std::to_string(static_cast<long long>(number));
        return;
    }
    const QByteArray json = jsonOf(number);
    out.append(json.constData(), std::size_t(json.size()));
}

// The collection is written feature by feature, with the bytes Qt's JSON writer gives the
// whole (keys in its order, no blanks): {"features":[F,F,...],"type":"FeatureCollection"}.
// The pieces are put together here; building each feature as a JSON object first cost several
// times the rest of the export. Values that need escaping still go through the writer.
class CGeoJsonFeatures {
public:
    CGeoJsonFeatures(const CRows& rows, std::string* out) : m_rows(rows), m_out(*out) {
        // The properties in the order of the writer's object; of columns of the same name
        // the last one counts, as in an object.
        QJsonObject keys;
        for (int j = 0; j < rows.aColumns.size(); ++j)
            keys.insert(rows.aColumns.at(j), j);
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            const QByteArray key = jsonOf(it.key());
            m_properties.push_back(
                {std::string(key.constData(), std::size_t(key.size())) + ':', it.value().toInt()});
        }
    }

    void Append(int row) {
        m_out += "{\"geometry\":";
        // A row without a position is a feature without geometry.
        double lon = 0, lat = 0;
        if (RowPosition(m_rows, row, &lon, &lat)) {
            m_out += "{\"coordinates\":[";
            appendNumber(m_out, lon);
            m_out += ',';
            appendNumber(m_out, lat);
            m_out += "],\"type\":\"Point\"}";
        } else {
            m_out += "null";
        }
        m_out += ",\"properties\":{";
        for (std::size_t k = 0; k < m_properties.size(); ++k) {
            if (k > 0)
                m_out += ',';
            m_out += m_properties[k].key;
            appendValue(row, m_properties[k].column);
        }
        m_out += "},\"type\":\"Feature\"}";
    }

private:
    // Null for a field without a value; the key and further columns (the distance) as numbers
    // when they hold one; every GEO text field as the text it holds ("01067" stays).
    void appendValue(int row, int column) {
        QByteArrayView bytes;
        if (m_rows.utf8) {
            bytes = m_rows.utf8(row, column);
        } else {
            const QString text = m_rows.cell(row, column);
            if (!text.isValidUtf16()) { // a lone surrogate: the writer's own escape
                append(jsonOf(text));
                return;
            }
            m_text = text.toUtf8();
            bytes = m_text;
        }
        if (bytes.isEmpty()) {
            m_out += "null";
            return;
        }
        double number = 0;
        if ((column == GEO_ID || column >= GEO_FIELD_COUNT) &&
            TextNumbers::ParseNumber(bytes, &number)) {
            appendNumber(m_out, number);
        } else if (isPlain(bytes)) {
            m_out += '"';
            append(bytes);
            m_out += '"';
        } else {
            append(jsonOf(QString::fromUtf8(bytes)));
        }
    }
    void append(QByteArrayView bytes) { m_out.append(bytes.data(), std::size_t(bytes.size())); }

    struct Property {
        std::string key; // "Staat":
        int column;
    };
    const CRows& m_rows;
    std::string& m_out;
    std::vector<Property> m_properties;
    QByteArray m_text; // a cell's UTF-8 made from its text
};

} // namespace

bool WriteGeoJson(QIODevice& out, const CRows& rows, const RowStep& step, CResult* result) {
    std::string buffer("{\"features\":[");
    CGeoJsonFeatures features(rows, &buffer);
    int i = 0;
    for (; HasRow(rows, i, result); ++i) {
        if (i > 0)
            buffer += ',';
        features.Append(i);
        if (buffer.size() > (1 << 16)) {
            if (!WriteBytes(out, buffer))
                return false;
            buffer.clear();
        }
        step(i);
    }
    buffer += "],\"type\":\"FeatureCollection\"}";
    result->nWritten = i;
    return result->strError.isEmpty() && WriteBytes(out, buffer);
}

} // namespace Export
