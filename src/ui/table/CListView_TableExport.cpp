// Results going out of a table window: an export of its rows and a place file of the
// selected rows.
#include "ui/table/CListView_Table.h"

#include "base/GermanNumbers.h"
#include "render/export/Export.h"
#include "render/table/TableExport.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/table/CDia_Export.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace {

const char* const kFolderKey = "Export/Ordner";

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

// Writes the rows and says how it went: the count in the status bar, a failure in a box.
void writeRows(const QString& path, Export::Format format, const Export::CRows& rows,
               const Export::COptions& options = {}) {
    Export::CResult result;
    {
        CStatusBarProgress progress;
        result = Export::WriteFile(path, format, rows, &progress, options);
    }
    if (!result.strError.isEmpty()) {
        KelvoMessageBox(result.strError);
        return;
    }
    QString text = QStringLiteral("%1 nach \"%2\" geschrieben.")
                       .arg(GermanNumbers::Count(result.nWritten, QStringLiteral("Zeile"),
                                                 QStringLiteral("Zeilen")))
                       .arg(QDir::toNativeSeparators(path));
    if (result.nSkipped > 0)
        text += QStringLiteral(" %1 ohne zweistelligen Staat oder ohne PLZ übergangen.")
                    .arg(GermanNumbers::Count(result.nSkipped, QStringLiteral("Zeile"),
                                              QStringLiteral("Zeilen")));
    if (CMainFrame* frame = theApp.GetMainFrame())
        frame->SetMessageText(text);
}

// Asks for the file to write in the format; empty when the user cancels. The folder is
// remembered for the next time.
QString askSavePath(Export::Format f, const QString& caption) {
    QFileDialog dlg(theApp.GetMainFrame(), caption,
                    settings().value(QLatin1String(kFolderKey), QDir::currentPath()).toString());
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilter(Export::DialogFilter(f));
    dlg.setDefaultSuffix(Export::Suffix(f));
    dlg.selectFile(QStringLiteral("Orte.") + Export::Suffix(f));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    const QString path = dlg.selectedFiles().first();
    settings().setValue(QLatin1String(kFolderKey), QFileInfo(path).absolutePath());
    return path;
}

} // namespace

void CListView_Table::OnFileExport() {
    const QList<int> selected = SelectedRows();
    CDia_Export dlg(m_model.RowCount(), int(selected.size()), theApp.GetMainFrame());
    if (dlg.exec() != QDialog::Accepted)
        return;
    const QString path = askSavePath(dlg.GetFormat(), QStringLiteral("Exportieren"));
    if (path.isEmpty())
        return;
    writeRows(path, dlg.GetFormat(),
              TableExportRows(m_model, dlg.SelectedOnly() ? selected : QList<int>()),
              dlg.GetOptions());
}

void CListView_Table::OnFileSavePlaces() {
    const QList<int> selected = SelectedRows();
    if (selected.isEmpty())
        return;
    const QString path =
        askSavePath(Export::Format::Places, QStringLiteral("Als Ortsdatei speichern"));
    if (!path.isEmpty())
        writeRows(path, Export::Format::Places, TableExportRows(m_model, selected));
}
