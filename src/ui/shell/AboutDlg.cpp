#include "ui/shell/AboutDlg.h"

#include "store/GeoDatabase.h"
#include "ui/res/Resources.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/Globals.h"

#include <QIcon>
#include <QLabel>
#include <QPushButton>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg"));
    setWindowTitle(QStringLiteral("Info ueber Kelvo"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(235, 118));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Icon"));
    icon->setPixmap(Res::AppIcon().pixmap(32, 32));
    icon->move(dlu.X(11), dlu.Y(17));
    icon->resize(32, 32);

    auto* text = new QLabel(QStringLiteral("Kelvo Version 1.1"), this);
    text->setObjectName(QStringLiteral("Version"));
    text->setGeometry(dlu.Rect(40, 10, 119, 8));

    // Data from GeoNames must name its source.
    if (g_GeoDatabase.IsOpen() && g_GeoDatabase.HasRows()) {
        auto* credit =
            new QLabel(QStringLiteral("Daten: GeoNames\nwww.geonames.org\nLizenz CC BY 4.0"), this);
        credit->setObjectName(QStringLiteral("Attribution"));
        credit->setGeometry(dlu.Rect(40, 26, 130, 26));
    }

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setGeometry(dlu.Rect(178, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
