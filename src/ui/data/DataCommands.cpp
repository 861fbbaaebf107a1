#include "ui/data/DataCommands.h"

#include "ui/data/DownloadDialog.h"
#include "ui/data/ImportJob.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"

#include <QFileDialog>
#include <QSettings>

namespace DataCommands {

namespace {
const QString kFolderKey = QStringLiteral("Daten/ImportOrdner");
} // namespace

void OnImport(CMainFrame& frame) {
    QStringList files;
    {
        // The dialog and its completer's popup are gone before the import starts.
        QSettings settings;
        QFileDialog dialog(&frame, QStringLiteral("Postleitzahlen importieren"),
                           settings.value(kFolderKey).toString(),
                           QStringLiteral("GeoNames-Dateien (*.txt *.zip);;Alle Dateien (*)"));
        dialog.setObjectName(QStringLiteral("ImportFileDialog"));
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        settings.setValue(kFolderKey, dialog.directory().absolutePath());
        files = dialog.selectedFiles();
    }
    RunImportJob(frame, files);
}

void OnDownload(CMainFrame& frame) {
    CDownloadDialog dialog(&frame);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.Files().isEmpty()) {
        KelvoMessageBox(dialog.Errors().join(QLatin1Char('\n')) +
                            QStringLiteral("\n\nNichts wurde importiert."),
                        &frame);
        return;
    }
    RunImportJob(frame, dialog.Files(), dialog.Errors());
}

} // namespace DataCommands
