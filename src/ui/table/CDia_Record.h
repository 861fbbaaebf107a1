#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVariant>

#include <array>

class CGeoTableDesc;
class QLabel;
class QLineEdit;
class QPushButton;

// The memo box of the record dialog: Enter confirms the dialog (it does not claim the key),
// Ctrl+Enter starts a new line.
class CMemoEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CMemoEdit(QWidget* parent = nullptr);

signals:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The record dialog (dialog 132, "GEO Datensatz"): one row of a table window as a form, the
// eleven fields Staat to Breitengrad read-only and the memo editable. The memo is the one
// stored when the dialog opens, not the window's copy. OK stores the memo, and nothing else
// of the record, when the user changed it; the caller then shows the stored memo.
//
// OK ends the dialog with Accepted once the memo is stored (or was left as it is). The memo
// is written only while the stored one is still the one shown: when another window or
// program changed it meanwhile, a question shows both versions and the user keeps theirs,
// takes the stored one, or goes back to the dialog with the memo as typed. When the record
// no longer exists, the row at the same place may take the memo, if the user agrees;
// otherwise a message says so, nothing is written and the dialog stays open.
// When the engine refuses the write, a message gives its text and the dialog stays open
// with the memo as typed.
class CDia_Record : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFields = 11; // Staat to Breitengrad; the key has no control

    explicit CDia_Record(QWidget* parent = nullptr);

    // Reads the stored memo into the values, fills the labels and fields from the
    // description and the values, then runs the dialog. Rejected without showing the dialog
    // when the database cannot be read now (a message said why).
    int DoModal();
    void OnInitDialog();
    void OnOK();

    int m_nMemoField = 0;
    QString m_strMemo;                           // the memo as stored by OK
    QVariant m_varStoredMemo;                    // the stored memo last shown (null: none)
    QStringList* m_pValues = nullptr;            // the row's values, owned by the caller
    const CGeoTableDesc* m_pTableDesc = nullptr; // labels and key

    std::array<QLabel*, kFields> m_aLabel{};
    std::array<QLineEdit*, kFields> m_aEdit{};
    CMemoEdit* m_editMemo;
    QPushButton* m_btnOK;
    QPushButton* m_btnCancel;

private:
    bool ReadStoredMemo();
    // The row is gone: the row at the same place (Staat, PLZ, Ort, Ortsteil) takes the memo
    // when the user agrees; `key` and the values' key then name it. False when the dialog
    // stays open with the memo as typed (no such row, several, or the user went back; the
    // text can be copied to the clipboard).
    bool MoveToSamePlace(int* key);
    // False when the row with the key stands for another place than the one shown.
    bool KeyNamesThePlace(int key) const;
    quint64 m_nOpening = 0;       // which opening of the database the memo was read from
    bool m_bCheckWaiting = false; // OK waits for the check of the file before a write
    // A stored memo as the dialog shows it: no memo, and a cleared one (a single space), as
    // an empty box; any other text as stored.
    static QString MemoText(const QVariant& memo);
    enum class Choice { KeepMine, TakeStored, Back };
    Choice AskAboutConflict(const QVariant& stored) const;
};
