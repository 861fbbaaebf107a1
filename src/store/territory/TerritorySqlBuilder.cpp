#include "store/territory/TerritorySqlBuilder.h"

#include "store/SqlSpelling.h"

#include <QStringList>

namespace {

const char* const kTerritory[] = {"ID", "Name", "Farbe", "Verantwortlich", "Memo"};
const char* const kRule[] = {"ID", "ID_Gebiet", "Staat", "Von", "Bis"};
const char* const kException[] = {"Staat", "PLZ", "Ort", "Ortsteil", "ID_Gebiet"};
const char* const kArea[] = {"Staat", "PLZ", "Flaeche"};

} // namespace

CTerritorySqlBuilder::CTerritorySqlBuilder(const CSqlSpelling& spelling) : m_spelling(spelling) {}

QString CTerritorySqlBuilder::N(const char* name) const {
    return m_spelling.Name(QLatin1String(name));
}

QString CTerritorySqlBuilder::List(const char* const* names, int count) const {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << N(names[i]);
    return list.join(QStringLiteral(", "));
}

QString CTerritorySqlBuilder::Mark(int n) const {
    return m_spelling.Placeholder(n);
}

QString CTerritorySqlBuilder::Marks(int count) const {
    return m_spelling.Placeholders(1, count);
}

QString CTerritorySqlBuilder::ChangeCount() const {
    return QStringLiteral("SELECT %1 FROM %2").arg(N("Stand"), N("GEBIET_STAND"));
}

QString CTerritorySqlBuilder::CountChange() const {
    return QStringLiteral("UPDATE %1 SET %2 = %2 + 1").arg(N("GEBIET_STAND"), N("Stand"));
}

QString CTerritorySqlBuilder::Territories() const {
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(List(kTerritory, 5), N("GEBIET"), N("ID"));
}

QString CTerritorySqlBuilder::TerritoryForWrite() const {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %1 = %3").arg(N("ID"), N("GEBIET"), Mark(1)) +
           HeldForWrite();
}

QString CTerritorySqlBuilder::InsertTerritory() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
        .arg(N("GEBIET"), List(kTerritory + 1, 4), Marks(4), N("ID"));
}

QString CTerritorySqlBuilder::UpdateTerritoryIfUnchanged() const {
    QStringList sets, unchanged;
    for (int i = 0; i < 4; ++i) {
        const QString column = N(kTerritory[1 + i]);
        sets << column + QStringLiteral(" = ") + Mark(1 + i);
        unchanged << Unchanged(column, Mark(6 + i));
    }
    return QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4 AND %5")
        .arg(N("GEBIET"), sets.join(QStringLiteral(", ")), N("ID"), Mark(5),
             unchanged.join(QStringLiteral(" AND ")));
}

QString CTerritorySqlBuilder::DeleteTerritory() const {
    return QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(N("GEBIET"), N("ID"), Mark(1));
}

QString CTerritorySqlBuilder::Rules() const {
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(List(kRule, 5), N("GEBIET_REGEL"), N("ID"));
}

QString CTerritorySqlBuilder::InsertRule() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(N("GEBIET_REGEL"), List(kRule + 1, 4), Marks(4));
}

// "UPDATE table SET column = mark 1 WHERE key = mark 2".
QString CTerritorySqlBuilder::Move(const char* table, const char* key) const {
    return QStringLiteral("UPDATE %1 SET %2 = %3 WHERE %4 = %5")
        .arg(N(table), N("ID_Gebiet"), Mark(1), N(key), Mark(2));
}

// "DELETE FROM table WHERE key = mark 1".
QString CTerritorySqlBuilder::Delete(const char* table, const char* key) const {
    return QStringLiteral("DELETE FROM %1 WHERE %2 = %3").arg(N(table), N(key), Mark(1));
}

QString CTerritorySqlBuilder::MoveRule() const {
    return Move("GEBIET_REGEL", "ID");
}

QString CTerritorySqlBuilder::DeleteRule() const {
    return Delete("GEBIET_REGEL", "ID");
}

QString CTerritorySqlBuilder::DeleteRulesOf() const {
    return Delete("GEBIET_REGEL", "ID_Gebiet");
}

QString CTerritorySqlBuilder::MoveRulesOf() const {
    return Move("GEBIET_REGEL", "ID_Gebiet");
}

QString CTerritorySqlBuilder::DeleteExceptionsOf() const {
    return Delete("GEBIET_AUSNAHME", "ID_Gebiet");
}

QString CTerritorySqlBuilder::MoveExceptionsOf() const {
    return Move("GEBIET_AUSNAHME", "ID_Gebiet");
}

QString CTerritorySqlBuilder::Exceptions() const {
    return QStringLiteral("SELECT %1 FROM %2").arg(List(kException, 5), N("GEBIET_AUSNAHME"));
}

QString CTerritorySqlBuilder::PutException() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT (%4) DO UPDATE SET "
                          "%5 = excluded.%5")
        .arg(N("GEBIET_AUSNAHME"), List(kException, 5), Marks(5), List(kException, 4),
             N("ID_Gebiet"));
}

QString CTerritorySqlBuilder::InsertTerritoryWithKey() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(N("GEBIET"), List(kTerritory, 5), Marks(5));
}

QString CTerritorySqlBuilder::InsertRuleWithKey() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(N("GEBIET_REGEL"), List(kRule, 5), Marks(5));
}

QString CTerritorySqlBuilder::Areas() const {
    return QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
        .arg(List(kArea, 3), N("PLZ_FLAECHE"), List(kArea, 2));
}

QString CTerritorySqlBuilder::DeleteAreasOf() const {
    return Delete("PLZ_FLAECHE", "Staat");
}

QString CTerritorySqlBuilder::InsertArea() const {
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(N("PLZ_FLAECHE"), List(kArea, 3), Marks(3));
}
