#include "base/GermanNumbers.h"

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

} // namespace GermanNumbers
