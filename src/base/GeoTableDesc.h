#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Field types and attributes as the table description records them. The numbers are the
// classic desktop-database type codes, so a description reads the same as the schema
// documentation of the GEO table.
enum GeoFieldType : int {
    dbLong = 4,
    dbDate = 8,
    dbText = 10,
    dbMemo = 12,
};

enum GeoFieldAttribute : int {
    dbAutoIncrField = 16,
};

// Alignment of a table window column.
enum GeoColumnFormat : int {
    LVCFMT_LEFT = 0,
    LVCFMT_CENTER = 2,
};

// Column indexes of table GEO, used throughout the program.
enum GeoColumn : int {
    GEO_ID = 0,
    GEO_STAAT,
    GEO_PLZ,
    GEO_BUNDESLAND,
    GEO_REGIERUNGSBEZIRK,
    GEO_LANDKREIS,
    GEO_VERWALTUNG,
    GEO_ORT,
    GEO_ORTSTEIL,
    GEO_KFZ,
    GEO_LANGENGRAD,
    GEO_BREITENGRAD,
    GEO_MEMO,
    GEO_FIELD_COUNT
};

// The description of one table: file and table name, key and sort fields, and five parallel
// per-column arrays. Entry i of each array describes column i. Built once and read-only
// afterwards.
class CGeoTableDesc {
public:
    CGeoTableDesc() = default;

    // Fills the description of table GEO in database file "Kelvo.mde".
    void BuildGeo();

    // Appends one field: name first, then type, size, alignment and attributes.
    void AddField(const QString& name, int type, int size, int columnFormat, int attributes);

    // Strict accessors: an index outside the arrays throws std::out_of_range.
    const QString& FieldName(int i) const;
    // Whether a query of all fields of the table gave these field names (in any case): empty
    // when it did, else the German reason why the table is not the one described.
    QString FieldsMismatch(const QStringList& names) const;
    int FieldType(int i) const;
    int FieldSize(int i) const;
    int ColumnFormat(int i) const;
    int FieldAttributes(int i) const;

    // True for the field types that are written back (text, memo, date).
    bool IsWritable(int i) const;

    // Column index of a field name, compared without regard to case; -1 when unknown.
    int FieldIndex(const QString& name) const;

    int m_nTableType = 0;
    int m_nFields = 0;
    int m_nKeyField = 0;
    int m_nSortField1 = 0;
    int m_nSortField2 = 0;
    QString m_strFileName;
    QString m_strTableName;
    QList<int> m_aFieldType;
    QList<int> m_aFieldSize;
    QList<int> m_aColumnFormat;
    QList<int> m_aFieldAttributes;
    QStringList m_aFieldName;
};
