#pragma once

#include <QDialog>

// The About box (dialog 100): the application icon, "Kelvo Version 1.1" and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
