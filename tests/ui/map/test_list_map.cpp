// A list of the user's opened as a map window through the real main window: the mapping
// dialog, the markers, the rows without place beside the map and the reference day driven
// through the "Stichtag" window's slider, keys, play button and age colours.
#include "ui/map/ListMapFixture.h"

#include "base/CommandIds.h"
#include "render/map/MapLegend.h"
#include "render/places/TableList.h"
#include "render/places/TableListAge.h"
#include "ui/map/AsOfBar.h"
#include "ui/map/TableListDialog.h"
#include "ui/map/TableListIssues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTimer>

namespace {

TEST_F(ListMapTest, TheReferenceDayShowsAndHidesDatedEntries) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    frame->resize(1800, 1200); // room for the list's windows beside the map
    const QDate today = QDate::currentDate();
    const QString path = WriteCustomers();
    CKelvoView* view = OpenList(path, [](CTableListDialog* dlg) {
        const CTableListMapping m = dlg->Mapping();
        EXPECT_EQ(m.nHeaderLine, 1);
        EXPECT_EQ(m.Column(CTableListMapping::Plz), 1);
        EXPECT_EQ(m.Column(CTableListMapping::Gruppe), 4);
    });
    ASSERT_TRUE(view);
    CKelvoDoc* doc = view->GetDocument();
    ASSERT_TRUE(doc->IsList());
    // The list's windows are sub-windows of the main window, the rows without place right
    // of the map, the reference day below it; the map stays the active window.
    CChildFrame* mapFrame = view->GetParentFrame();
    QMdiSubWindow* issuesWindow = SubWindowOf(doc->IssuesWindow());
    QMdiSubWindow* barWindow = SubWindowOf(doc->AsOfBar());
    ASSERT_TRUE(issuesWindow && barWindow);
    EXPECT_EQ(issuesWindow->windowTitle(), "Zeilen ohne Ort - kunden.csv");
    EXPECT_EQ(barWindow->windowTitle(), "Stichtag - kunden.csv");
    EXPECT_EQ(issuesWindow->x(), mapFrame->geometry().right() + 1);
    EXPECT_EQ(barWindow->y(), mapFrame->geometry().bottom() + 1);
    EXPECT_FALSE(issuesWindow->geometry().intersects(mapFrame->geometry()));
    EXPECT_FALSE(barWindow->geometry().intersects(mapFrame->geometry()));
    EXPECT_EQ(frame->MdiArea()->activeSubWindow(), mapFrame);
    EXPECT_EQ(Frames().size(), 1);
    SizeView(view);
    EXPECT_EQ(Frames().last()->windowTitle(), "kunden.csv");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();

    // The row without place in a window of its own, beside the map.
    CTableListIssues* issues = doc->IssuesWindow();
    ASSERT_TRUE(issues && issues->isVisible());
    ASSERT_EQ(issues->Table()->rowCount(), 1);
    EXPECT_EQ(issues->Table()->item(0, 0)->text(), "5");
    EXPECT_EQ(issues->Table()->item(0, 1)->text(), "DE 99999 ist nicht in GEO.");
    // Exported through its button and the file dialog, as a person does.
    const QString exported = dir.filePath("ohne_ort.csv");
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(exported);
        QTest::mouseClick(
            dialog->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Save),
            Qt::LeftButton);
    });
    for (auto* button : issues->findChildren<QPushButton*>()) {
        if (button->text() == "E&xportieren...")
            QTest::mouseClick(button, Qt::LeftButton);
    }
    Process();
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

