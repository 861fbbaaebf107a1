#include "data/ArchiveCheck.h"

#include "data/ImportInput.h"
#include "data/LineReader.h"

#include <QHash>
#include <QLocale>
#include <QMap>
#include <QSet>

namespace {

QString cancelled() {
    return QStringLiteral("Das Herunterladen wurde abgebrochen.");
}

QString rows(qint64 n) {
    return n == 1 ? QStringLiteral("1 Zeile")
                  : QStringLiteral("%1 Zeilen").arg(QLocale(QLocale::German).toString(n));
}

// The lines of every member, counted by country, with the rules against inflated archives.
class LineCensus {
public:
    // An empty text, or the rule the line breaks.
    QString Take(QByteArrayView line) {
        ++m_nLines;
        const qsizetype tab = line.indexOf('\t');
        const QByteArrayView country = tab < 0 ? line : line.first(tab);
        if (country != m_lastCountry) {
            m_lastCountry = country.toByteArray();
            m_pCount = &m_countries[m_lastCountry];
        }
        ++*m_pCount;
        if (*m_pCount > ArchiveCheck::kMaxRowsPerCountry)
            return QStringLiteral("Das Archiv enthält mehr als %1 für %2, mehr als ein Staat "
                                  "haben kann; es wird nicht verwendet.")
                .arg(rows(ArchiveCheck::kMaxRowsPerCountry), QString::fromUtf8(m_lastCountry));
        if (!m_seen.contains(qHash(line, 0)))
            m_seen.insert(qHash(line, 0));
        else if (++m_nDuplicates >= ArchiveCheck::kMinDuplicates &&
                 m_nDuplicates * 100 > m_nLines * ArchiveCheck::kMaxDuplicatePercent)
            return QStringLiteral("Das Archiv enthält zu viele doppelte Zeilen (%1 der ersten %2 "
                                  "wiederholen eine frühere, erlaubt ist höchstens %3 %); es "
                                  "wird nicht verwendet.")
                .arg(QLocale(QLocale::German).toString(m_nDuplicates), rows(m_nLines))
                .arg(ArchiveCheck::kMaxDuplicatePercent);
        return QString();
    }

    // An empty text when every line belongs to `country`, else what the archive holds.
    QString Countries(const QString& country) const {
        QStringList others;
        for (auto it = m_countries.begin(); it != m_countries.end(); ++it) {
            if (it.key() != country.toUtf8())
                others << QStringLiteral("%1 (%2)").arg(QString::fromUtf8(it.key()),
                                                        rows(it.value()));
        }
        if (others.isEmpty() && m_countries.contains(country.toUtf8()))
            return QString();
        if (!m_countries.contains(country.toUtf8()))
            return QStringLiteral("Das Archiv enthält keine Zeilen von %1, sondern %2; es wird "
                                  "nicht importiert.")
                .arg(country, others.isEmpty() ? QStringLiteral("keine") : others.join(", "));
        return QStringLiteral("Das Archiv enthält außer %1 auch Zeilen anderer Staaten: %2; "
                              "es wird nicht importiert.")
            .arg(rows(m_countries.value(country.toUtf8())) + QStringLiteral(" von ") + country,
                 others.join(QStringLiteral(", ")));
    }

private:
    qint64 m_nLines = 0;
    qint64 m_nDuplicates = 0;
    QSet<size_t> m_seen;
    QMap<QByteArray, qint64> m_countries;
    QByteArray m_lastCountry;
    qint64* m_pCount = nullptr;
};

} // namespace

namespace ArchiveCheck {

QString Check(const QString& path, const QString& country, qint64 maxMemberBytes,
              const std::atomic<bool>* cancel) {
    CImportInput input;
    input.SetMaxMemberBytes(maxMemberBytes);
    if (!input.Open(path))
        return input.Error();
    if (!input.IsArchive())
        return QStringLiteral("Die Antwort ist keine ZIP-Datei.");
    LineCensus census;
    while (input.NextPart()) {
        CLineReader reader([&input](char* data, qint64 max) { return input.Read(data, max); });
        QByteArrayView line;
        CLineReader::Status status;
        while ((status = reader.Next(&line)) != CLineReader::End) {
            if (status == CLineReader::Failed)
                return input.Error();
            if (cancel && cancel->load(std::memory_order_relaxed))
                return cancelled();
            if (status == CLineReader::TooLong || line.isEmpty())
                continue; // the import reports it with its line number
            const QString broken = census.Take(line);
            if (!broken.isEmpty())
                return broken;
        }
    }
    if (!input.Error().isEmpty())
        return input.Error();
    return census.Countries(country);
}

} // namespace ArchiveCheck
