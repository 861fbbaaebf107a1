#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

// The find dialog (dialog 131, "Daten suchen"): asks for the text to search for. OK leaves
// the text exactly as typed in g_strSearch; cancelling stores nothing. OK is disabled while
// the text is empty; a text that is no valid search pattern ("[abc") gets a German message
// and the dialog stays open with it.
//
// Below the specified controls, a check box folds the German spellings (ä = ae, ö = oe,
// ü = ue, ß = ss). It is off until the user turns it on; OK keeps its state in the settings
// for the next search.
class CDia_Find : public QDialog {
    Q_OBJECT
public:
    explicit CDia_Find(QWidget* parent = nullptr);

    void OnOK();

    // The state of the check box when the dialog was confirmed.
    bool FoldSpellings() const;

    QLineEdit* m_editSearch; // edit 1000
    QCheckBox* m_checkFold;  // "ä = ae, ö = oe, ü = ue, ß = ss"
};
