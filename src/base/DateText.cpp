#include "base/DateText.h"

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

// "H:mm" or "H:mm:ss" with hour 0-23, minutes and seconds 0-59.
bool isTimeOfDay(QStringView text) {
    const qsizetype parts = text.count(u':') + 1;
    int v[3], n[3];
    if ((parts != 2 && parts != 3) || !splitNumbers(text, u':', int(parts), v, n))
        return false;
    for (int i = 1; i < parts; ++i) {
        if (n[i] != 2 || v[i] > 59)
            return false;
    }
    return n[0] <= 2 && v[0] <= 23;
}

QDate parseDate(QStringView text) {
    int v[3], n[3];
    if (splitNumbers(text, u'.', 3, v, n)) {
        if (n[0] > 2 || n[1] > 2 || (n[2] != 2 && n[2] != 4))
            return QDate();
        int year = v[2];
        if (n[2] == 2)
            year += year < 30 ? 2000 : 1900;
        return year == 0 ? QDate() : QDate(year, v[1], v[0]);
    }
    // Day and month with the closing point: this year.
    if (text.endsWith(u'.') && splitNumbers(text.chopped(1), u'.', 2, v, n)) {
        if (n[0] > 2 || n[1] > 2)
            return QDate();
        return QDate(QDate::currentDate().year(), v[1], v[0]);
    }
    if (splitNumbers(text, u'-', 3, v, n)) {
        if (n[0] != 4 || n[1] > 2 || n[2] > 2 || v[0] == 0)
            return QDate();
        return QDate(v[0], v[1], v[2]);
    }
    return QDate();
}

} // namespace

QDate ParseDateText(QStringView text) {
    // A time of day after the date (after blanks, or a "T" in an ISO date) is dropped.
    qsizetype cut = text.indexOf(u' ');
    if (cut < 0 && text.contains(u'-'))
        cut = text.indexOf(u'T');
    if (cut >= 0) {
        if (!isTimeOfDay(text.sliced(cut + 1).trimmed()))
            return QDate();
        text = text.first(cut);
    }
    return parseDate(text);
}
