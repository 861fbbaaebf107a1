#include "db/GeoImport.h"

#include "db/GeoDatabase.h"
#include "db/GeoRecordset.h"
#include "db/GeoSql.h"
#include "db/TextNumbers.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVariantList>

namespace {

// Columns of a GeoNames postal-code line.
enum SourceColumn {
    SRC_COUNTRY = 0,
    SRC_POSTAL_CODE = 1,
    SRC_PLACE = 2,
    SRC_ADMIN_NAME1 = 3,
    SRC_ADMIN_NAME2 = 5,
    SRC_ADMIN_NAME3 = 7,
    SRC_LATITUDE = 9,
    SRC_LONGITUDE = 10,
    SRC_COLUMNS = 12
};

int characterCount(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (!s.at(i).isLowSurrogate())
            ++n;
    }
    return n;
}

} // namespace

bool CGeoImporter::ParseLine(QByteArrayView bytes, const QMap<QString, QString>& countryMap,
                             const CGeoTableDesc& desc, QStringList* values, QString* reason) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString line = decoder(bytes);
    if (decoder.hasError()) {
        *reason = QStringLiteral("kein gültiger UTF-8-Text");
        return false;
    }
    const QStringList cols = line.split(QLatin1Char('\t'));
    if (cols.size() != SRC_COLUMNS) {
        *reason = QStringLiteral("%1 statt %2 Spalten").arg(cols.size()).arg(SRC_COLUMNS);
        return false;
    }
    double number = 0;
    if (!TextNumbers::ParseNumber(cols[SRC_LATITUDE].toUtf8(), &number) ||
        !TextNumbers::ParseNumber(cols[SRC_LONGITUDE].toUtf8(), &number)) {
        *reason = QStringLiteral("Koordinate ist keine Zahl");
        return false;
    }
    *values = QStringList(desc.m_nFields);
    QStringList& v = *values;
    v[GEO_STAAT] = countryMap.value(cols[SRC_COUNTRY], cols[SRC_COUNTRY]);
    v[GEO_PLZ] = cols[SRC_POSTAL_CODE];
    v[GEO_ORT] = cols[SRC_PLACE];
    v[GEO_BUNDESLAND] = cols[SRC_ADMIN_NAME1];
    v[GEO_REGIERUNGSBEZIRK] = cols[SRC_ADMIN_NAME2];
    v[GEO_LANDKREIS] = cols[SRC_ADMIN_NAME3];
    v[GEO_LANGENGRAD] = cols[SRC_LONGITUDE].trimmed();
    v[GEO_BREITENGRAD] = cols[SRC_LATITUDE].trimmed();
    for (int i = 0; i < desc.m_nFields; ++i) {
        if (desc.FieldType(i) == dbText && characterCount(v[i]) > desc.FieldSize(i)) {
            *reason = QStringLiteral("%1 ist länger als erlaubt").arg(desc.FieldName(i));
            return false;
        }
    }
    return true;
}

CGeoImporter::CGeoImporter(CGeoDatabase& database) : m_database(database) {}

CGeoImporter::Result CGeoImporter::Run(const QStringList& files) {
    Result result;
    if (!m_database.IsOpen()) {
        result.fatal = m_database.OpenError().isEmpty()
                           ? QStringLiteral("Die Datenbank ist nicht geöffnet.")
                           : m_database.OpenError();
        return result;
    }
    // One checked write transaction: a file that is in use or damaged gets nothing.
    if (!m_database.BeginWrite()) {
        result.fatal = m_database.LastError();
        return result;
    }
    bool ok = true;
    for (const QString& file : files) {
        if (!ImportFile(file, result)) {
            ok = false;
            break;
        }
    }
    if (ok && result.invalidCount > 0 && !m_bSkipInvalid) {
        ok = false;
        result.fatal = QStringLiteral("%1 ungültige Zeile(n); nichts wurde importiert.")
                           .arg(result.invalidCount);
    }
    if (ok && !m_database.CommitWrite()) {
        ok = false;
        result.fatal = QStringLiteral("Speichern fehlgeschlagen: %1").arg(m_database.LastError());
    }
    if (!ok)
        m_database.RollbackWrite();
    result.ok = ok;
    result.totalRows = m_database.GetRecordCount(m_database.m_Table.m_strTableName);
    return result;
}

bool CGeoImporter::ImportFile(const QString& path, Result& result) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.fatal = QStringLiteral("%1: Datei kann nicht geöffnet werden (%2).")
                           .arg(path, file.errorString());
        return false;
    }
    const CGeoTableDesc& desc = m_database.m_Table;
    CGeoRecordset insert(m_database);
    if (!insert.Open(GeoSql::InsertRow(desc))) {
        result.fatal = QStringLiteral("Einfügen nicht möglich: %1").arg(insert.Error());
        return false;
    }

    FileResult counts;
    counts.file = path;
    const QString name = QFileInfo(path).fileName();
    auto invalid = [&](int line, const QString& reason) {
        ++result.invalidCount;
        ++counts.skipped;
        if (result.invalidLines.size() < kMaxListedErrors)
            result.invalidLines << QStringLiteral("%1:%2: %3").arg(name).arg(line).arg(reason);
    };

    int lineNumber = 0;
    QStringList values;
    QString reason;
    while (!file.atEnd()) {
        QByteArray bytes = file.readLine();
        ++lineNumber;
        while (bytes.endsWith('\n') || bytes.endsWith('\r'))
            bytes.chop(1);
        if (bytes.isEmpty())
            continue;
        if (!ParseLine(bytes, m_mapCountry, desc, &values, &reason)) {
            invalid(lineNumber, reason);
            continue;
        }
        QVariantList bound;
        for (int i = 0; i < desc.m_nFields; ++i) {
            if (i != desc.m_nKeyField) // no value: NULL, never the empty text
                bound << (values[i].isEmpty() ? QVariant() : QVariant(values[i]));
        }
        if (!insert.Rebind(bound) || !insert.Execute()) {
            result.fatal =
                QStringLiteral("%1:%2: %3").arg(name).arg(lineNumber).arg(insert.Error());
            return false;
        }
        ++counts.imported;
        if (m_progress && counts.imported % kProgressEvery == 0)
            m_progress(QStringLiteral("%1: %2 Zeilen …").arg(name).arg(counts.imported));
    }
    if (file.error() != QFileDevice::NoError) {
        result.fatal = QStringLiteral("%1: Lesefehler (%2).").arg(path, file.errorString());
        return false;
    }
    result.files << counts;
    return true;
}
