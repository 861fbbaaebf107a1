#pragma once

#include "store/LeftoverFiles.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class CGeoNamesDownload;
class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QProgressBar;

// "Postleitzahlen herunterladen": the countries to fetch from GeoNames as check boxes (DE,
// AT, CH, BE and LI ticked at first), a progress bar and a status per country, "Herunterladen"
// and "Abbrechen". Downloading keeps the dialog open; Cancel stops it. The dialog is accepted
// when every chosen country is done; the archives stay in the dialog's temporary folder until
// it is destroyed.
class CDownloadDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDownloadDialog(QWidget* parent = nullptr);
    ~CDownloadDialog() override;

    // The checked archives, and a German message for each country that failed.
    const QStringList& Files() const { return m_files; }
    const QStringList& Errors() const { return m_errors; }

protected:
    void reject() override;

private:
    struct Row {
        QString code;
        QCheckBox* check;
        QProgressBar* bar;
        QLabel* status;
    };
    void OnStart();
    Row* FindRow(const QString& code);

    QList<Row> m_rows;
    QDialogButtonBox* m_pButtons = nullptr;
    CGeoNamesDownload* m_pDownload = nullptr;
    LeftoverFiles::Folder m_folder;
    QStringList m_files;
    QStringList m_errors;
    bool m_bCancelled = false;
};
