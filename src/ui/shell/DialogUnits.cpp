#include "ui/shell/DialogUnits.h"

#include <QFontMetrics>

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    // Average width over the 52 letters, rounded.
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (letters / 26 + 1) / 2;
    m_nBaseY = fm.height();
}

QFont CDialogUnits::DialogFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    return font;
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}
