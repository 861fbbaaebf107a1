// "Umkreissuche...", "Exportieren..." and "Als Ortsdatei speichern..." through the real
// windows and dialogs: the radius window with its distance column, the export of a window's
// rows or its selection, and a place file that opens as a map with every entry found.
#include "TableCommandsFixture.h"

#include "ui/map/CKelvoDoc.h"
#include "ui/map/CKelvoView.h"
#include "ui/shell/Document.h"
#include "ui/table/CDia_Export.h"
#include "ui/table/CDia_Radius.h"
#include "ui/table/CDia_RadiusPick.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

class RadiusWindowTest : public TableCommandsFixture {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        ASSERT_TRUE(InsertFields({
            {{GEO_STAAT, "DE"},
             {GEO_PLZ, "85221"},
             {GEO_ORT, "Dachau"},
             {GEO_LANGENGRAD, "11.4333"},
             {GEO_BREITENGRAD, "48.2667"}},
            {{GEO_STAAT, "DE"},
             {GEO_PLZ, "80333"},
             {GEO_ORT, "München"},
             {GEO_LANGENGRAD, "11.5683"},
             {GEO_BREITENGRAD, "48.1452"},
             {GEO_MEMO, "Maxvorstadt; \"Kunstareal\""}},
            {{GEO_STAAT, "DE"},
             {GEO_PLZ, "80331"},
             {GEO_ORT, "München"},
             {GEO_LANGENGRAD, "11.571"},
             {GEO_BREITENGRAD, "48.1345"}},
            {{GEO_STAAT, "AT"},
             {GEO_PLZ, "5020"},
             {GEO_ORT, "Salzburg"},
             {GEO_LANGENGRAD, "13.04"},
             {GEO_BREITENGRAD, "47.8"}},
        }));
    }

    // "Umkreissuche..." with a centre and radius typed and OK clicked; `after` runs on the
    // dialog still open afterwards (when OK was refused).
    CListView_Table* RadiusSearch(const QString& centre, const QString& radius,
                                  std::function<void(CDia_Radius*)> after = {}) {
        const int before = int(Frames().size());
        WhenModal([=](QWidget* dialog) {
            auto* dlg = qobject_cast<CDia_Radius*>(dialog);
            ASSERT_TRUE(dlg);
            EXPECT_EQ(dlg->windowTitle(), "Umkreissuche");
            EXPECT_EQ(dlg->m_editRadius->text(), "25");
            QTest::keyClicks(dlg->m_editCentre, centre);
            dlg->m_editRadius->selectAll();
            QTest::keyClicks(dlg->m_editRadius, radius);
            QTest::keyClick(dlg->m_editCentre, Qt::Key_Return);
            if (after) {
                after(dlg);
                dlg->reject();
            }
        });
        Command(ID_RADIUS_SEARCH);
        return int(Frames().size()) > before ? TableOf(Frames().last()) : nullptr;
    }

    static QString Distance(CListView_Table* view, int row) {
        return view->model()->index(row, GEO_FIELD_COUNT).data().toString();
    }
};

