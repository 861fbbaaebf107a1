#include "ui/shell/WindowState.h"

#include <QSettings>
#include <QVariant>
#include <QWidget>

namespace {

const QString kMainWindow = QStringLiteral("Fenster/Hauptfenster");
const QString kColumns = QStringLiteral("Fenster/Tabellenspalten");

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

} // namespace

namespace WindowState {

void SaveMainWindow(const QWidget* window) {
    settings().setValue(kMainWindow, window->saveGeometry());
}

bool RestoreMainWindow(QWidget* window) {
    const QByteArray geometry = settings().value(kMainWindow).toByteArray();
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void SaveColumnWidths(const QList<int>& widths) {
    QVariantList values;
    for (int width : widths)
        values << width;
    settings().setValue(kColumns, values);
}

QList<int> ColumnWidths(int columns) {
    const QVariantList values = settings().value(kColumns).toList();
    QList<int> widths;
    for (const QVariant& value : values) {
        bool ok = false;
        const int width = value.toInt(&ok);
        if (!ok || width < 1 || width > 10000)
            return {};
        widths << width;
    }
    return widths.size() == columns ? widths : QList<int>();
}

} // namespace WindowState
