#include "table/CDia_Find.h"

#include "app/DialogUnits.h"
#include "app/Globals.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDia_Find::CDia_Find(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dia_Find"));
    setWindowTitle(QStringLiteral("Daten suchen"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(275, 49));

    auto* group = new QGroupBox(this);
    group->setGeometry(dlu.Rect(7, 7, 197, 35));

    auto* label = new QLabel(QStringLiteral("Suchen nach:"), this);
    label->setGeometry(dlu.Rect(17, 24, 49, 8));
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);

    m_editSearch = new QLineEdit(this);
    m_editSearch->setObjectName(QStringLiteral("1000"));
    m_editSearch->setGeometry(dlu.Rect(73, 18, 121, 14));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(dlu.Rect(218, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CDia_Find::OnOK);

    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(dlu.Rect(218, 28, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order edit, OK, Abbrechen; the edit has the focus when the dialog opens, and Enter
    // in it confirms through the default button.
    setTabOrder(m_editSearch, ok);
    setTabOrder(ok, cancel);
    m_editSearch->setFocus();
}

void CDia_Find::OnOK() {
    g_strSearch = m_editSearch->text();
    accept();
}
