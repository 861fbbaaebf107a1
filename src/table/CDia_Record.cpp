#include "table/CDia_Record.h"

#include "app/DialogUnits.h"
#include "app/Globals.h"
#include "app/MessageBox.h"
#include "db/GeoDatabase.h"
#include "db/TextNumbers.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Where field k (1 to 11) of the description goes: its label and its edit, in dialog units.
struct FieldPlace {
    int labelId, labelX, labelY;
    int editId, editX, editY, editWidth;
};
constexpr std::array<FieldPlace, CDia_Record::kFields> kPlaces{{
    {1008, 15, 23, 1001, 71, 17, 207},
    {1009, 15, 40, 1002, 71, 34, 207},
    {1010, 15, 57, 1004, 71, 51, 207},
    {1011, 15, 74, 1005, 71, 68, 207},
    {1012, 15, 91, 1003, 71, 85, 207},
    {1018, 15, 108, 1007, 71, 102, 207},
    {1020, 293, 40, 1019, 351, 34, 113},
    {1022, 293, 57, 1021, 351, 51, 113},
    {1024, 293, 74, 1023, 351, 68, 113},
    {1030, 293, 91, 1029, 351, 85, 113},
    {1032, 293, 108, 1031, 351, 102, 113},
}};
constexpr int kLabelWidth = 47, kLabelHeight = 8, kEditHeight = 14;
// The label of field 4 shows only the start of its name ("Regierungsbez").
constexpr int kShortLabelField = 4, kShortLabelLength = 13;
constexpr int kMemoId = 1006;

} // namespace

CMemoEdit::CMemoEdit(QWidget* parent) : QPlainTextEdit(parent) {}

void CMemoEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & Qt::ControlModifier)
            insertPlainText(QStringLiteral("\n"));
        else
            emit enterPressed();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

CDia_Record::CDia_Record(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Dia_Record"));
    setWindowTitle(QStringLiteral("Datensatz andern"));
    setFont(CDialogUnits::DialogFont());
    const CDialogUnits dlu(font());
    setFixedSize(dlu.Size(480, 315));

    auto* group = new QGroupBox(QStringLiteral("Datensatz"), this);
    group->setGeometry(dlu.Rect(7, 7, 466, 280));

    for (int k = 0; k < kFields; ++k) {
        const FieldPlace& place = kPlaces[size_t(k)];
        QLabel* label = new QLabel(QStringLiteral("Static %1:").arg(k + 1), this);
        label->setObjectName(QString::number(place.labelId));
        label->setGeometry(dlu.Rect(place.labelX, place.labelY, kLabelWidth, kLabelHeight));
        label->setAlignment(Qt::AlignRight | Qt::AlignTop);
        m_aLabel[size_t(k)] = label;

        // Read-only; reachable by a click (to select and copy), never by Tab.
        QLineEdit* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(place.editId));
        edit->setGeometry(dlu.Rect(place.editX, place.editY, place.editWidth, kEditHeight));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
        m_aEdit[size_t(k)] = edit;
    }

    auto* memoLabel = new QLabel(QStringLiteral("Memo:"), this);
    memoLabel->setGeometry(dlu.Rect(17, 121, 60, 8));

    // Multi-line with both scroll bars and no wrapping: lines scroll sideways as typed.
    m_editMemo = new CMemoEdit(this);
    m_editMemo->setObjectName(QString::number(kMemoId));
    m_editMemo->setGeometry(dlu.Rect(17, 133, 445, 146));
    m_editMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_editMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editMemo->setTabChangesFocus(true);
    connect(m_editMemo, &CMemoEdit::enterPressed, this, &CDia_Record::OnOK);

    m_btnOK = new QPushButton(QStringLiteral("OK"), this);
    m_btnOK->setObjectName(QStringLiteral("1"));
    m_btnOK->setGeometry(dlu.Rect(361, 294, 50, 14));
    m_btnOK->setDefault(true);
    connect(m_btnOK, &QPushButton::clicked, this, &CDia_Record::OnOK);

    m_btnCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_btnCancel->setObjectName(QStringLiteral("2"));
    m_btnCancel->setGeometry(dlu.Rect(423, 294, 50, 14));
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab stops OK, Abbrechen, memo; OK has the focus first, so Enter confirms at once.
    setTabOrder(m_btnOK, m_btnCancel);
    setTabOrder(m_btnCancel, m_editMemo);
    m_btnOK->setFocus();
}

int CDia_Record::DoModal() {
    OnInitDialog();
    return exec();
}

void CDia_Record::OnInitDialog() {
    m_nMemoField = 12;
    if (!m_pValues || !m_pTableDesc)
        return;
    for (int k = 1; k <= kFields; ++k) {
        QString name = m_pTableDesc->FieldName(k);
        if (k == kShortLabelField)
            name = name.left(kShortLabelLength);
        QLabel* label = m_aLabel[size_t(k - 1)];
        label->setText(name);
        // A name wider than its label grows to the left, so it still ends at the edit.
        const int needed = label->fontMetrics().horizontalAdvance(name) + 2;
        if (needed > label->width()) {
            const QRect rect = label->geometry();
            label->setGeometry(rect.right() + 1 - needed, rect.y(), needed, rect.height());
        }
        m_aEdit[size_t(k - 1)]->setText(m_pValues->value(k));
        m_aEdit[size_t(k - 1)]->setCursorPosition(0);
    }
    m_editMemo->setPlainText(m_pValues->value(m_nMemoField));
    m_editMemo->document()->setModified(false);
    setWindowTitle(QStringLiteral("GEO Datensatz"));
}

void CDia_Record::OnOK() {
    if (!m_pValues || !m_pTableDesc)
        return;
    // The memo as shown, unless the user changed it: then as typed. An empty memo is stored
    // as a single space (the schema refuses the empty string).
    m_strMemo = m_editMemo->document()->isModified() ? m_editMemo->toPlainText()
                                                     : m_pValues->value(m_nMemoField);
    if (m_strMemo.isEmpty())
        m_strMemo = QStringLiteral(" ");
    QStringList values = *m_pValues;
    values[m_nMemoField] = m_strMemo;

    // Only the memo is written: the record's other fields keep what they hold.
    if (g_GeoDatabase.UpdateFields(*m_pTableDesc, values, {m_nMemoField})) {
        (*m_pValues)[m_nMemoField] = m_strMemo;
        accept();
        return;
    }
    if (!g_GeoDatabase.LastError().isEmpty()) {
        KelvoMessageBox(QStringLiteral("Das Memo konnte nicht gespeichert werden.\n\nFehler der "
                                       "Datenbank: %1\n\nDer Dialog bleibt offen, Ihre Eingabe "
                                       "geht nicht verloren.")
                            .arg(g_GeoDatabase.LastError()),
                        this);
        return;
    }
    const int key = m_pTableDesc->m_nKeyField;
    KelvoMessageBox(QStringLiteral("Der Datensatz mit %1 = %2 ist in der Tabelle \"%3\" nicht "
                                   "mehr vorhanden.\n\nDas Memo wurde nicht gespeichert.")
                        .arg(m_pTableDesc->FieldName(key))
                        .arg(TextNumbers::Atoi(values.value(key)))
                        .arg(m_pTableDesc->m_strTableName),
                    this);
    reject();
}