TEST_F(RadiusWindowTest, NearestFirstWithDistanceColumnSortCopyAndFurtherWindow) {
    CListView_Table* view = RadiusSearch("DE 80331", "20");
    ASSERT_TRUE(view);
    EXPECT_EQ(Title(view), "3 Orte im Umkreis von 20 km um DE 80331 München");
    EXPECT_EQ(Frames().last()->size(), QSize(900, 400));
    EXPECT_TRUE(g_strSearch.isEmpty());
    EXPECT_EQ(Column(view, GEO_PLZ), QStringList({"80331", "80333", "85221"}));
    ASSERT_EQ(view->model()->columnCount(), GEO_FIELD_COUNT + 1);
    EXPECT_EQ(view->model()->headerData(GEO_FIELD_COUNT, Qt::Horizontal).toString(),
              "Entfernung (km)");
    // The column is German text: decimal commas.
    EXPECT_EQ(Distance(view, 0), "0,0");
    EXPECT_EQ(Distance(view, 1), "1,2");
    EXPECT_EQ(Distance(view, 2), "17,9");
    EXPECT_GT(view->columnWidth(GEO_FIELD_COUNT), 50);

    // A click on the distance header sorts by the distance, ascending, then descending.
    ClickHeader(view, GEO_FIELD_COUNT);
    EXPECT_EQ(Column(view, GEO_PLZ), QStringList({"80331", "80333", "85221"}));
    EXPECT_EQ(Title(view), "GEO Tabelle (Entfernung (km) -> AZ)");
    ClickHeader(view, GEO_FIELD_COUNT);
    EXPECT_EQ(Column(view, GEO_PLZ), QStringList({"85221", "80333", "80331"}));

    // The copy adds the distance, as kelvo-cli near prints it (the copy format's point).
    SelectRows(view, {0});
    Refocus(view);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "DE, 85221, , , , , Dachau, , , 11.4333, 48.2667, , 17.9\n");

    // A further window shows the same rows with their distances.
    ASSERT_TRUE(frame->RouteCommand(ID_WINDOW_NEW));
    CListView_Table* further = TableOf(Frames().last());
    ASSERT_NE(further, view);
    EXPECT_EQ(Column(further, GEO_PLZ), QStringList({"85221", "80333", "80331"}));
    EXPECT_EQ(Distance(further, 2), "0,0");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// The printout shows what the window shows, the distance column included (the windows of
// all rows print only the fields, as before).
TEST_F(RadiusWindowTest, PrintoutHasTheDistanceColumn) {
    CListView_Table* view = RadiusSearch("DE 80331", "20");
    ASSERT_TRUE(view);
    const QString pdf = dir.filePath("umkreis.pdf");
    QPrinter& printer = theApp.GetPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPrintRange(QPrinter::AllPages);
    ASSERT_TRUE(frame->RouteCommand(ID_FILE_PRINT_DIRECT));
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(text.waitForFinished());
    const QStringList lines = QString::fromUtf8(text.readAllStandardOutput()).split('\n');
    auto lineWith = [&lines](const QString& what) {
        for (const QString& line : lines) {
            if (line.contains(what))
                return line.simplified();
        }
        return QString();
    };
    EXPECT_TRUE(lineWith("Staat").endsWith("Memo Entfernung (km)"))
        << qPrintable(lineWith("Staat"));
    EXPECT_TRUE(lineWith("80331").endsWith(" 0,0"));
    EXPECT_TRUE(lineWith("80333").endsWith(" 1,2"));
    EXPECT_TRUE(lineWith("85221").endsWith(" 17,9"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RadiusWindowTest, AnUnknownCentreOrBadRadiusKeepsTheDialogOpen) {
    bool stayed = false;
    EXPECT_FALSE(RadiusSearch("Nirgendwo", "25", [&](CDia_Radius* dlg) {
        stayed = dlg->isVisible();
        EXPECT_EQ(dlg->m_editCentre->text(), "Nirgendwo");
    }));
    EXPECT_TRUE(stayed);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Kein Ort mit Koordinaten passt zu \"Nirgendwo\".");
    EXPECT_FALSE(RadiusSearch("80331", "-5", [](CDia_Radius*) {}));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("kein Umkreis")) << qPrintable(messages[1]);
    EXPECT_TRUE(Frames().isEmpty());

    // Several rows of one place: the first in Staat, PLZ order, and the title says so.
    CListView_Table* view = RadiusSearch("Muenchen", "0,5");
    ASSERT_TRUE(view);
    EXPECT_EQ(Title(view), "1 Ort im Umkreis von 0,5 km um DE 80331 München (erster von 2 "
                           "Treffern)");
}

