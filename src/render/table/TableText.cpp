#include "render/table/TableText.h"

#include "base/GeoTableDesc.h"

#include <QStringDecoder>

namespace TableText {

QString FromUtf8(QByteArrayView utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}

void AppendUtf8(QByteArray& out, QByteArrayView utf8) {
    if (utf8.isValidUtf8())
        out.append(utf8);
    else
        out.append(FromUtf8(utf8).toUtf8());
}

QString CopyLine(const QStringList& cells) {
    QString line;
    for (int j = 1; j < cells.size(); ++j) {
        line += cells.at(j);
        line += (j == cells.size() - 1) ? QStringLiteral("\n") : QStringLiteral(", ");
    }
    return line;
}

QString AllRowsTitle(const CGeoTableDesc& desc) {
    return QStringLiteral("%1 (%2+%3 -> AZ)")
        .arg(desc.m_strTableName, desc.FieldName(desc.m_nSortField1),
             desc.FieldName(desc.m_nSortField2));
}

QString SearchTitle(int found, const QString& text, const QString& tableName) {
    return QStringLiteral("%1 \"%2\" in %3").arg(found).arg(text, tableName);
}

QString SortTitle(const QString& tableName, const QString& columnName, bool descending) {
    return QStringLiteral("%1 Tabelle (%2 -> %3)")
        .arg(tableName, columnName, descending ? QStringLiteral("ZA") : QStringLiteral("AZ"));
}

QString SortCaption(const QString& tableName, const QString& columnName) {
    return QStringLiteral(" \"%1\" Tabelle wird nach \"%2\" sortiert:").arg(tableName, columnName);
}

} // namespace TableText
