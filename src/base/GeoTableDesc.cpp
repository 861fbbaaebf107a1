#include "base/GeoTableDesc.h"

#include <stdexcept>

namespace {

template <typename List> const auto& checkedAt(const List& list, int i) {
    if (i < 0 || i >= list.size())
        throw std::out_of_range("table description: column index out of range");
    return list.at(i);
}

} // namespace

void CGeoTableDesc::BuildGeo() {
    m_strFileName = QStringLiteral("Kelvo.mde");
    m_strTableName = QStringLiteral("GEO");
    m_nTableType = 0;
    m_nKeyField = GEO_ID;
    m_nSortField1 = GEO_STAAT;
    m_nSortField2 = GEO_PLZ;

    AddField(QStringLiteral("ID_Geo"), dbLong, 4, LVCFMT_LEFT, dbAutoIncrField);
    AddField(QStringLiteral("Staat"), dbText, 40, LVCFMT_CENTER, 0);
    AddField(QStringLiteral("PLZ"), dbText, 50, LVCFMT_CENTER, 0);
    AddField(QStringLiteral("Bundesland"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Regierungsbezirk"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Landkreis"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Verwaltung"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Ort"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Ortsteil"), dbText, 100, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("KFZ"), dbText, 40, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Langengrad"), dbText, 60, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Breitengrad"), dbText, 60, LVCFMT_LEFT, 0);
    AddField(QStringLiteral("Memo"), dbMemo, 200, LVCFMT_LEFT, 0);
    m_nFields = int(m_aFieldName.size());
}

void CGeoTableDesc::AddField(const QString& name, int type, int size, int columnFormat,
                             int attributes) {
    m_aFieldName.append(name);
    m_aFieldType.append(type);
    m_aFieldSize.append(size);
    m_aColumnFormat.append(columnFormat);
    m_aFieldAttributes.append(attributes);
}

const QString& CGeoTableDesc::FieldName(int i) const {
    return checkedAt(m_aFieldName, i);
}
int CGeoTableDesc::FieldType(int i) const {
    return checkedAt(m_aFieldType, i);
}
int CGeoTableDesc::FieldSize(int i) const {
    return checkedAt(m_aFieldSize, i);
}
int CGeoTableDesc::ColumnFormat(int i) const {
    return checkedAt(m_aColumnFormat, i);
}
int CGeoTableDesc::FieldAttributes(int i) const {
    return checkedAt(m_aFieldAttributes, i);
}

bool CGeoTableDesc::IsWritable(int i) const {
    const int type = FieldType(i);
    return type == dbText || type == dbMemo || type == dbDate;
}

int CGeoTableDesc::FieldIndex(const QString& name) const {
    for (int i = 0; i < m_aFieldName.size(); ++i) {
        if (m_aFieldName.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString CGeoTableDesc::FieldsMismatch(const QStringList& names) const {
    bool matches = names.size() == m_nFields;
    for (int i = 0; matches && i < m_nFields; ++i)
        matches = names.at(i).compare(FieldName(i), Qt::CaseInsensitive) == 0;
    if (matches)
        return QString();
    return QStringLiteral("Die Tabelle \"%1\" hat nicht die %2 Felder in der erwarteten "
                          "Reihenfolge.")
        .arg(m_strTableName)
        .arg(m_nFields);
}
