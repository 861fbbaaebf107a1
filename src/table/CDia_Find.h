#pragma once

#include <QDialog>

class QLineEdit;

// The find dialog (dialog 131, "Daten suchen"): asks for the text to search for. OK leaves
// the text exactly as typed in g_strSearch; cancelling stores nothing.
class CDia_Find : public QDialog {
    Q_OBJECT
public:
    explicit CDia_Find(QWidget* parent = nullptr);

    void OnOK();

    QLineEdit* m_editSearch; // edit 1000
};
