#include "ui/table/CDia_Find.h"

#include "base/FoldLike.h"
#include "base/JetLike.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

namespace {
const char* const kFoldKey = "Suchen/Schreibweisen";

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}
} // namespace

CDia_Find::CDia_Find(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dia_Find"));
    setWindowTitle(QStringLiteral("Daten suchen"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits dlu(font());
    // The specified 275 x 49 units, and a row below them for the spellings check box.
    setFixedSize(dlu.Size(275, 61));

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
    // Nothing to search for, nothing to confirm: OK waits for a text (blanks count).
    ok->setEnabled(false);
    connect(m_editSearch, &QLineEdit::textChanged, ok,
            [ok](const QString& text) { ok->setEnabled(!text.isEmpty()); });

    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setGeometry(dlu.Rect(218, 28, 50, 14));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_checkFold = new QCheckBox(QStringLiteral("ä = ae, ö = oe, ü = ue, ß = ss"), this);
    m_checkFold->setObjectName(QStringLiteral("Fold"));
    m_checkFold->setGeometry(dlu.Rect(9, 46, 195, 10));
    m_checkFold->setChecked(settings().value(QLatin1String(kFoldKey), false).toBool());

    // Tab order edit, OK, Abbrechen (then the check box); the edit has the focus when the
    // dialog opens, and Enter in it confirms through the default button.
    setTabOrder(m_editSearch, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_checkFold);
    m_editSearch->setFocus();
}

void CDia_Find::OnOK() {
    const QString text = m_editSearch->text();
    if (text.isEmpty())
        return;
    // A pattern the engine would refuse ("[abc") opens no window: the message, and the text
    // stays in the dialog to be mended.
    const QByteArray utf8 = text.toUtf8();
    const CJetLikePattern pattern(m_checkFold->isChecked() ? FoldLike::FoldPattern(utf8) : utf8);
    if (!pattern.IsValid()) {
        KelvoMessageBox(pattern.Error(), this);
        m_editSearch->setFocus();
        return;
    }
    g_strSearch = text;
    // Written only when it changed: every write puts the settings file on the disk anew.
    QSettings stored = settings();
    if (stored.value(QLatin1String(kFoldKey), false).toBool() != m_checkFold->isChecked())
        stored.setValue(QLatin1String(kFoldKey), m_checkFold->isChecked());
    accept();
}

bool CDia_Find::FoldSpellings() const {
    return m_checkFold->isChecked();
}
