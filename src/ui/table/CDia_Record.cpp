#include "ui/table/CDia_Record.h"

#include "base/TextNumbers.h"
#include "store/GeoDatabase.h"
#include "store/GeoPlaceKey.h"
#include "ui/shell/DialogUnits.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/WriteCheckWait.h"

#include <QApplication>
#include <QClipboard>
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
    m_nMemoField = 12;
    if (!ReadStoredMemo())
        return QDialog::Rejected;
    OnInitDialog();
    return exec();
}

QString CDia_Record::MemoText(const QVariant& memo) {
    // A single space is how a cleared memo is stored (the schema takes no empty text).
    const QString text = memo.toString();
    return text == QStringLiteral(" ") ? QString() : text;
}

bool CDia_Record::ReadStoredMemo() {
    if (!m_pValues || !m_pTableDesc)
        return true;
    // Until read: the window's memo (a single space standing for none).
    const QString cell = m_pValues->value(m_nMemoField);
    m_varStoredMemo = cell == QStringLiteral(" ") ? QVariant() : QVariant(cell);
    (*m_pValues)[m_nMemoField] = MemoText(m_varStoredMemo);
    if (!CKelvoApp::EnsureDatabase(parentWidget()))
        return !g_GeoDatabase.IsBusy();
    const int key = TextNumbers::Atoi(m_pValues->value(m_pTableDesc->m_nKeyField));
    m_nOpening = g_GeoDatabase.IsServer() ? 0 : g_GeoDatabase.DataStamp().nOpen;
    QVariant stored;
    if (g_GeoDatabase.ReadMemo(*m_pTableDesc, key, &stored)) {
        m_varStoredMemo = stored;
        (*m_pValues)[m_nMemoField] = MemoText(stored);
    } else if (!g_GeoDatabase.LastError().isEmpty()) {
        KelvoMessageBox(QStringLiteral("Das Memo des Datensatzes kann nicht gelesen werden.\n\n"
                                       "Fehler der Datenbank: %1")
                            .arg(g_GeoDatabase.LastError()),
                        parentWidget());
        return false;
    }
    // A record that no longer exists shows the window's memo; OK then says it has gone.
    return true;
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

namespace {

// A memo quoted in a message: at most a dozen lines and 600 characters.
QString excerpt(const QVariant& memo) {
    if (memo.isNull() || memo.toString().trimmed().isEmpty())
        return QStringLiteral("(kein Memo)");
    QString text = memo.toString();
    const QStringList lines = text.split(QLatin1Char('\n'));
    const bool cut = lines.size() > 12 || text.size() > 600;
    text = lines.mid(0, 12).join(QLatin1Char('\n')).left(600);
    return cut ? text + QStringLiteral(" …") : text;
}

} // namespace

CDia_Record::Choice CDia_Record::AskAboutConflict(const QVariant& stored) const {
    const QString text =
        QStringLiteral("Das Memo dieses Datensatzes wurde geändert, während der Dialog offen war "
                       "(in einem anderen Fenster oder von einem anderen Programm).\n\n"
                       "Jetzt gespeichert:\n%1\n\nIhre Fassung:\n%2\n\n"
                       "Welche Fassung soll gelten?")
            .arg(excerpt(stored), excerpt(m_strMemo));
    switch (KelvoQuestionBox(text,
                             {QStringLiteral("Meine Fassung speichern"),
                              QStringLiteral("Gespeicherte übernehmen"),
                              QStringLiteral("Zurück zum Dialog")},
                             const_cast<CDia_Record*>(this))) {
    case 0:
        return Choice::KeepMine;
    case 1:
        return Choice::TakeStored;
    default:
        return Choice::Back;
    }
}

void CDia_Record::OnOK() {
    if (!m_pValues || !m_pTableDesc || m_bCheckWaiting)
        return;
    // A memo to write waits for the check of the file while the dialog answers; what is
    // typed meanwhile is written too, and Abbrechen meanwhile writes nothing.
    if (m_editMemo->toPlainText() != MemoText(m_varStoredMemo)) {
        m_bCheckWaiting = true;
        WaitForWriteCheck();
        m_bCheckWaiting = false;
        if (!isVisible())
            return;
    }
    // The memo as typed; one the user cleared is stored as a single space (the schema
    // refuses the empty string), one left empty is not written at all.
    m_strMemo = m_editMemo->toPlainText();
    int key = TextNumbers::Atoi(m_pValues->value(m_pTableDesc->m_nKeyField));
    for (;;) {
        // Nothing to write when the memo is what is stored: the user did not change it.
        // The windows then show the memo as stored now, which another program may have
        // changed meanwhile.
        if (m_strMemo == MemoText(m_varStoredMemo)) {
            QVariant now;
            if (g_GeoDatabase.IsOpen() && g_GeoDatabase.ReadMemo(*m_pTableDesc, key, &now))
                m_varStoredMemo = now;
            (*m_pValues)[m_nMemoField] = MemoText(m_varStoredMemo);
            accept();
            return;
        }
        // The dialog stays open with the memo as typed when it cannot be stored now.
        auto notSaved = [this](const QString& why) {
            KelvoMessageBox(QStringLiteral("Das Memo konnte nicht gespeichert werden.\n\n%1\n\n"
                                           "Der Dialog bleibt offen, Ihre Eingabe geht nicht "
                                           "verloren.")
                                .arg(why),
                            this);
        };
        if (!g_GeoDatabase.EnsureOpen() && g_GeoDatabase.IsBusy()) {
            notSaved(g_GeoDatabase.OpenError());
            return;
        }
        // Only the memo is written, and only over the memo the user saw.
        CKelvoApp::ShowDatabaseNotice(this);
        // In a database opened anew since (a replaced file), a key may name another place:
        // that is not the row shown.
        if (!g_GeoDatabase.IsServer() && g_GeoDatabase.DataStamp().nOpen != m_nOpening &&
            !KeyNamesThePlace(key)) {
            if (!MoveToSamePlace(&key))
                return;
        }
        QVariant stored;
        const QString memo = m_strMemo.isEmpty() ? QStringLiteral(" ") : m_strMemo;
        switch (g_GeoDatabase.UpdateMemo(*m_pTableDesc, key, m_varStoredMemo, memo, &stored)) {
        case CGeoDatabase::MemoWrite::Saved:
            m_varStoredMemo = memo;
            (*m_pValues)[m_nMemoField] = memo;
            accept();
            return;
        case CGeoDatabase::MemoWrite::Failed:
            notSaved(QStringLiteral("Fehler der Datenbank: %1").arg(g_GeoDatabase.LastError()));
            return;
        case CGeoDatabase::MemoWrite::Missing:
            // The memo goes to the row at the same place only when the user says so; the
            // memo stored there is then checked like the one shown.
            if (!MoveToSamePlace(&key))
                return;
            continue;
        case CGeoDatabase::MemoWrite::Conflict:
            // From now on the stored memo is the one the user has seen.
            m_varStoredMemo = stored;
            switch (AskAboutConflict(stored)) {
            case Choice::KeepMine:
                continue;
            case Choice::TakeStored:
                m_editMemo->setPlainText(MemoText(stored));
                m_strMemo = MemoText(stored);
                continue;
            case Choice::Back:
                return;
            }
        }
    }
}

bool CDia_Record::MoveToSamePlace(int* key) {
    const QString keyName = m_pTableDesc->FieldName(m_pTableDesc->m_nKeyField);
    const QString gone = QStringLiteral("Der Datensatz mit %1 = %2 ist in der Tabelle \"%3\" "
                                        "nicht mehr vorhanden.")
                             .arg(keyName)
                             .arg(*key)
                             .arg(m_pTableDesc->m_strTableName);
    const QString kept = QStringLiteral("Das Memo wurde nicht gespeichert. Der Dialog bleibt "
                                        "offen, Ihre Eingabe geht nicht verloren.");
    const CGeoPlaceKey place = CGeoPlaceKey::FromCells(*m_pValues);
    QList<qint64> keys;
    QString error;
    if (!FindRowsAtPlace(g_GeoDatabase, *m_pTableDesc, place, &keys, &error)) {
        KelvoMessageBox(
            QStringLiteral("%1\n\n%2\n\nFehler der Datenbank: %3").arg(gone, kept, error), this);
        return false;
    }
    if (keys.size() == 1) {
        const QString text =
            QStringLiteral("%1\n\nDerselbe Ort (%2) steht jetzt unter %3 = %4, etwa weil die "
                           "Postleitzahlen neu eingelesen wurden.\n\nSoll das Memo dort "
                           "gespeichert werden?")
                .arg(gone, place.Display(), keyName)
                .arg(keys.first());
        if (KelvoQuestionBox(
                text, {QStringLiteral("Dort speichern"), QStringLiteral("Zurück zum Dialog")},
                this) != 0)
            return false;
        *key = int(keys.first());
        (*m_pValues)[m_pTableDesc->m_nKeyField] = QString::number(*key);
        return true;
    }
    const QString why =
        keys.isEmpty()
            ? QStringLiteral("Kein anderer Datensatz hat denselben Ort (%1).").arg(place.Display())
            : QStringLiteral("%1 Datensätze haben denselben Ort (%2); Kelvo wählt keinen von "
                             "ihnen für Sie aus.")
                  .arg(keys.size())
                  .arg(place.Display());
    if (KelvoQuestionBox(QStringLiteral("%1\n\n%2\n\n%3 Sie können den Text auch in die "
                                        "Zwischenablage kopieren.")
                             .arg(gone, why, kept),
                         {QStringLiteral("Text kopieren"), QStringLiteral("Zurück zum Dialog")},
                         this) == 0)
        QApplication::clipboard()->setText(m_strMemo);
    return false;
}

bool CDia_Record::KeyNamesThePlace(int key) const {
    CGeoPlaceKey there;
    bool exists = false;
    QString error;
    // A row that cannot be read or is gone is left to the write, which says so.
    if (!ReadPlaceOfRow(g_GeoDatabase, *m_pTableDesc, key, &there, &exists, &error) || !exists)
        return true;
    return there.Matches(CGeoPlaceKey::FromCells(*m_pValues));
}
