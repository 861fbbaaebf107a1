#pragma once

// Map windows for widget tests: rows with coordinates, map windows opened the user's way,
// views sized exactly, and the pixels a view shows.
#include "ShellFixture.h"

#include "base/GeoTableDesc.h"
#include "common/TestSupport.h"
#include "render/draw/DrawTypes.h"
#include "store/GeoSqlDialect.h"
#include "ui/map/CKelvoDoc.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/DocTemplate.h"
#include "ui/table/CListView_Table.h"

#include <QColor>
#include <QImage>

class MapViewFixture : public ShellFixture {
protected:
    // One GEO row; an empty memo is stored as NULL.
    struct Row {
        QString staat, plz, ort, lon, lat;
        QString memo = {};
    };

    // Places at known points of an 800 x 600 window with the default extent.
    static Row Berlin() { return {"DE", "10115", "Berlin", "13.4", "52.5"}; }        // (558, 192)
    static Row Heidelberg() { return {"DE", "69117", "Heidelberg", "8.6", "49.3"}; } // (334, 364)
    static Row Wien() { return {"AT", "1010", "Wien", "16.37", "48.21"}; }           // (697, 423)

    // "Tabelle öffnen" with Ctrl+T; the new window's view.
    CListView_Table* OpenTable() {
        Key(Qt::Key_T, Qt::ControlModifier);
        return dynamic_cast<CListView_Table*>(Frames().last()->GetActiveView());
    }
    // A click on the Ort cell of a table's `row`, with `modifiers` held.
    static void ClickRow(CListView_Table* table, int row, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint point(table->columnViewportPosition(GEO_ORT) + 5,
                           table->rowViewportPosition(row) + 3);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, point);
        Process();
    }

    bool InsertRows(const QList<Row>& rows) {
        CGeoRecordset rs(g_GeoDatabase);
        if (!rs.Open(g_GeoDatabase.Sql().InsertRow(g_GeoDatabase.m_Table)))
            return false;
        for (const Row& r : rows) {
            QVariantList values;
            for (int i = 1; i < g_GeoDatabase.m_Table.m_nFields; ++i) {
                const QString v = i == GEO_STAAT         ? r.staat
                                  : i == GEO_PLZ         ? r.plz
                                  : i == GEO_ORT         ? r.ort
                                  : i == GEO_LANGENGRAD  ? r.lon
                                  : i == GEO_BREITENGRAD ? r.lat
                                  : i == GEO_MEMO        ? r.memo
                                                         : QString();
                values << (v.isEmpty() ? QVariant() : QVariant(v));
            }
            if (!rs.Rebind(values) || !rs.Execute())
                return false;
        }
        return true;
    }

    static CKelvoView* MapView(CChildFrame* child) {
        return child ? dynamic_cast<CKelvoView*>(child->GetActiveView()) : nullptr;
    }

    // "Karte öffnen" (Ctrl+K): the new window's view.
    CKelvoView* OpenMap() {
        const int before = int(Frames().size());
        Key(Qt::Key_K, Qt::ControlModifier);
        return int(Frames().size()) > before ? MapView(Frames().last()) : nullptr;
    }

    // "Karte öffnen" with its view sized exactly (default 800 x 600, the default extent).
    CKelvoView* OpenSizedMap(QSize size = QSize(800, 600)) {
        CKelvoView* view = OpenMap();
        if (view)
            SizeView(view, size);
        return view;
    }

    // A place file written with the given bytes and opened as the open command opens it.
    CKelvoView* OpenPlaceFile(const QByteArray& bytes, const QString& name = "orte.txt") {
        const QString path = TestSupport::WriteFile(dir.filePath(name), bytes);
        CDocument* doc = theApp.OpenDocumentFile(path);
        Process();
        return doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    }

    // Resizes the view's window so that the view gets exactly this size, and lets the
    // repaint that follows run.
    static void SizeView(CKelvoView* view, QSize size = QSize(800, 600)) {
        CChildFrame* child = view->GetParentFrame();
        child->resize(child->size() + size - view->size());
        Process();
        ASSERT_EQ(view->size(), size);
    }

    // What the view shows.
    static QImage Shown(CKelvoView* view) { return view->grab().toImage(); }

    static COLORREF Pixel(const QImage& image, int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return RGB(c.red(), c.green(), c.blue());
    }

    static constexpr COLORREF kWhite = RGB(255, 255, 255);
    static constexpr COLORREF kRed = RGB(255, 0, 0);
    static constexpr COLORREF kGreen = RGB(0, 200, 0);
};
