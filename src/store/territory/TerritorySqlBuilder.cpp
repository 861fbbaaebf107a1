#include "store/territory/TerritorySqlBuilder.h"

#include <QStringList>

QString CTerritorySqlBuilder::Marks(int first, int count) const {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << Placeholder(first + i);
    return marks.join(QStringLiteral(", "));
}

QString CTerritorySql::ChangeCount() const {
    return QStringLiteral("SELECT Stand FROM GEBIET_STAND");
}

QString CTerritorySql::CountChange() const {
    return QStringLiteral("UPDATE GEBIET_STAND SET Stand = Stand + 1");
}

QString CTerritorySqlBuilder::Territories() const {
    return QStringLiteral("SELECT ID, Name, Farbe, Verantwortlich, Memo FROM GEBIET ORDER BY ID");
}

QString CTerritorySqlBuilder::TerritoryForWrite() const {
    return QStringLiteral("SELECT ID FROM GEBIET WHERE ID = %1").arg(Placeholder(1)) +
           HeldForWrite();
}

QString CTerritorySqlBuilder::InsertTerritory() const {
    return QStringLiteral("INSERT INTO GEBIET (Name, Farbe, Verantwortlich, Memo) VALUES (%1) "
                          "RETURNING ID")
        .arg(Marks(1, 4));
}

QString CTerritorySqlBuilder::UpdateTerritoryIfUnchanged() const {
    static const char* const columns[] = {"Name", "Farbe", "Verantwortlich", "Memo"};
    QStringList sets, unchanged;
    for (int i = 0; i < 4; ++i) {
        const QString column = QLatin1String(columns[i]);
        sets << column + QStringLiteral(" = ") + Placeholder(1 + i);
        unchanged << Unchanged(column, Placeholder(6 + i));
    }
    return QStringLiteral("UPDATE GEBIET SET %1 WHERE ID = %2 AND %3")
        .arg(sets.join(QStringLiteral(", ")), Placeholder(5),
             unchanged.join(QStringLiteral(" AND ")));
}

QString CTerritorySqlBuilder::DeleteTerritory() const {
    return QStringLiteral("DELETE FROM GEBIET WHERE ID = %1").arg(Placeholder(1));
}

QString CTerritorySqlBuilder::Rules() const {
    return QStringLiteral("SELECT ID, ID_Gebiet, Staat, Von, Bis FROM GEBIET_REGEL ORDER BY ID");
}

QString CTerritorySqlBuilder::InsertRule() const {
    return QStringLiteral("INSERT INTO GEBIET_REGEL (ID_Gebiet, Staat, Von, Bis) VALUES (%1)")
        .arg(Marks(1, 4));
}

QString CTerritorySqlBuilder::MoveRule() const {
    return QStringLiteral("UPDATE GEBIET_REGEL SET ID_Gebiet = %1 WHERE ID = %2")
        .arg(Placeholder(1), Placeholder(2));
}

QString CTerritorySqlBuilder::DeleteRule() const {
    return QStringLiteral("DELETE FROM GEBIET_REGEL WHERE ID = %1").arg(Placeholder(1));
}

QString CTerritorySqlBuilder::DeleteRulesOf() const {
    return QStringLiteral("DELETE FROM GEBIET_REGEL WHERE ID_Gebiet = %1").arg(Placeholder(1));
}

QString CTerritorySqlBuilder::MoveRulesOf() const {
    return QStringLiteral("UPDATE GEBIET_REGEL SET ID_Gebiet = %1 WHERE ID_Gebiet = %2")
        .arg(Placeholder(1), Placeholder(2));
}

QString CTerritorySqlBuilder::DeleteExceptionsOf() const {
    return QStringLiteral("DELETE FROM GEBIET_AUSNAHME WHERE ID_Gebiet = %1").arg(Placeholder(1));
}

QString CTerritorySqlBuilder::MoveExceptionsOf() const {
    return QStringLiteral("UPDATE GEBIET_AUSNAHME SET ID_Gebiet = %1 WHERE ID_Gebiet = %2")
        .arg(Placeholder(1), Placeholder(2));
}

QString CTerritorySqlBuilder::Exceptions() const {
    return QStringLiteral("SELECT Staat, PLZ, Ort, Ortsteil, ID_Gebiet FROM GEBIET_AUSNAHME");
}

QString CTerritorySqlBuilder::PutException() const {
    return QStringLiteral("INSERT INTO GEBIET_AUSNAHME (Staat, PLZ, Ort, Ortsteil, ID_Gebiet) "
                          "VALUES (%1) ON CONFLICT (Staat, PLZ, Ort, Ortsteil) DO UPDATE SET "
                          "ID_Gebiet = excluded.ID_Gebiet")
        .arg(Marks(1, 5));
}

QString CTerritorySqlBuilder::InsertTerritoryWithKey() const {
    return QStringLiteral("INSERT INTO GEBIET (ID, Name, Farbe, Verantwortlich, Memo) VALUES (%1)")
        .arg(Marks(1, 5));
}

QString CTerritorySqlBuilder::InsertRuleWithKey() const {
    return QStringLiteral("INSERT INTO GEBIET_REGEL (ID, ID_Gebiet, Staat, Von, Bis) VALUES (%1)")
        .arg(Marks(1, 5));
}

QString CTerritorySql::Areas() const {
    return QStringLiteral("SELECT Staat, PLZ, Flaeche FROM PLZ_FLAECHE ORDER BY Staat, PLZ");
}

QString CTerritorySqlBuilder::DeleteAreasOf() const {
    return QStringLiteral("DELETE FROM PLZ_FLAECHE WHERE Staat = %1").arg(Placeholder(1));
}

QString CTerritorySqlBuilder::InsertArea() const {
    return QStringLiteral("INSERT INTO PLZ_FLAECHE (Staat, PLZ, Flaeche) VALUES (%1)")
        .arg(Marks(1, 3));
}
