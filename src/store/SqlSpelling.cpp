#include "store/SqlSpelling.h"

#include <QRegularExpression>
#include <QStringList>

QString CSqlSpelling::Placeholders(int first, int count) const {
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << Placeholder(first + i);
    return marks.join(QStringLiteral(", "));
}

bool CSqlSpelling::IsPlainName(const QString& identifier) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(identifier).hasMatch();
}

QString CSqlSpelling::Quoted(const QString& identifier) {
    QString quoted = identifier;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