TEST_F(ListMapTest, OldEntriesColouredByAgeWhenAsked) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    frame->resize(1800, 1200);
    CKelvoView* view = OpenList(WriteCustomers(), [](CTableListDialog*) {});
    ASSERT_TRUE(view);
    SizeView(view);
    CKelvoDoc* doc = view->GetDocument();
    CAsOfBar* bar = doc->AsOfBar();
    ASSERT_TRUE(bar);
    const COLORREF a = TableList::GroupColor(0);
    // Off at first: the group's colour, no legend.
    EXPECT_FALSE(bar->ByAgeBox()->isChecked());
    EXPECT_EQ(Pixel(Shown(view), 556, 190), a);
    EXPECT_TRUE(bar->Legend()->text().isEmpty());

    // On: Berlin, dated 2020, is past the 90 days of the first rules; Wien has no date.
    QTest::mouseClick(bar->ByAgeBox(), Qt::LeftButton);
    Process();
    EXPECT_EQ(Pixel(Shown(view), 556, 190), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(Shown(view), 695, 421), a);
    // The batch tool given the same rules draws the same picture (with the groups' legend
    // the window shows).
    const QString png = dir.filePath("alter.png");
    QString err;
    ASSERT_EQ(TestSupport::RunCli({"render", "--db", g_GeoDatabase.FilePath(), "--places",
                                   doc->GetPathName(), "--age-rules",
                                   TableListAge::Format(CAsOfBar::AgeRules()), "--legend", png},
                                  dir.path(), nullptr, &err),
              0)
        << err.toStdString();
    EXPECT_EQ(QImage(png).convertToFormat(QImage::Format_RGB32),
              Shown(view).convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(bar->Legend()->text().contains("seit über 90 Tagen"));
    // The map's legend says what the colours mean now: the age classes, then the groups of
    // the entries younger than every rule or without a date.
    auto legendTexts = [&] {
        QStringList texts;
        for (const CLegendSection& section : view->Canvas().m_aLegendSections) {
            texts << section.strTitle;
            for (const CLegendEntry& entry : section.entries)
                texts << QStringLiteral("%1 %2,%3,%4")
                             .arg(entry.strText)
                             .arg(GetRValue(entry.color))
                             .arg(GetGValue(entry.color))
                             .arg(GetBValue(entry.color));
        }
        return texts;
    };
    const auto groupText = [](const char* name, int group) {
        const COLORREF c = TableList::GroupColor(group);
        return QStringLiteral("%1 %2,%3,%4")
            .arg(name)
            .arg(GetRValue(c))
            .arg(GetGValue(c))
            .arg(GetBValue(c));
    };
    EXPECT_EQ(legendTexts(),
              QStringList({"Alter am " + QDate::currentDate().toString("dd.MM.yyyy"),
                           QStringLiteral("seit über 30 Tagen 255,215,0"),
                           QStringLiteral("seit über 90 Tagen 255,0,0"),
                           QStringLiteral("Gruppen (seit höchstens 30 Tagen oder ohne Datum)"),
                           groupText("A", 0), groupText("B", 1)}));
    // The list's own entries keep their colour: saved as a place file they are as read.
    EXPECT_EQ(doc->List()->aEntries[0].m_crMarker, a);

    // The user's rules: a wrong one is refused and offered again as typed.
    QString offered;
    AnswerTextDialog("1000=0,0,300", nullptr, [&] { AnswerTextDialog("1000=0,0,255", &offered); });
    QTest::mouseClick(bar->RulesButton(), Qt::LeftButton);
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("\"1000=0,0,300\" ist ungültig")) << messages[0].toStdString();
    EXPECT_EQ(offered, "1000=0,0,300");
    EXPECT_EQ(Pixel(Shown(view), 556, 190), RGB(0, 0, 255));
    // On the day before the entry it is not shown; two years on it is past 1000 days.
    bar->SetDay(QDate(2020, 1, 2).addDays(999));
    Process();
    EXPECT_EQ(Pixel(Shown(view), 556, 190), a);
    bar->SetDay(QDate(2020, 1, 2).addDays(1001));
    Process();
    EXPECT_EQ(Pixel(Shown(view), 556, 190), RGB(0, 0, 255));

    // Kept for the next list; off again, the group colour is back.
    EXPECT_EQ(CAsOfBar::AgeRules(), (QList<CAgeRule>{CAgeRule{1000, RGB(0, 0, 255)}}));
    QTest::mouseClick(bar->ByAgeBox(), Qt::LeftButton);
    Process();
    EXPECT_TRUE(CAsOfBar::AgeRules().isEmpty());
    EXPECT_EQ(Pixel(Shown(view), 556, 190), a);
    EXPECT_EQ(legendTexts(), QStringList({"Gruppen", groupText("A", 0), groupText("B", 1)}));

    // Closing the map closes the list's windows with it, and the main menu returns.
    QPointer<CAsOfBar> barLeft = bar;
    QPointer<CTableListIssues> issuesLeft = doc->IssuesWindow();
    ASSERT_TRUE(issuesLeft);
    view->GetParentFrame()->close();
    Process();
    EXPECT_FALSE(barLeft);
    EXPECT_FALSE(issuesLeft);
    EXPECT_TRUE(frame->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(frame->GetMenuId(), IDR_MAINFRAME);
}

