// The outlines' shape and the postal-code areas in a map window, driven as a user does: the
// concave hull chosen in "Gebietsumrisse einstellen..." is drawn and taken by the next
// window, and "PLZ-Flächen importieren..." makes an area the territory's outline.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/territory/TerritoryStore.h"
#include "ui/map/TerritoryOutlineDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

class TerritoryOutlineUiTest : public MapViewFixture {
protected:
    // Nord: an L of places, a bar along 50° N from 8° to 12° E and one along 8° E up to 54° N,
    // two places wide.
    void MakeL() {
        QList<Row> rows;
        int n = 0;
        auto add = [&](double lon, double lat) {
            rows << Row{"DE", QString::number(20000 + n++), "L", QString::number(lon),
                        QString::number(lat)};
        };
        for (double lon = 8.0; lon <= 12.0; lon += 0.5) {
            add(lon, 50.0);
            add(lon, 50.5);
        }
        for (double lat = 51.0; lat <= 54.0; lat += 0.5) {
            add(8.0, lat);
            add(8.5, lat);
        }
        ASSERT_TRUE(InsertRows(rows));
        CTerritoryStore store(g_GeoDatabase);
        const qint64 nord = store.Create({0, "Nord", "#0060c0", "", {}});
        ASSERT_GT(nord, 0) << store.Error().toStdString();
        QList<CTerritoryRule> rules;
        QString error;
        QStringList notes;
        ASSERT_TRUE(TerritoryRules::Parse("DE 2*", &rules, &error));
        ASSERT_TRUE(store.AddRules(nord, rules, &notes)) << store.Error().toStdString();
    }
    void Command(int id) {
        QAction* action = frame->GetActions(id).value(0);
        ASSERT_TRUE(action) << id;
        action->trigger();
        Process();
    }
    static int Blue(CKelvoView* view, double lon, double lat) {
        const QImage shown = Shown(view);
        const QPoint p = view->Canvas().LonLatToPoint(lon, lat);
        int count = 0;
        for (int y = p.y() - 3; y <= p.y() + 3; ++y)
            for (int x = p.x() - 3; x <= p.x() + 3; ++x)
                count += Pixel(shown, x, y) == RGB(0, 0x60, 0xc0);
        return count;
    }
    // Once the file dialog is up: the file typed into its name field, then Open.
    static void ChooseFile(const QString& path, std::function<void()> then) {
        QTimer::singleShot(0, [=] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->objectName(), "PostalAreaFileDialog");
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            if (then)
                QTimer::singleShot(0, then);
            QTest::mouseClick(
                dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open),
                Qt::LeftButton);
        });
    }
};

TEST_F(TerritoryOutlineUiTest, AConcaveShapeIsDrawnAndRememberedAndAnImportedAreaIsTheOutline) {
    MakeL();
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    Command(ID_TERRITORY_OUTLINES);
    // The convex hull's diagonal crosses the empty corner of the L; the inner edge is open.
    EXPECT_GT(Blue(view, 10.25, 52.25), 0);
    EXPECT_EQ(Blue(view, 10.75, 50.5), 0);

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CTerritoryOutlineDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        auto* ratio = dialog->findChild<QDoubleSpinBox*>();
        EXPECT_FALSE(ratio->isEnabled());
        for (QRadioButton* radio : dialog->findChildren<QRadioButton*>()) {
            if (radio->text().contains("Konkav") || radio->text().contains("onkave"))
                QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(5, radio->height() / 2));
        }
        ASSERT_TRUE(ratio->isEnabled());
        ratio->setFocus();
        ratio->selectAll();
        QTest::keyClicks(ratio, "0,1");
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    Command(ID_TERRITORY_OUTLINE_SHAPE);
    EXPECT_TRUE(view->Canvas().m_outlineShape.concave);
    EXPECT_DOUBLE_EQ(view->Canvas().m_outlineShape.ratio, 0.1);
    EXPECT_EQ(Blue(view, 10.25, 52.25), 0);
    EXPECT_GT(Blue(view, 10.75, 50.5), 0);
    // The next window takes the shape.
    frame->activateWindow();
    view->setFocus();
    Process();
    CKelvoView* next = OpenMap();
    ASSERT_TRUE(next);
    EXPECT_TRUE(next->Canvas().m_outlineShape == view->Canvas().m_outlineShape);
    next->GetParentFrame()->close();
    Process();

    // A file that is no polygon file: said so, nothing else happens.
    view->setFocus();
    ChooseFile(TestSupport::WriteFile(dir.filePath("plz.csv"), "PLZ;Ort\n20000;L\n"), {});
    Command(ID_TERRITORY_IMPORT_AREAS);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("keine Polygondatei")) << messages[0].toStdString();

    // The area of the L's corner place (8° E, 50° N): its square is drawn, the columns as
    // guessed.
    const QString areas =
        TestSupport::WriteFile(dir.filePath("plz.geojson"),
                               R"({"type": "FeatureCollection", "features": [{"type": "Feature",
            "properties": {"Name": "Ecke", "PLZ": "20000"}, "geometry": {"type": "Polygon",
            "coordinates": [[[7.75, 49.75], [8.25, 49.75], [8.25, 50.25], [7.75, 50.25],
                             [7.75, 49.75]]]}}]})");
    EXPECT_EQ(Blue(view, 8.0, 49.75), 0);
    ChooseFile(areas, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->objectName(), "PostalAreaDialog");
        EXPECT_EQ(dialog->findChild<QComboBox*>("PlzColumn")->currentText(), "PLZ");
        EXPECT_EQ(dialog->findChild<QComboBox*>("StaatColumn")->currentIndex(), 0);
        EXPECT_EQ(dialog->findChild<QLineEdit*>("Country")->text(), "DE");
        QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    });
    Command(ID_TERRITORY_IMPORT_AREAS);
    EXPECT_EQ(messages.size(), 1) << messages.join('|').toStdString();
    EXPECT_GT(Blue(view, 8.0, 49.75), 0);
    CPostalAreas stored;
    ASSERT_TRUE(CTerritoryStore(g_GeoDatabase).LoadAreas(&stored));
    EXPECT_EQ(stored.keys(), QList<QByteArray>{PostalAreas::Key("DE", "20000")});
}
