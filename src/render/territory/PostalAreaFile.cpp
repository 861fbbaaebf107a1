#include "render/territory/PostalAreaFile.h"

#include "base/GermanNumbers.h"
#include "render/gdal/GdalFormats.h"
#include "render/territory/TerritoryStore.h"

namespace PostalAreaFile {

bool Columns(const QString& path, CPostalAreaColumns* columns, QString* error) {
    CGdalFormats* formats = GdalFormats::Get(error);
    QList<QStringList> rows;
    if (!formats || !formats->AreaColumns(path, TableListMapping::kGuessRows - 1, &columns->names,
                                          &rows, error))
        return false;
    const QStringList names = columns->names;
    *columns = CPostalAreaColumns();
    columns->names = names;
    rows.prepend(names);
    QList<int> lines;
    for (qsizetype i = 0; i < rows.size(); ++i)
        lines << int(i + 1);
    columns->mapping = TableListMapping::Guess(rows, lines);
    // Column names that say nothing: the postal code is the column of 4- and 5-digit numbers.
    if (columns->mapping.Column(CTableListMapping::Plz) < 0 && rows.size() > 1) {
        const CTableListMapping byValues = TableListMapping::Guess(rows.mid(1), lines.mid(1));
        columns->mapping.aColumn.fill(-1);
        for (const auto role : {CTableListMapping::Plz, CTableListMapping::Staat})
            columns->mapping.aColumn[role] = byValues.Column(role);
    }
    columns->mapping.nHeaderLine = 0;
    return true;
}

bool Read(const QString& path, const CTableListMapping& mapping, QList<CPostalArea>* areas,
          int* repaired, int* skipped, QString* error, const CPostalAreaLimits& limits) {
    areas->clear();
    *repaired = *skipped = 0;
    CGdalFormats* formats = GdalFormats::Get(error);
    if (!formats)
        return false;
    CGdalAreaRequest request;
    request.plzField = mapping.Column(CTableListMapping::Plz);
    request.staatField = mapping.Column(CTableListMapping::Staat);
    request.country = mapping.strCountry;
    request.maxAreas = limits.areas;
    request.maxPoints = limits.points;
    return formats->ReadAreas(path, request, areas, repaired, skipped, error);
}

bool Import(CGeoDatabase& database, const QString& path, const CTableListMapping& mapping,
            QString* report, QString* error, const CPostalAreaLimits& limits) {
    QList<CPostalArea> areas;
    int repaired = 0, skipped = 0;
    if (!Read(path, mapping, &areas, &repaired, &skipped, error, limits))
        return false;
    CTerritoryStore store(database);
    if (!store.ImportAreas(areas)) {
        *error = store.Error();
        return false;
    }
    QStringList notes;
    if (repaired > 0)
        notes << QStringLiteral("%1 repariert").arg(repaired);
    if (skipped > 0)
        notes << GermanNumbers::Count(skipped, QStringLiteral("Objekt"),
                                      QStringLiteral("Objekte")) +
                     QStringLiteral(" ohne PLZ oder Fläche übergangen");
    *report = GermanNumbers::Count(areas.size(), QStringLiteral("PLZ-Fläche"),
                                   QStringLiteral("PLZ-Flächen")) +
              QStringLiteral(" importiert") +
              (notes.isEmpty() ? QString()
                               : QStringLiteral(" (%1)").arg(notes.join(QStringLiteral(", ")))) +
              QLatin1Char('.');
    return true;
}

} // namespace PostalAreaFile