TEST_F(ListMapTest, ExportedRowsRunNoFormulas) {
    CTableList list;
    list.header = {"PLZ", "Name"};
    list.aIssues.append(CTableListIssue{3, {"99999", "=HYPERLINK(\"http://x\")"}, "Grund", false});
    list.aIssues.append(CTableListIssue{4, {"-5", " @SUMME(A1)"}, "Grund", false});
    list.aIssues.append(CTableListIssue{5, {"-0,25", "-1,2,3"}, "Grund", false});
    CTableListIssues issues("kunden.csv", list);
    const QString path = dir.filePath("ohne_ort.csv");
    ASSERT_TRUE(issues.ExportTo(path));
    EXPECT_EQ(TestSupport::ReadFile(path), "\xEF\xBB\xBFZeile;Grund;PLZ;Name\r\n"
                                           "3;Grund;99999;\"'=HYPERLINK(\"\"http://x\"\")\"\r\n"
                                           "4;Grund;-5;' @SUMME(A1)\r\n"
                                           "5;Grund;-0,25;'-1,2,3\r\n");
}

// Typed cells of a spreadsheet as the sheet shows them, exported as shown; a text table's
// cells as they are.
TEST_F(ListMapTest, TheUnmatchedRowsOfASpreadsheetShowItsDatesAndNumbersAsTheSheetDoes) {
    CTableList list;
    list.header = {"PLZ", "Datum", "Umsatz", "Notiz"};
    list.aIssues.append(
        CTableListIssue{3, {"99999", "2026/12/10", "1234.5", "1.5.2026"}, "Grund", false});
    list.aIssues.append(
        CTableListIssue{4, {"1067", "2026-12-10T14:30:00", "-0.25"}, "Grund", false});
    list.bSpreadsheet = true;
    CTableListIssues sheet("kunden.xlsx", list);
    EXPECT_EQ(sheet.Table()->item(0, 3)->text(), "10.12.2026");
    EXPECT_EQ(sheet.Table()->item(0, 4)->text(), "1234,5");
    const QString path = dir.filePath("ohne_ort.csv");
    ASSERT_TRUE(sheet.ExportTo(path));
    EXPECT_EQ(TestSupport::ReadFile(path), "\xEF\xBB\xBFZeile;Grund;PLZ;Datum;Umsatz;Notiz\r\n"
                                           "3;Grund;99999;10.12.2026;1234,5;1.5.2026\r\n"
                                           "4;Grund;1067;10.12.2026 14:30;-0,25;\r\n");
    // Never into the list itself.
    const QString listPath = TestSupport::WriteFile(dir.filePath("kunden.csv"), "PLZ\n99999\n");
    CTableListIssues own(listPath, list);
    EXPECT_FALSE(own.ExportTo(dir.filePath("./kunden.csv")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("Die Liste selbst wird nicht überschrieben"));
    EXPECT_EQ(TestSupport::ReadFile(listPath), "PLZ\n99999\n");
    list.bSpreadsheet = false;
    CTableListIssues text("kunden.csv", list);
    EXPECT_EQ(text.Table()->item(0, 3)->text(), "2026/12/10");
    EXPECT_EQ(text.Table()->item(0, 4)->text(), "1234.5");
}

// A workbook's hidden sheet is offered marked, and chosen by its name.
TEST_F(ListMapTest, AHiddenSheetIsOfferedMarked) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    const QByteArray cell = "<table:table-cell office:value-type=\"string\"><text:p>";
    const QByteArray end = "</text:p></table:table-cell>";
    auto row = [&](const QByteArray& plz, const QByteArray& name) {
        return "<table:table-row>" + cell + plz + end + cell + name + end + "</table:table-row>";
    };
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" office:version=\"1.2\">"
        "<office:automatic-styles><style:style style:name=\"ta1\" style:family=\"table\">"
        "<style:table-properties table:display=\"true\"/></style:style>"
        "<style:style style:name=\"ta2\" style:family=\"table\">"
        "<style:table-properties table:display=\"false\"/></style:style>"
        "</office:automatic-styles><office:body><office:spreadsheet>"
        "<table:table table:name=\"Kunden\" table:style-name=\"ta1\">" +
        row("PLZ", "Name") + row("10115", "Berlin") +
        "</table:table><table:table table:name=\"Alt\" table:style-name=\"ta2\">" +
        row("PLZ", "Name") + row("69117", "Heidelberg") +
        "</table:table></office:spreadsheet></office:body></office:document-content>";
    const QString path = dir.filePath("versteckt.ods");
    TestSupport::WriteZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                 {"content.xml", content}});
    CKelvoView* view = OpenList(path, [](CTableListDialog* dlg) {
        auto* sheet = dlg->findChild<QComboBox*>();
        ASSERT_TRUE(sheet && sheet->count() == 2);
        EXPECT_EQ(sheet->itemText(0), "Kunden");
        EXPECT_EQ(sheet->itemText(1), "Alt (ausgeblendet)");
        sheet->setFocus();
        QTest::keyClick(sheet, Qt::Key_Down);
        EXPECT_EQ(dlg->Sheet(), "Alt");
        auto* table = dlg->findChild<QTableWidget*>();
        ASSERT_TRUE(table && table->rowCount() == 2);
        EXPECT_EQ(table->item(1, 1)->text(), "Heidelberg");
    });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 1);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strLabel, "Heidelberg");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
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

