#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class CGeoPlaceRows;
class CTerritoryCount;

// The memos of the places in each territory, as the panel lists them: the rows with a memo
// are found once per set of rows and grouped by the territory each is counted in now.
class CTerritoryPlaceMemos {
public:
    // Groups the memo rows of `count`'s rows by their territory (0: in none).
    void Update(const CTerritoryCount& count);
    // The rows with a memo of a territory, in the rows' order.
    QList<quint32> Of(qint64 territory) const { return m_byTerritory.value(territory); }
    qsizetype Count(qint64 territory) const { return m_byTerritory.value(territory).size(); }
    // "DE 80331 München: Kunde seit 2019" (the memo on one line).
    QString Line(quint32 row) const;
    // Up to `most` lines of a territory, then "… und N weitere"; empty without memos.
    QStringList Lines(qint64 territory, qsizetype most) const;

private:
    std::shared_ptr<const CGeoPlaceRows> m_pRows;
    std::vector<quint32> m_aMemoRows; // of m_pRows
    QHash<qint64, QList<quint32>> m_byTerritory;
};
