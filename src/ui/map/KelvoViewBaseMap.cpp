// The map view's base map, true proportions, legend and picture export. The switches a user
// turns on are taken by the map windows opened after that: the base map and the legend also
// after a restart (in the settings), true proportions while Kelvo runs. At the first start
// the base map is off and the legend on.
#include "ui/map/CKelvoView.h"

#include "base/CommandIds.h"
#include "render/basemap/BaseMapData.h"
#include "render/map/MapImage.h"
#include "render/map/MapLegend.h"
#include "render/places/TableList.h"
#include "ui/map/AsOfBar.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/shell/Globals.h"
#include "ui/shell/MessageBox.h"

#include "ui/map/TerritoryOutlineDialog.h"
#include <QFileDialog>
#include <QFileInfo>

#include <QSettings>

namespace {

const QString kBaseMapKey = QStringLiteral("Karte/Grundkarte");
const QString kLegendKey = QStringLiteral("Karte/Legende");

QSettings settings() {
    return QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo"));
}

bool remembered(const QString& key, bool first) {
    return settings().value(key, first).toBool();
}

void remember(const QString& key, bool on) {
    settings().setValue(key, on);
}

const QString kPng1 = QStringLiteral("PNG-Bild in Fenstergröße (*.png)");
const QString kPng2 = QStringLiteral("PNG-Bild in doppelter Größe (*.png)");
const QString kPng4 = QStringLiteral("PNG-Bild in vierfacher Größe (*.png)");
const QString kSvg = QStringLiteral("SVG-Bild (*.svg)");

} // namespace

void CKelvoView::TakeRememberedSwitches() {
    m_canvas.m_bShowBaseMap =
        remembered(kBaseMapKey, false) && CBaseMapData::Shared().IsAvailable();
    m_canvas.SetKeepAspect(g_bNextKeepAspect);
    m_canvas.m_bShowLegend = remembered(kLegendKey, true);
    m_canvas.m_outlineShape = CTerritoryOutlineDialog::Remembered();
}

void CKelvoView::SyncLegend() {
    const CKelvoDoc* doc = GetDocument();
    m_canvas.m_aLegendSections.clear();
    if (doc && doc->List())
        m_canvas.m_aLegendSections =
            MapLegend::ListSections(*doc->List(), CAsOfBar::AgeRules(), doc->AsOf());
}

bool CKelvoView::OnBaseMapCommand(int id) {
    switch (id) {
    case ID_VIEW_BASE_MAP:
        if (!CBaseMapData::Shared().IsAvailable())
            return true;
        m_canvas.m_bShowBaseMap = !m_canvas.m_bShowBaseMap;
        remember(kBaseMapKey, m_canvas.m_bShowBaseMap);
        break;
    case ID_VIEW_KEEP_ASPECT:
        g_bNextKeepAspect = !m_canvas.KeepAspect();
        m_canvas.SetKeepAspect(g_bNextKeepAspect);
        break;
    case ID_VIEW_LEGEND:
        m_canvas.m_bShowLegend = !m_canvas.m_bShowLegend;
        remember(kLegendKey, m_canvas.m_bShowLegend);
        break;
    case ID_FILE_SAVE_MAP_IMAGE:
        OnSaveMapImage();
        return true;
    case ID_FILE_PRINT_POSTER:
        OnPrintPoster();
        return true;
    default:
        return false;
    }
    RepaintNow();
    return true;
}

bool CKelvoView::OnUpdateBaseMapCommand(int id, CCmdUI& ui) {
    switch (id) {
    case ID_VIEW_BASE_MAP: {
        const QString missing = CBaseMapData::Shared().MissingPackage();
        ui.Enable(missing.isEmpty());
        ui.SetCheck(m_canvas.m_bShowBaseMap);
        if (!missing.isEmpty())
            ui.SetToolTip(
                QStringLiteral("Die Grundkarte braucht das Debian-Paket %1.").arg(missing));
        return true;
    }
    case ID_VIEW_KEEP_ASPECT:
        ui.SetCheck(m_canvas.KeepAspect());
        return true;
    case ID_VIEW_LEGEND:
        ui.SetCheck(m_canvas.m_bShowLegend);
        return true;
    case ID_FILE_SAVE_MAP_IMAGE:
    case ID_FILE_PRINT_POSTER:
        return true;
    default:
        return false;
    }
}

// PNG at the window's size, twice or four times it, or SVG, chosen by the file type; a name
// without suffix gets the type's.
void CKelvoView::OnSaveMapImage() {
    QString path, filter;
    {
        QFileDialog dialog(this, QStringLiteral("Karte als Bild speichern"), QString(),
                           QStringList{kPng1, kPng2, kPng4, kSvg}.join(QStringLiteral(";;")));
        dialog.setObjectName(QStringLiteral("MapImageFileDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        path = dialog.selectedFiles().first();
        filter = dialog.selectedNameFilter();
    }
    const bool svg = filter == kSvg;
    if (QFileInfo(path).suffix().isEmpty())
        path += svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    SyncPlaceList();
    SyncLegend();
    QString error;
    const int factor = filter == kPng4 ? 4 : filter == kPng2 ? 2 : 1;
    const bool ok = svg ? MapImage::WriteSvg(m_canvas, size(), path, &error)
                        : MapImage::WritePng(m_canvas, size(), factor, path, &error);
    if (!ok)
        KelvoMessageBox(error, this);
}