TEST_F(ListMapTest, AnotherSheetChosenInTheDialogIsTheOnePlaced) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    const QString path = WriteWorkbook("mappe.ods");
    CKelvoView* view = OpenList(path, [](CTableListDialog* dlg) {
        auto* sheet = dlg->findChild<QComboBox*>();
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->currentText(), "Kunden");
        sheet->setFocus();
        QTest::keyClick(sheet, Qt::Key_Down);
        EXPECT_EQ(dlg->Sheet(), "Filialen");
        auto* table = dlg->findChild<QTableWidget*>();
        ASSERT_TRUE(table && table->rowCount() == 3);
        EXPECT_EQ(table->item(1, 2)->text(), "Wien");
    });
    ASSERT_TRUE(view);
    const CPlaceList& places = view->GetDocument()->m_aPlaces;
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places[0].m_strLabel, "Wien");
    EXPECT_EQ(places[1].m_strLabel, "Heidelberg");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// The mapping of a workbook is remembered with its sheet: the next workbook named alike
// opens on that sheet with that mapping.
TEST_F(ListMapTest, AWorkbookNamedAlikeOpensOnTheRememberedSheet) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenList(WriteWorkbook("filialen_2025.ods"), [](CTableListDialog* dlg) {
        auto* sheet = dlg->findChild<QComboBox*>();
        ASSERT_TRUE(sheet);
        sheet->setFocus();
        QTest::keyClick(sheet, Qt::Key_Down);
        auto* text = dlg->findChild<QComboBox*>("Text");
        ASSERT_TRUE(text);
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Home); // "(keine)": no labels
    });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 2);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strLabel, "0");

    view = OpenList(WriteWorkbook("Filialen_2026.ods"), [](CTableListDialog* dlg) {
        EXPECT_EQ(dlg->findChild<QComboBox*>()->currentText(), "Filialen");
        EXPECT_EQ(dlg->Mapping().Column(CTableListMapping::Text), -1);
        auto* table = dlg->findChild<QTableWidget*>();
        ASSERT_TRUE(table && table->rowCount() == 3);
        EXPECT_EQ(table->item(1, 2)->text(), "Wien");
        // Back on the other sheet: its own guess, labels included.
        auto* sheet = dlg->findChild<QComboBox*>();
        sheet->setFocus();
        QTest::keyClick(sheet, Qt::Key_Up);
        EXPECT_EQ(dlg->Mapping().Column(CTableListMapping::Text), 2);
        QTest::keyClick(sheet, Qt::Key_Down);
        EXPECT_EQ(dlg->Mapping().Column(CTableListMapping::Text), -1);
    });
    ASSERT_TRUE(view);
    const CPlaceList& places = view->GetDocument()->m_aPlaces;
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places[0].m_strStaat, "AT");
    EXPECT_EQ(places[0].m_strLabel, "0");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// The first rows show control characters, a NUL byte among them, as the list reads them.
TEST_F(ListMapTest, ThePreviewShowsControlCharactersAsBlanks) {
    ASSERT_TRUE(InsertRows({Berlin()}));
    const char text[] = "PLZ;Name\n10115;A\0B\x01"
                        "C\n";
    const QString path =
        TestSupport::WriteFile(dir.filePath("steuer.csv"), QByteArray(text, sizeof text - 1));
    CKelvoView* view = OpenList(path, [](CTableListDialog* dlg) {
        auto* table = dlg->findChild<QTableWidget*>();
        ASSERT_TRUE(table && table->rowCount() == 2);
        EXPECT_EQ(table->item(1, 1)->text(), "A B C");
    });
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetDocument()->m_aPlaces.size(), 1);
    EXPECT_EQ(view->GetDocument()->m_aPlaces[0].m_strLabel, "A B C");
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
