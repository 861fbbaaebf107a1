// The base map, true proportions and the legend in map windows, switched from the menu; the
// picture export through its file dialog.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/basemap/BaseMapData.h"
#include "render/basemap/BaseMapDraw.h"
#include "render/map/MapTestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MapBaseMapTest : public MapViewFixture {
protected:
    // Chooses a file type and name in the picture export's file dialog once it is up.
    void ChooseImageFile(const QString& path, const QString& filter) {
        QTimer::singleShot(0, frame, [=] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->objectName(), "MapImageFileDialog");
            dialog->selectNameFilter(filter);
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            name->setText(path);
            auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            ASSERT_TRUE(buttons);
            QPushButton* save = buttons->button(QDialogButtonBox::Save);
            ASSERT_TRUE(save && save->isEnabled());
            save->click();
        });
    }
};

// The program started where the country file is missing: set before the base map's data is
// first asked for in the process.
class MapWithoutBaseMapTest : public MapBaseMapTest {
protected:
    MapWithoutBaseMapTest() { qputenv("KELVO_DCW_FILE", "/nonexistent/dcw-gmt.nc"); }
    ~MapWithoutBaseMapTest() override { qunsetenv("KELVO_DCW_FILE"); }
};

} // namespace

TEST_F(MapWithoutBaseMapTest, WithoutItsDataTheSwitchIsDisabledAndNamesThePackage) {
    if (CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte wurde in diesem Prozess schon gelesen; der Fall läuft "
                        "für sich (wie CTest ihn startet).";
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    frame->UpdateCommandUI();
    QAction* baseMap = Action(ID_VIEW_BASE_MAP);
    ASSERT_TRUE(baseMap);
    EXPECT_FALSE(baseMap->isEnabled());
    EXPECT_EQ(baseMap->toolTip(), "Die Grundkarte braucht das Debian-Paket gmt-dcw.");
    // The menu shows the tool tip.
    int menus = 0;
    for (QObject* object : baseMap->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object)) {
            EXPECT_TRUE(menu->toolTipsVisible());
            ++menus;
        }
    }
    EXPECT_GT(menus, 0);
    baseMap->trigger();
    Process();
    EXPECT_FALSE(view->Canvas().m_bShowBaseMap);
    EXPECT_EQ(Shown(view), plain);
}

