#include "base/GermanNumbers.h"

#include <QLocale>

namespace GermanNumbers {

namespace {
QString withComma(QString text) {
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}
} // namespace

QString Fixed(double value, int decimals) {
    return withComma(QString::number(value, 'f', decimals));
}

QString Shortest(double value) {
    return withComma(QString::asprintf("%g", value));
}

QString Count(qint64 n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString Amount(qint64 n, const QString& one, const QString& many) {
    return QStringLiteral("%1 %2").arg(QLocale(QLocale::German).toString(n), n == 1 ? one : many);
}

} // namespace GermanNumbers
