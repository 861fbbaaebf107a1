#include "render/territory/TerritoryPlaceMemos.h"

#include "render/rows/GeoPlaceRows.h"
#include "render/territory/TerritoryCount.h"

#include <QLocale>

void CTerritoryPlaceMemos::Update(const CTerritoryCount& count) {
    m_byTerritory.clear();
    if (count.Rows() != m_pRows) {
        m_pRows = count.Rows();
        m_aMemoRows.clear();
        if (m_pRows && m_pRows->HasTexts()) {
            for (quint32 k = 0; k < m_pRows->Size(); ++k) {
                if (!m_pRows->TextOf(k, CGeoPlaceRows::Memo).trimmed().isEmpty())
                    m_aMemoRows.push_back(k);
            }
        }
    }
    for (quint32 row : m_aMemoRows)
        m_byTerritory[count.Placement(row).territory] << row;
}

QString CTerritoryPlaceMemos::Line(quint32 row) const {
    const auto text = [&](CGeoPlaceRows::Text t) {
        return QString::fromUtf8(m_pRows->TextOf(row, t));
    };
    QString place = QString::fromUtf8(m_pRows->Countries()[m_pRows->Country(row)]) + u' ' +
                    text(CGeoPlaceRows::Plz) + u' ' + text(CGeoPlaceRows::Ort);
    const QString part = text(CGeoPlaceRows::Ortsteil);
    if (!part.isEmpty())
        place += u' ' + part;
    return place.simplified() + QStringLiteral(": ") + text(CGeoPlaceRows::Memo).simplified();
}

QStringList CTerritoryPlaceMemos::Lines(qint64 territory, qsizetype most) const {
    const QList<quint32> rows = Of(territory);
    QStringList lines;
    for (qsizetype i = 0; i < rows.size() && i < most; ++i)
        lines << Line(rows[i]);
    if (rows.size() > most)
        lines << QStringLiteral("… und %1 weitere")
                     .arg(QLocale(QLocale::German).toString(rows.size() - most));
    return lines;
}
