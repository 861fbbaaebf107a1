#include "mapdoc/DateText.h"

#include <QList>

namespace {

// The parts of the text between the separators; each must be 1 to 4 decimal digits.
bool splitNumbers(QStringView text, QChar separator, int count, int* values, int* digits) {
    const QList<QStringView> parts = text.split(separator);
    if (parts.size() != count)
        return false;
    for (int i = 0; i < count; ++i) {
        const QStringView part = parts.at(i);
        if (part.isEmpty() || part.size() > 4)
            return false;
        int v = 0;
        for (QChar c : part) {
            if (c < u'0' || c > u'9')
                return false;
            v = v * 10 + (c.unicode() - u'0');
        }
        values[i] = v;
        digits[i] = int(part.size());
    }
    return true;
}

} // namespace

QDate ParseDateText(QStringView text) {
    int v[3], n[3];
    if (splitNumbers(text, u'.', 3, v, n)) {
        if (n[0] > 2 || n[1] > 2 || (n[2] != 2 && n[2] != 4))
            return QDate();
        int year = v[2];
        if (n[2] == 2)
            year += year < 30 ? 2000 : 1900;
        return year == 0 ? QDate() : QDate(year, v[1], v[0]);
    }
    if (splitNumbers(text, u'-', 3, v, n)) {
        if (n[0] != 4 || n[1] > 2 || n[2] > 2 || v[0] == 0)
            return QDate();
        return QDate(v[0], v[1], v[2]);
    }
    return QDate();
}