TEST_F(RadiusWindowTest, SeveralPlacesOfANameAreListedToChooseTheCentreFrom) {
    ASSERT_TRUE(InsertFields({
        {{GEO_STAAT, "DE"},
         {GEO_PLZ, "10883"},
         {GEO_ORT, "Frankfurter Hypothekenbank"},
         {GEO_LANGENGRAD, "13.4"},
         {GEO_BREITENGRAD, "52.5"}},
        {{GEO_STAAT, "DE"},
         {GEO_PLZ, "60306"},
         {GEO_ORT, "Frankfurt am Main"},
         {GEO_LANGENGRAD, "8.68"},
         {GEO_BREITENGRAD, "50.11"}},
        {{GEO_STAAT, "DE"},
         {GEO_PLZ, "15230"},
         {GEO_ORT, "Frankfurt (Oder)"},
         {GEO_ORTSTEIL, "Zentrum"},
         {GEO_LANGENGRAD, "14.55"},
         {GEO_BREITENGRAD, "52.34"}},
    }));
    // The list dialog, once the radius dialog's OK has looked for the places and opens it.
    std::function<void(std::function<void(CDia_RadiusPick*)>, int)> whenPick =
        [&whenPick](std::function<void(CDia_RadiusPick*)> act, int tries) {
            QTimer::singleShot(10, [&whenPick, act, tries] {
                if (auto* pick = qobject_cast<CDia_RadiusPick*>(QApplication::activeModalWidget()))
                    act(pick);
                else if (tries > 0)
                    whenPick(act, tries - 1);
                else
                    ADD_FAILURE() << "no list of places";
            });
        };
    QList<QStringList> listed;
    int preselected = -1;
    QString keptText;
    bool keptOpen = false;
    WhenModal([&](QWidget* dialog) {
        auto* dlg = qobject_cast<CDia_Radius*>(dialog);
        ASSERT_TRUE(dlg);
        QTest::keyClicks(dlg->m_editCentre, "frankfurt");
        dlg->m_editRadius->selectAll();
        QTest::keyClicks(dlg->m_editRadius, "1,5");
        // First the list is cancelled: back in the radius dialog with the text.
        whenPick(
            [&](CDia_RadiusPick* pick) {
                EXPECT_EQ(pick->windowTitle(), "Mittelpunkt wählen");
                QTreeWidget* list = pick->m_listPlaces;
                for (int i = 0; i < list->topLevelItemCount(); ++i) {
                    QStringList row;
                    for (int j = 0; j < list->columnCount(); ++j)
                        row << list->topLevelItem(i)->text(j);
                    listed << row;
                }
                preselected = list->indexOfTopLevelItem(list->currentItem());
                QTest::keyClick(list, Qt::Key_Escape);
            },
            300);
        QTest::keyClick(dlg->m_editCentre, Qt::Key_Return);
        keptOpen = dlg->isVisible();
        keptText = dlg->m_editCentre->text();
        // Then the second place is chosen with the arrow key and Enter.
        whenPick(
            [](CDia_RadiusPick* pick) {
                QTest::keyClick(pick->m_listPlaces, Qt::Key_Down);
                QTest::keyClick(pick->m_listPlaces, Qt::Key_Return);
            },
            300);
        QTest::keyClick(dlg->m_editCentre, Qt::Key_Return);
    });
    Command(ID_RADIUS_SEARCH);
    // Whole words first in Staat, PLZ order, then the name that merely starts with it.
    EXPECT_EQ(listed, QList<QStringList>({{"DE", "15230", "Frankfurt (Oder)", "Zentrum"},
                                          {"DE", "60306", "Frankfurt am Main", ""},
                                          {"DE", "10883", "Frankfurter Hypothekenbank", ""}}));
    EXPECT_EQ(preselected, 0);
    EXPECT_TRUE(keptOpen);
    EXPECT_EQ(keptText, "frankfurt");
    ASSERT_EQ(Frames().size(), 1);
    CListView_Table* view = TableOf(Frames().last());
    EXPECT_EQ(Title(view), "1 Ort im Umkreis von 1,5 km um DE 60306 Frankfurt am Main");
    EXPECT_EQ(Column(view, GEO_PLZ), QStringList({"60306"}));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RadiusWindowTest, ExportWritesAllRowsOrOnlyTheSelectedOnes) {
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    // Shift-click: rows 1 to 2 (DE 80331, DE 80333) in the window's order.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(view, 2));
    ASSERT_EQ(view->SelectedRows(), QList<int>({1, 2}));

    const QString path = dir.filePath("auswahl.csv");
    WhenModal([this, path](QWidget* dialog) {
        auto* dlg = qobject_cast<CDia_Export*>(dialog);
        ASSERT_TRUE(dlg);
        EXPECT_TRUE(dlg->m_radioCsv->isChecked());
        EXPECT_TRUE(dlg->m_checkNoFormulas->isChecked());
        EXPECT_TRUE(dlg->m_radioAll->isChecked());
        EXPECT_EQ(dlg->m_radioSelected->text(), "Nur die &gewählten Zeilen (2)");
        QTest::mouseClick(dlg->m_radioSelected, Qt::LeftButton, {}, QPoint(5, 5));
        SaveAs(path);
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    Command(ID_FILE_EXPORT);
    const QByteArray csv = TestSupport::ReadFile(path);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
              QStringLiteral("ID_Geo;Staat;PLZ;Bundesland;Regierungsbezirk;Landkreis;"
                             "Verwaltung;Ort;Ortsteil;KFZ;Langengrad;Breitengrad;Memo\r\n"
                             "3;DE;80331;;;;;München;;;11,571;48,1345;\r\n"
                             "2;DE;80333;;;;;München;;;11,5683;48,1452;\"Maxvorstadt; "
                             "\"\"Kunstareal\"\"\"\r\n"));
    EXPECT_EQ(
        frame->GetMessageText(),
        QStringLiteral("2 Zeilen nach \"%1\" geschrieben.").arg(QDir::toNativeSeparators(path)));

    // All rows as KML; the file name gets its suffix.
    WhenModal([this](QWidget* dialog) {
        auto* dlg = qobject_cast<CDia_Export*>(dialog);
        ASSERT_TRUE(dlg);
        QTest::mouseClick(dlg->m_radioKml, Qt::LeftButton, {}, QPoint(5, 5));
        SaveAs(dir.filePath("alle"));
        QTest::keyClick(dlg, Qt::Key_Return);
    });
    Command(ID_FILE_EXPORT);
    const QString kml = QString::fromUtf8(TestSupport::ReadFile(dir.filePath("alle.kml")));
    EXPECT_EQ(kml.count("<Placemark>"), 4);
    EXPECT_TRUE(kml.contains("<name>Salzburg</name>"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RadiusWindowTest, SpreadsheetCsvGuardsFormulasAsSetAndTheInternationalOneKeepsPoints) {
    ASSERT_TRUE(InsertFields({{{GEO_STAAT, "DE"},
                               {GEO_PLZ, "80335"},
                               {GEO_ORT, "München"},
                               {GEO_LANGENGRAD, "11.56"},
                               {GEO_BREITENGRAD, "48.14"},
                               {GEO_MEMO, "=HYPERLINK(\"http://127.0.0.1/\")"}}}));
    CListView_Table* view = RadiusSearch("DE 80335", "1,5");
    ASSERT_TRUE(view);
    ASSERT_EQ(Column(view, GEO_PLZ), QStringList({"80335", "80333", "80331"}));
    // Exports all rows in the format the dialog gets; `untick` clicks the check box first.
    auto exportAs = [this](QRadioButton* CDia_Export::*format, const QString& name,
                           bool expectTicked, bool untick) {
        const QString path = dir.filePath(name);
        WhenModal([=](QWidget* dialog) {
            auto* dlg = qobject_cast<CDia_Export*>(dialog);
            ASSERT_TRUE(dlg);
            EXPECT_EQ(dlg->m_checkNoFormulas->text(), "Formeln nicht ausführen");
            EXPECT_EQ(dlg->m_checkNoFormulas->isChecked(), expectTicked);
            QTest::mouseClick(dlg->*format, Qt::LeftButton, {}, QPoint(5, 5));
            // The check box is for the German CSV only.
            EXPECT_EQ(dlg->m_checkNoFormulas->isEnabled(), format == &CDia_Export::m_radioCsv);
            if (untick)
                QTest::mouseClick(dlg->m_checkNoFormulas, Qt::LeftButton, {},
                                  QPoint(6, dlg->m_checkNoFormulas->height() / 2));
            SaveAs(path);
            QTest::keyClick(dlg, Qt::Key_Return);
        });
        Command(ID_FILE_EXPORT);
        return TestSupport::ReadFile(path);
    };
    const QString header =
        "ID_Geo;Staat;PLZ;Bundesland;Regierungsbezirk;Landkreis;Verwaltung;Ort;Ortsteil;KFZ;"
        "Langengrad;Breitengrad;Memo;Entfernung (km)\r\n";
    EXPECT_EQ(exportAs(&CDia_Export::m_radioCsv, "de.csv", true, false),
              "\xEF\xBB\xBF" +
                  QString(header +
                          "5;DE;80335;;;;;München;;;11,56;48,14;\"'=HYPERLINK(\"\"http://127.0.0.1/"
                          "\"\")\";0,0\r\n"
                          "2;DE;80333;;;;;München;;;11,5683;48,1452;\"Maxvorstadt; "
                          "\"\"Kunstareal\"\"\";0,8\r\n"
                          "3;DE;80331;;;;;München;;;11,571;48,1345;;1,0\r\n")
                      .toUtf8());
    // Unticked: the memo as it is; the next dialog remembers that.
    EXPECT_TRUE(QString::fromUtf8(exportAs(&CDia_Export::m_radioCsv, "de2.csv", true, true))
                    .contains(";\"=HYPERLINK(\"\"http://127.0.0.1/\"\")\";0,0\r\n"));
    EXPECT_EQ(
        exportAs(&CDia_Export::m_radioCsvIntl, "intl.csv", false, false),
        QString(
            "ID_Geo,Staat,PLZ,Bundesland,Regierungsbezirk,Landkreis,Verwaltung,Ort,"
            "Ortsteil,KFZ,Langengrad,Breitengrad,Memo,Entfernung (km)\r\n"
            "5,DE,80335,,,,,München,,,11.56,48.14,\"=HYPERLINK(\"\"http://127.0.0.1/\"\")\",0.0\r\n"
            "2,DE,80333,,,,,München,,,11.5683,48.1452,\"Maxvorstadt; \"\"Kunstareal\"\"\",0.8\r\n"
            "3,DE,80331,,,,,München,,,11.571,48.1345,,1.0\r\n")
            .toUtf8());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RadiusWindowTest, PlaceFileOfTheSelectionOpensAsAMapWithEveryEntryFound) {
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_FILE_SAVE_PLACES)->isEnabled()); // nothing selected yet
    // Ctrl-clicks: AT 5020 and DE 85221.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, RowPoint(view, 3));
    const QString path = dir.filePath("auswahl.txt");
    SaveAs(path);
    Command(ID_FILE_SAVE_PLACES);
    EXPECT_EQ(QString::fromUtf8(TestSupport::ReadFile(path)),
              "Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n"
              "AT;5020;0;3;0;0;0;14;Salzburg\n"
              "DE;85221;0;3;0;0;0;14;Dachau\n");

    CDocument* doc = theApp.OpenDocumentFile(path);
    Process();
    auto* map = doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    ASSERT_TRUE(map);
    const CPlaceList& places = static_cast<CKelvoDoc*>(doc)->m_aPlaces;
    ASSERT_EQ(places.size(), 2);
    for (const CPlaceEntry& entry : places) {
        const QPoint pt(entry.m_nX, entry.m_nY);
        EXPECT_NE(pt, QPoint(0, 0)) << qPrintable(entry.m_strPLZ); // found and drawn
    }
    EXPECT_EQ(QPoint(places[1].m_nX, places[1].m_nY),
              map->Canvas().LonLatToPoint(11.4333, 48.2667));
}