TEST_F(MapBaseMapTest, TheSwitchDrawsTheBaseMapAndNewWindowsTakeIt) {
    if (!CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte ist nicht installiert.";
    ASSERT_TRUE(InsertRows({Berlin(), Wien()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    EXPECT_EQ(MapTest::CountRgb(plain, BaseMap::kWater), 0);
    QAction* baseMap = Action(ID_VIEW_BASE_MAP);
    ASSERT_TRUE(baseMap);
    frame->UpdateCommandUI();
    EXPECT_TRUE(baseMap->isEnabled());
    EXPECT_FALSE(baseMap->isChecked());
    baseMap->trigger();
    Process();
    const QImage on = Shown(view);
    EXPECT_GT(MapTest::CountRgb(on, BaseMap::kWater), 10000); // the North Sea and the Baltic
    EXPECT_GT(MapTest::CountRgb(on, BaseMap::kLand), 100000);
    // The places stay on top, and the legend names the two countries.
    EXPECT_EQ(Pixel(on, 558, 192), kRed);
    frame->UpdateCommandUI();
    EXPECT_TRUE(baseMap->isChecked());

    // A new window starts with it; switched off there, the next one starts without it.
    CKelvoView* second = OpenMap();
    ASSERT_TRUE(second);
    SizeView(second);
    EXPECT_TRUE(second->Canvas().m_bShowBaseMap);
    Action(ID_VIEW_BASE_MAP)->trigger();
    Process();
    EXPECT_EQ(Shown(second), plain);
    CKelvoView* third = OpenMap();
    ASSERT_TRUE(third);
    EXPECT_FALSE(third->Canvas().m_bShowBaseMap);
}

TEST_F(MapBaseMapTest, TrueProportionsWidenTheExtentAndOffGivesItBack) {
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    CMapCanvas& canvas = view->Canvas();
    Action(ID_VIEW_KEEP_ASPECT)->trigger();
    Process();
    // 800 x 600 at 50.5 degrees north: the 10 degrees of latitude fill the height, and the
    // width shows more than the 15 degrees of longitude asked for, as much east as west.
    EXPECT_DOUBLE_EQ(canvas.m_dLatSouth, 45.5);
    EXPECT_DOUBLE_EQ(canvas.m_dLatNorth, 55.5);
    EXPECT_LT(canvas.m_dLonWest, 0.0);
    EXPECT_NEAR(canvas.m_dLonWest + canvas.m_dLonEast, 20.0, 1e-9);
    const QPoint a = canvas.LonLatToPoint(10, 50), b = canvas.LonLatToPoint(11, 51);
    EXPECT_NEAR(double(b.x() - a.x()) / (a.y() - b.y()), std::cos(50.5 * M_PI / 180), 0.02);
    Action(ID_VIEW_KEEP_ASPECT)->trigger();
    Process();
    EXPECT_EQ(Shown(view), plain);
}

// Each switch alone and together: the window shows the pixels kelvo-cli render draws with
// the same switches.
TEST_F(MapBaseMapTest, TheWindowShowsWhatTheBatchToolDrawsWithTheSameSwitches) {
    if (!CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte ist nicht installiert.";
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenSizedMap();
    ASSERT_TRUE(view);
    const CMapCanvas& canvas = view->Canvas();
    auto set = [&](int id, bool on) {
        const bool now = id == ID_VIEW_BASE_MAP      ? canvas.m_bShowBaseMap
                         : id == ID_VIEW_KEEP_ASPECT ? canvas.KeepAspect()
                                                     : canvas.m_bShowLegend;
        if (now != on) {
            Action(id)->trigger();
            Process();
        }
    };
    struct Case {
        bool baseMap, aspect, legend;
    };
    int n = 0;
    for (const Case c : {Case{true, false, false}, Case{false, true, false},
                         Case{true, false, true}, Case{true, true, true}}) {
        set(ID_VIEW_BASE_MAP, c.baseMap);
        set(ID_VIEW_KEEP_ASPECT, c.aspect);
        set(ID_VIEW_LEGEND, c.legend);
        QStringList args{"render", "--db", g_GeoDatabase.FilePath()};
        if (c.baseMap)
            args << "--basemap";
        if (c.aspect)
            args << "--aspect";
        if (c.legend)
            args << "--legend";
        const QString png = dir.filePath(QStringLiteral("k%1.png").arg(++n));
        QString err;
        ASSERT_EQ(TestSupport::RunCli(args << png, dir.path(), nullptr, &err), 0)
            << err.toStdString();
        const QImage shown = Shown(view).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32), shown)
            << args.join(' ').toStdString();
        EXPECT_EQ(MapTest::CountRgb(shown, BaseMap::kWater) > 10000, c.baseMap);
    }
}

TEST_F(MapBaseMapTest, PicturesAreSavedAtTheChosenSizeOrAsSvg) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view, QSize(400, 300));
    const QString png = dir.filePath("karte");
    ChooseImageFile(png, "PNG-Bild in doppelter Größe (*.png)");
    Action(ID_FILE_SAVE_MAP_IMAGE)->trigger();
    Process();
    const QImage twice(png + ".png");
    ASSERT_FALSE(twice.isNull());
    EXPECT_EQ(twice.size(), QSize(800, 600));
    // Drawn anew at twice the size: Berlin's pixel becomes a 2 x 2 square.
    const QPoint berlin = view->Canvas().LonLatToPoint(13.4, 52.5) * 2;
    for (QPoint d : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1)})
        EXPECT_EQ(twice.pixel(berlin + d) & 0xffffff, 0xff0000u);

    const QString svg = dir.filePath("karte.svg");
    ChooseImageFile(svg, "SVG-Bild (*.svg)");
    Action(ID_FILE_SAVE_MAP_IMAGE)->trigger();
    Process();
    const QByteArray text = TestSupport::ReadFile(svg);
    EXPECT_TRUE(text.contains("<svg")) << text.left(200).constData();
    EXPECT_TRUE(text.contains("width=\"400\""));
}
