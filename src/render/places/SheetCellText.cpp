#include "render/places/SheetCellText.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace SheetCellText {

QString Shown(const QString& cell) {
    if (cell.size() < 3 || cell.size() > 40)
        return cell;
    // Most cells are words: only digits, signs, points, dashes, slashes, colons, blanks and
    // the letters of an exponent or a time are looked at further.
    const QChar first = cell.front();
    if (!first.isDigit() && first != u'-' && first != u'+')
        return cell;
    for (const QChar c : cell) {
        if (!(c >= u'0' && c <= u'9') && !QStringView(u"+-./: TeE").contains(c))
            return cell;
    }
    static const QRegularExpression dated(QStringLiteral(
        "^(\\d{4})([/-])(\\d{2})\\2(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2})(\\.\\d+)?)?)?$"));
    if (const QRegularExpressionMatch m = dated.match(cell); m.hasMatch()) {
        const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
        if (!date.isValid())
            return cell;
        QString shown = date.toString(QStringLiteral("dd.MM.yyyy"));
        if (!m.hasCaptured(5))
            return shown;
        const QTime time(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
        if (!time.isValid())
            return cell;
        shown += u' ' + m.captured(5) + u':' + m.captured(6);
        // Seconds only where there are some, as a sheet's usual date-and-time format.
        const QString seconds = m.captured(7) + m.captured(8);
        if (!seconds.isEmpty() && (time.second() != 0 || m.captured(8).toDouble() != 0))
            shown += u':' + QString(seconds).replace(u'.', u',');
        return shown;
    }
    static const QRegularExpression number(
        QStringLiteral("^[-+]?(\\d+\\.\\d+|\\d+(\\.\\d+)?[eE][-+]?\\d+)$"));
    if (number.match(cell).hasMatch())
        return QString(cell).replace(u'.', u',').replace(u'e', u'E');
    return cell;
}

} // namespace SheetCellText
