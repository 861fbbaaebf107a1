// The panel's assignment file: "Exportieren..." writes which territory each postal code (or
// place) is in as CSV or XLSX, or the territories' outlines as GeoJSON; "Importieren..." reads
// an assignment back, making the territories it names, all or nothing. The same files as
// `kelvo-cli territory export|import`.
#include "base/GermanNumbers.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryAssigner.h"
#include "render/territory/TerritoryFile.h"
#include "render/territory/TerritoryStore.h"
#include "store/GeoDatabase.h"
#include "ui/map/CKelvoView.h"
#include "ui/map/TerritoryOutlineDialog.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"
#include "ui/shell/WriteCheckWait.h"
#include "ui/territory/TerritoryOutlineSave.h"
#include "ui/territory/TerritoryPanel.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {

const QString kFilter = QStringLiteral("CSV (*.csv);;Excel-Arbeitsmappe (*.xlsx)");
const QString kOutlineFilter = QStringLiteral("Gebietsumrisse als GeoJSON (*.geojson)");

bool isOutlineFile(const QString& path) {
    return QFileInfo(path).suffix().compare(QStringLiteral("geojson"), Qt::CaseInsensitive) == 0;
}

// The file chosen in the panel's file dialog; empty when cancelled.
QString chooseFile(QWidget* parent, bool save) {
    QFileDialog dialog(parent,
                       save ? QStringLiteral("Gebiete exportieren")
                            : QStringLiteral("Gebiete importieren"),
                       QString(), save ? kFilter + QStringLiteral(";;") + kOutlineFilter : kFilter);
    dialog.setObjectName(QStringLiteral("TerritoryFileDialog"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    QString path = dialog.selectedFiles().first();
    if (save && QFileInfo(path).suffix().isEmpty())
        path += dialog.selectedNameFilter().contains(QStringLiteral("xlsx"))
                    ? QStringLiteral(".xlsx")
                : dialog.selectedNameFilter().contains(QStringLiteral("geojson"))
                    ? QStringLiteral(".geojson")
                    : QStringLiteral(".csv");
    return path;
}

} // namespace

void CTerritoryPanel::OnExport() {
    const QString path = chooseFile(this, true);
    if (path.isEmpty())
        return;
    if (isOutlineFile(path)) {
        // The outlines as the map last worked in draws them, or as chosen last.
        const CTerritoryOutlineShape shape = g_pLastMapView
                                                 ? g_pLastMapView->Canvas().m_outlineShape
                                                 : CTerritoryOutlineDialog::Remembered();
        QString text;
        TerritoryOutlineSave::Write(path, shape, &text);
        KelvoMessageBox(text, this);
        return;
    }
    QString error;
    const auto rows = CGeoPlaceRowsCache::Of(g_GeoDatabase).Rows(true, {}, &error);
    CTerritoryData data;
    CTerritoryStore store(g_GeoDatabase);
    if (error.isEmpty() && !store.Load(&data))
        error = store.Error();
    QList<CTerritoryImportLine> lines;
    if (rows && error.isEmpty())
        lines = TerritoryFile::Lines(*rows, CTerritoryAssigner(data), data);
    if (!rows || !error.isEmpty() || !TerritoryFile::Write(path, lines, &error)) {
        KelvoMessageBox(error, this);
        return;
    }
    KelvoMessageBox(QStringLiteral("%1 nach %2 geschrieben.")
                        .arg(GermanNumbers::Count(lines.size(), QStringLiteral("Zeile"),
                                                  QStringLiteral("Zeilen")),
                             path),
                    this);
}

void CTerritoryPanel::OnImport() {
    const QString path = chooseFile(this, false);
    if (path.isEmpty())
        return;
    QList<CTerritoryImportLine> lines;
    QString error;
    if (!TerritoryFile::Read(path, QString(), &lines, &error)) {
        KelvoMessageBox(error, this);
        return;
    }
    WaitForWriteCheck();
    CTerritoryStore store(g_GeoDatabase);
    QStringList created;
    int rules = 0, singles = 0, kept = 0;
    if (!store.Import(lines, &created, &rules, &singles, &kept)) {
        KelvoMessageBox(store.Error(), this);
        return;
    }
    const QString report = TerritoryFile::ImportReport(rules, singles, created, kept);
    Changed();
    KelvoMessageBox(report, this);
}
