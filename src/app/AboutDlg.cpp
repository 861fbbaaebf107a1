#include "app/AboutDlg.h"

#include "app/DialogUnits.h"
#include "res/Resources.h"

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

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setGeometry(dlu.Rect(178, 7, 50, 16));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
