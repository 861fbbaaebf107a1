// A list of the user's opened as a map window through the real main window: the mapping
// dialog, the markers, the rows without place beside the map and the reference day driven
// through the "Stichtag" window's slider, keys and play button.
#include "MapViewFixture.h"

#include "render/places/TableList.h"
#include "ui/map/AsOfBar.h"
#include "ui/map/TableListDialog.h"
#include "ui/map/TableListIssues.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

namespace {

class ListMapTest : public MapViewFixture {
protected:
    // Opens the list as "Datei öffnen..." does; the mapping dialog is confirmed with its OK
    // button after `check` has looked at it.
    CKelvoView* OpenList(const QString& path, const std::function<void(CTableListDialog*)>& check) {
        QTimer::singleShot(0, [check] {
            auto* dlg = qobject_cast<CTableListDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dlg);
            check(dlg);
            auto* buttons = dlg->findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        CDocument* doc = theApp.OpenDocumentFile(path);
        Process();
        return doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    }
};

TEST_F(ListMapTest, TheReferenceDayShowsAndHidesDatedEntries) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    const QDate today = QDate::currentDate();
    const QString later = today.addDays(10).toString("dd.MM.yyyy");
    const QString path =
        TestSupport::WriteFile(dir.filePath("kunden.csv"), ("Land;PLZ;Name;Datum;Gruppe\n"
                                                            "DE;10115;Berlin;2.1.2020;A\n"
                                                            "DE;69117;Heidelberg;" +
                                                            later +
                                                            ";B\n"
                                                            "AT;1010;Wien;;A\n"
                                                            "DE;99999;Nirgends;;A\n")
                                                               .toUtf8());
    CKelvoView* view = OpenList(path, [](CTableListDialog* dlg) {
        const CTableListMapping m = dlg->Mapping();
        EXPECT_EQ(m.nHeaderLine, 1);
        EXPECT_EQ(m.Column(CTableListMapping::Plz), 1);
        EXPECT_EQ(m.Column(CTableListMapping::Gruppe), 4);
    });
    ASSERT_TRUE(view);
    SizeView(view);
    CKelvoDoc* doc = view->GetDocument();
    ASSERT_TRUE(doc->IsList());
    EXPECT_EQ(Frames().last()->windowTitle(), "kunden.csv");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();

    // The row without place in a window of its own, beside the map.
    CTableListIssues* issues = doc->IssuesWindow();
    ASSERT_TRUE(issues && issues->isVisible());
    ASSERT_EQ(issues->Table()->rowCount(), 1);
    EXPECT_EQ(issues->Table()->item(0, 0)->text(), "5");
    EXPECT_EQ(issues->Table()->item(0, 1)->text(), "DE 99999 ist nicht in GEO.");
    const QString exported = dir.filePath("ohne_ort.csv");
    ASSERT_TRUE(issues->ExportTo(exported));
    EXPECT_EQ(TestSupport::ReadFile(exported),
              "\xEF\xBB\xBFZeile;Grund;Land;PLZ;Name;Datum;Gruppe\r\n"
              "5;DE 99999 ist nicht in GEO.;DE;99999;Nirgends;;A\r\n");

    // Group A and B in two colours; today the later Heidelberg entry is held back.
    const COLORREF a = TableList::GroupColor(0), b = TableList::GroupColor(1);
    EXPECT_EQ(Pixel(Shown(view), 556, 190), a); // Berlin's marker fill
    EXPECT_EQ(Pixel(Shown(view), 695, 421), a); // Wien, undated
    EXPECT_NE(Pixel(Shown(view), 332, 362), b); // Heidelberg not yet
    EXPECT_EQ(doc->m_aPlaces.size(), 2);

    CAsOfBar* bar = doc->AsOfBar();
    ASSERT_TRUE(bar && bar->isVisible());
    EXPECT_EQ(bar->DateBox()->date(), today);
    // The slider's end: the last day of the list.
    bar->Slider()->setFocus();
    QTest::keyClick(bar->Slider(), Qt::Key_End);
    Process();
    EXPECT_EQ(doc->AsOf(), today.addDays(10));
    EXPECT_EQ(bar->DateBox()->date(), today.addDays(10));
    EXPECT_EQ(Pixel(Shown(view), 332, 362), b);
    // Its start: the day before the first entry; only the undated one is left.
    QTest::keyClick(bar->Slider(), Qt::Key_Home);
    Process();
    EXPECT_EQ(doc->AsOf(), QDate(2020, 1, 1));
    EXPECT_NE(Pixel(Shown(view), 556, 190), a);
    EXPECT_NE(Pixel(Shown(view), 332, 362), b);
    EXPECT_EQ(Pixel(Shown(view), 695, 421), a);
    EXPECT_EQ(doc->m_aPlaces.size(), 1);
    // One day on with the arrow key: Berlin appears on its day.
    for (int i = 0; i < 1; ++i)
        QTest::keyClick(bar->Slider(), Qt::Key_Right);
    Process();
    EXPECT_EQ(doc->AsOf(), QDate(2020, 1, 2));
    EXPECT_EQ(Pixel(Shown(view), 556, 190), a);

    // The play button steps through the days of the list and stops after the last.
    QTest::mouseClick(bar->PlayButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bar->PlayButton()->isChecked(); }, 10000));
    EXPECT_EQ(doc->AsOf(), today.addDays(10));
    Process();
    EXPECT_EQ(Pixel(Shown(view), 332, 362), b);
}

TEST_F(ListMapTest, TheMappingIsRememberedForFilesNamedAlike) {
    ASSERT_TRUE(InsertRows({Berlin(), Wien()}));
    // No header: the guess takes the 4- and 5-digit numbers; the user picks the label.
    const QString first =
        TestSupport::WriteFile(dir.filePath("tour_2025.csv"), "Berlin;10115;x\nWien;1010;y\n");
    CKelvoView* view = OpenList(first, [](CTableListDialog* dlg) {
        EXPECT_EQ(dlg->Mapping().Column(CTableListMapping::Plz), 1);
        auto* text = dlg->findChild<QComboBox*>("Text");
        ASSERT_TRUE(text);
        text->setCurrentIndex(text->findData(0));
        dlg->findChild<QLineEdit*>("Staat ohne Spalte")->setText("at");
    });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 1);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strLabel, "Wien");
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strStaat, "AT");
    EXPECT_FALSE(view->GetDocument()->AsOfBar()); // nothing dated: no reference day

    const QString second = TestSupport::WriteFile(dir.filePath("Tour_2026.csv"),
                                                  "Mitte;10115;x\nInnere Stadt;1010;y\n");
    view = OpenList(second, [](CTableListDialog* dlg) {
        EXPECT_EQ(dlg->Mapping().Column(CTableListMapping::Text), 0);
        EXPECT_EQ(dlg->Mapping().strCountry, "AT");
    });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 1);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strLabel, "Innere Stadt");
}

TEST_F(ListMapTest, AFileThatIsNoListOpensNoWindow) {
    const QString path = TestSupport::WriteFile(dir.filePath("kaputt.xlsx"), "kein Archiv");
    const int before = int(Frames().size());
    EXPECT_EQ(theApp.OpenDocumentFile(path), nullptr);
    Process();
    EXPECT_EQ(Frames().size(), before);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("ist keine Tabelle, die Kelvo lesen kann"))
        << messages[0].toStdString();
}

} // namespace
