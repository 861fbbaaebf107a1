// The "Gebiete" panel and the map's territory colours, driven as a user does: a band dragged
// on a map opens its zoom window, "Gebiet zuweisen..." there puts its places into a
// territory, and the panel's counts and the map's colours follow.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryStore.h"
#include "ui/table/CListView_Table.h"
#include "ui/territory/TerritoryPanel.h"

#include <QCoreApplication>

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <sqlite3.h>

namespace {

void Drag(QWidget* view, QPoint from, QPoint to) {
    QTest::mousePress(view, Qt::LeftButton, {}, from);
    QTest::mouseMove(view, (from + to) / 2);
    QTest::mouseMove(view, to);
    QTest::mouseRelease(view, Qt::LeftButton, {}, to);
}

// The panel once it has counted the places, which it does on a worker thread.
CTerritoryPanel* Counted(CTerritoryPanel* panel) {
    if (panel && !QTest::qWaitFor([panel] { return !panel->Counting(); }, 20000))
        ADD_FAILURE() << "the panel is still counting";
    return panel;
}

// The panel's lines: "Name: places".
QStringList Lines(CTerritoryPanel* panel) {
    QStringList lines;
    Counted(panel);
    for (int i = 0; i < panel->List()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = panel->List()->topLevelItem(i);
        lines << item->text(0) + ": " + item->text(2);
    }
    return lines;
}

} // namespace

class TerritoryPanelTest : public MapViewFixture {
protected:
    void TearDown() override {
        CTerritoryPanel::SetAskHook({});
        MapViewFixture::TearDown();
    }
    // Answers the panel's next questions in turn, and records them.
    void Answer(QStringList answers) {
        CTerritoryPanel::SetAskHook(
            [this, answers](const QString& label, const QStringList& choices,
                            const QString&) mutable -> std::optional<QString> {
                asked << label;
                offered = choices;
                if (answers.isEmpty())
                    return std::nullopt;
                return answers.takeFirst();
            });
    }
    void Trigger(int id) {
        QAction* action = Action(id);
        ASSERT_TRUE(action);
        action->trigger();
        Process();
    }
    // Names the file in the panel's file dialog once it is up, and accepts it.
    void ChooseFile(const QString& path) {
        QTimer::singleShot(0, frame, [=] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_EQ(dialog->objectName(), "TerritoryFileDialog");
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
            QPushButton* ok = buttons->button(QDialogButtonBox::Save);
            (ok ? ok : buttons->button(QDialogButtonBox::Open))->click();
        });
    }
    QStringList asked, offered;
};

TEST_F(TerritoryPanelTest, ABandAssignedToATerritoryChangesTheCountsAndTheColours) {
    const Row papenburg{"DE", "26871", "Papenburg", "7.4", "53.08"};
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien(), papenburg}));
    CTerritoryStore store(g_GeoDatabase);
    ASSERT_GT(store.Create({0, "Nord", "#102030", "Bea", {}}), 0) << store.Error().toStdString();
    ASSERT_GT(store.Create({0, "Süd", "#c00000", "", {}}), 0);

    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage plain = Shown(view);
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 0", "Süd: 0", "(kein Gebiet): 4"}));

    // A band over the north: Papenburg and Berlin are in its zoom window, the others not.
    Drag(view, {190, 84}, {600, 230});
    Process();
    ASSERT_EQ(Frames().size(), 2);
    CKelvoView* zoom = MapView(Frames().last());
    ASSERT_TRUE(zoom && zoom != view);
    Answer({"Nord"});
    Trigger(ID_TERRITORY_ASSIGN);
    ASSERT_EQ(asked, QStringList{"2 Orte dem Gebiet zuweisen:"});
    EXPECT_EQ(offered, QStringList({"Nord", "Süd", "(kein Gebiet)"}));
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 2", "Süd: 0", "(kein Gebiet): 2"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    // Typed rules put the south into "Süd"; the more specific exception keeps nothing from it.
    panel->List()->setCurrentItem(panel->List()->topLevelItem(1));
    Answer({"DE 6*, AT 1*"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 2", "Süd: 2", "(kein Gebiet): 0"}));

    // Rows picked in a table window (AT Wien, DE Berlin, DE Papenburg, DE Heidelberg) go to
    // the territory chosen, over the rules.
    CListView_Table* table = OpenTable();
    ASSERT_TRUE(table);
    ClickRow(table, 0);
    ClickRow(table, 3, Qt::ControlModifier);
    asked.clear();
    Answer({"Nord"});
    Trigger(ID_TERRITORY_ASSIGN);
    EXPECT_EQ(asked, QStringList({"2 Orte dem Gebiet zuweisen:"}));
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 4", "Süd: 0", "(kein Gebiet): 0"}));
    Answer({"Süd"});
    Trigger(ID_TERRITORY_ASSIGN);
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 2", "Süd: 2", "(kein Gebiet): 0"}));
    table->GetParentFrame()->close();
    Process();

    // Coloured by territory: Papenburg in Nord's colour; the plain map is as it was while off.
    EXPECT_EQ(Shown(view), plain);
    view->activateWindow();
    Frames().first()->setFocus();
    frame->MdiArea()->setActiveSubWindow(Frames().first());
    Process();
    Trigger(ID_TERRITORY_COLORS);
    EXPECT_TRUE(view->Canvas().m_bTerritoryColors);
    const QPoint p = view->Canvas().LonLatToPoint(7.4, 53.08);
    EXPECT_EQ(Pixel(Shown(view), p.x(), p.y()), RGB(0x10, 0x20, 0x30));
    const QPoint h = view->Canvas().LonLatToPoint(8.6, 49.3);
    EXPECT_EQ(Pixel(Shown(view), h.x(), h.y()), RGB(0xc0, 0, 0));
    Trigger(ID_TERRITORY_COLORS);
    EXPECT_EQ(Shown(view), plain);
}

TEST_F(TerritoryPanelTest, RefusedInputLeavesEverythingAsItWasAndSaysWhy) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel);
    Answer({"Ost"});
    panel->findChild<QPushButton*>("Neu")->click();
    Process();
    Answer({"Ost"});
    panel->findChild<QPushButton*>("Neu")->click();
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Ein Gebiet \"Ost\" gibt es schon.");
    panel->List()->setCurrentItem(panel->List()->topLevelItem(0));
    Answer({"DE 99*"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("trifft keinen Ort")) << messages[1].toStdString();
    Answer({"DE 1-"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    ASSERT_EQ(messages.size(), 3);
    EXPECT_TRUE(messages[2].contains("ist keine Regel"));
    EXPECT_EQ(Lines(panel), QStringList({"Ost: 0", "(kein Gebiet): 2"}));

    // Another user deletes "Ost" meanwhile: rules for it are refused, naming it.
    CGeoDatabase second;
    ASSERT_TRUE(second.Open(g_GeoDatabase.FilePath())) << second.OpenError().toStdString();
    CTerritoryData theirs;
    ASSERT_TRUE(CTerritoryStore(second).Load(&theirs));
    const qint64 ost = theirs.territories.value(0).id;
    ASSERT_TRUE(CTerritoryStore(second).Delete(ost, 0));
    Answer({"DE 1*"});
    panel->findChild<QPushButton*>("Regeln")->click();
    Process();
    ASSERT_EQ(messages.size(), 4);
    EXPECT_EQ(messages[3], "Das Gebiet \"Ost\" gibt es nicht mehr: ein anderer Benutzer hat es "
                           "gelöscht. Es wurde nichts geändert.");
    // Made again, without places: deleting it asks no question about places.
    ASSERT_GT(CTerritoryStore(second).Create({0, "Ost", "#102030", "", {}}), 0);
    second.Close();
    panel->RefreshIfChanged();
    QStringList questions;
    SetQuestionBoxHook([&questions](const QString& text, const QStringList& answers) {
        questions << text + " | " + answers.join(", ");
        return 0;
    });
    panel->List()->setCurrentItem(panel->List()->topLevelItem(0));
    panel->findChild<QPushButton*>("Löschen")->click();
    Process();
    SetQuestionBoxHook({});
    EXPECT_EQ(questions, QStringList({"Das Gebiet \"Ost\" löschen?\n\nEs hat keine Orte. | "
                                      "Löschen, Abbrechen"}));
    EXPECT_EQ(Lines(panel), QStringList({"(kein Gebiet): 2"}));
}

// The panel's first write of a session waits for the check of the whole file on a thread:
// the panel answers meanwhile, and a damaged file is refused as before, with nothing written.
TEST_F(TerritoryPanelTest, AWriteWaitsForTheCheckOfTheFileAndADamagedOneIsRefused) {
    CTerritoryStore store(g_GeoDatabase);
    ASSERT_GT(store.Create({0, "Nord", "#102030", "", {}}), 0) << store.Error().toStdString();
    // Enough rows that the file has pages in the middle to damage; written after the
    // territory, so that the file is no longer the one checked for it.
    QList<Row> rows{Berlin(), Heidelberg()};
    for (int i = 0; i < 3000; ++i)
        rows.append({"DE", QString::number(20000 + i), QStringLiteral("Ort %1").arg(i), "9", "51"});
    ASSERT_TRUE(g_GeoDatabase.Execute("BEGIN"));
    ASSERT_TRUE(InsertRows(rows));
    ASSERT_TRUE(g_GeoDatabase.Execute("COMMIT"));
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel);
    const QString path = g_GeoDatabase.FilePath();

    // Damaged by something else, and held by another program while the check begins: the
    // check cannot end before the panel has taken a click.
    TestSupport::DamageMiddlePage(path);
    const QByteArray damaged = TestSupport::ReadFile(path);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(qPrintable(path), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    QString captionWhileChecking;
    bool answeredWhileChecking = false;
    QTimer::singleShot(0, panel, [&] {
        captionWhileChecking = frame->GetMessageText();
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        QTreeWidget* list = panel->List();
        const QRect line = list->visualItemRect(list->topLevelItem(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        answeredWhileChecking = list->currentItem() == list->topLevelItem(0);
    });
    Answer({"Ost"});
    panel->findChild<QPushButton*>("Neu")->click();
    Process();
    sqlite3_close(other);

    EXPECT_TRUE(answeredWhileChecking);
    EXPECT_EQ(captionWhileChecking, "Datenbank wird geprüft:");
    CGeoDatabase itself;
    ASSERT_TRUE(itself.Open(path));
    EXPECT_FALSE(itself.BeginWrite());
    ASSERT_TRUE(itself.LastError().startsWith("Die Datenbankdatei ist beschädigt"));
    EXPECT_EQ(messages, QStringList{itself.LastError()});
    itself.Close();
    EXPECT_EQ(TestSupport::ReadFile(path), damaged);
    QStringList names;
    for (int i = 0; i < panel->List()->topLevelItemCount(); ++i)
        names << panel->List()->topLevelItem(i)->text(0);
    EXPECT_EQ(names, QStringList({"Nord", "(kein Gebiet)"}));
    // With its second half damaged as well and opened anew (no pages kept from before), the
    // file gives its rows only in part: the panel then counts no place rather than some of
    // them, and says why.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        for (qint64 page = file.size() / 4096 / 2; page < file.size() / 4096; ++page) {
            file.seek(page * 4096);
            file.write(QByteArray(64, '\x7f'));
        }
    }
    g_GeoDatabase.Close();
    ASSERT_TRUE(g_GeoDatabase.Open(path)) << g_GeoDatabase.LastError().toStdString();
    panel->Refresh();
    EXPECT_EQ(Lines(panel), QStringList({"Nord: 0", "(kein Gebiet): 0"}));
    EXPECT_TRUE(panel->findChild<QLabel*>()->text().contains("beschädigt"))
        << panel->findChild<QLabel*>()->text().toStdString();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// "Bearbeiten..." writes the responsible person and the memo; another user's change of the
// memo meanwhile is shown in full beside the user's own, and the user chooses which stays.
TEST_F(TerritoryPanelTest, TheResponsibleAndTheMemoAreWrittenAndAConcurrentMemoIsShown) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg()}));
    CTerritoryStore store(g_GeoDatabase);
    ASSERT_GT(store.Create({0, "Nord", "#102030", "", {}}), 0) << store.Error().toStdString();
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel);
    QTreeWidget* list = panel->List();
    list->setCurrentItem(list->topLevelItem(0));
    Answer({"  Bea\tÖlmann ", "Kunden im Norden\nab März"});
    panel->findChild<QPushButton*>("Bearbeiten")->click();
    Process();
    EXPECT_EQ(asked, QStringList({"Verantwortlich für \"Nord\":", "Memo zu \"Nord\":"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Bea Ölmann");
    EXPECT_EQ(list->topLevelItem(0)->text(4), "Kunden im Norden ab März");

    // Another user writes the memo while this one edits it.
    CGeoDatabase other;
    ASSERT_TRUE(other.Open(g_GeoDatabase.FilePath())) << other.OpenError().toStdString();
    const auto editWhileOtherWrites = [&](const QString& mine) {
        CTerritoryPanel::SetAskHook([&, mine](const QString& label, const QStringList&,
                                              const QString& value) -> std::optional<QString> {
            if (!label.startsWith("Memo"))
                return value;
            CTerritoryStore theirs(other);
            CTerritoryData data;
            EXPECT_TRUE(theirs.Load(&data));
            CTerritory changed = data.territories.first(), stored;
            changed.memo = changed.memo.toString() + "\nvon Carl";
            EXPECT_EQ(theirs.Update(data.territories.first(), changed, &stored),
                      CTerritoryStore::Write::Saved);
            return mine;
        });
    };
    QStringList questions;
    int choice = 1;
    SetQuestionBoxHook([&](const QString& text, const QStringList&) {
        questions << text;
        return choice;
    });
    editWhileOtherWrites("Nur meins");
    panel->findChild<QPushButton*>("Bearbeiten")->click();
    Process();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("Gespeichertes Memo:\nKunden im Norden\nab März\nvon "
                                      "Carl\n\nIhr Memo:\nNur meins"))
        << questions[0].toStdString();
    const auto storedMemo = [&] {
        CTerritoryData data;
        CTerritoryStore reader(other);
        EXPECT_TRUE(reader.Load(&data));
        return data.territories.first().memo.toString();
    };
    EXPECT_EQ(storedMemo(), "Kunden im Norden\nab März\nvon Carl"); // theirs kept
    EXPECT_EQ(list->topLevelItem(0)->text(4), "Kunden im Norden ab März von Carl");
    choice = 0;
    editWhileOtherWrites("Nur meins");
    panel->findChild<QPushButton*>("Bearbeiten")->click();
    Process();
    SetQuestionBoxHook({});
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(storedMemo(), "Nur meins"); // mine chosen
    EXPECT_EQ(list->topLevelItem(0)->text(4), "Nur meins");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Bea Ölmann");
}

TEST_F(TerritoryPanelTest, ThePlacesMemosShowPerTerritoryAndAClickOnAGoneTerritorySaysSo) {
    Row berlin = Berlin(), heidelberg = Heidelberg();
    berlin.memo = "Kunde seit 2019\nzweimal im Jahr";
    heidelberg.memo = "Filiale";
    ASSERT_TRUE(InsertRows({berlin, heidelberg, Wien()}));
    CTerritoryStore store(g_GeoDatabase);
    const qint64 nord = store.Create({0, "Nord", "#102030", "", {}});
    ASSERT_GT(nord, 0) << store.Error().toStdString();
    ASSERT_GT(store.Create({0, "Süd", "#c00000", "", {}}), 0);
    ASSERT_TRUE(store.Assign({{"DE", "10115", "Berlin", "", nord}}));
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel);
    QTreeWidget* list = panel->List();
    const auto memos = [&] {
        Counted(panel);
        QStringList counts;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            counts << list->topLevelItem(i)->text(5);
        return counts;
    };
    EXPECT_EQ(memos(), QStringList({"1", "", "1"}));
    EXPECT_EQ(list->topLevelItem(0)->toolTip(5),
              "DE 10115 Berlin: Kunde seit 2019 zweimal im Jahr");
    const QLabel* details = nullptr;
    list->setCurrentItem(list->topLevelItem(0));
    Process();
    for (const QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->text().startsWith("Keine Regeln."))
            details = label;
    }
    ASSERT_TRUE(details);
    EXPECT_EQ(details->text(), "Keine Regeln. 1 Ort einzeln zugewiesen.\nMemos der Orte:\n"
                               "DE 10115 Berlin: Kunde seit 2019 zweimal im Jahr");
    list->setCurrentItem(list->topLevelItem(2));
    EXPECT_EQ(details->text(), "Memos der Orte:\nDE 69117 Heidelberg: Filiale");

    // Another program writes a memo into GEO: the panel counts it when the program is active
    // again.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(g_GeoDatabase.FilePath().toUtf8().constData(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "UPDATE GEO SET Memo = 'Messe' WHERE PLZ = '1010'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    panel->RefreshIfChanged();
    EXPECT_EQ(memos(), QStringList({"1", "", "2"}));
    EXPECT_EQ(list->topLevelItem(2)->toolTip(5),
              "AT 1010 Wien: Messe\nDE 69117 Heidelberg: Filiale");

    // Another user deletes "Nord" while it is listed here: a click on it says so and opens no
    // table window of the places it had.
    CGeoDatabase second;
    ASSERT_TRUE(second.Open(g_GeoDatabase.FilePath())) << second.OpenError().toStdString();
    ASSERT_TRUE(CTerritoryStore(second).Delete(nord, 0));
    const qsizetype frames = Frames().size();
    const QRect line = list->visualItemRect(list->topLevelItem(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0],
              "Das Gebiet \"Nord\" gibt es nicht mehr: ein anderer Benutzer hat es gelöscht.");
    EXPECT_EQ(Frames().size(), frames);
    EXPECT_EQ(Lines(panel), QStringList({"Süd: 0", "(kein Gebiet): 3"}));
}

TEST_F(TerritoryPanelTest, TheAssignmentIsExportedAndImportedFromThePanelAllOrNothing) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CTerritoryStore store(g_GeoDatabase);
    const qint64 nord = store.Create({0, "Nord; \"Ost\"", "#102030", "", {}});
    ASSERT_GT(nord, 0) << store.Error().toStdString();
    ASSERT_TRUE(store.Assign({{"DE", "10115", "Berlin", "", nord}}));
    CTerritoryData data;
    Trigger(ID_TERRITORY_PANEL);
    CTerritoryPanel* panel = Counted(CTerritoryPanel::Find());
    ASSERT_TRUE(panel);

    // Written without a suffix: CSV, the first filter.
    ChooseFile(dir.filePath("gebiete"));
    panel->findChild<QPushButton*>("Exportieren")->click();
    Process();
    const QString csv = dir.filePath("gebiete.csv");
    ASSERT_EQ(messages, QStringList({"1 Zeile nach " + csv + " geschrieben."}));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "\xEF\xBB\xBFStaat;PLZ;Gebiet;Ort;Ortsteil\r\n"
                              "DE;10115;\"Nord; \"\"Ost\"\"\";;\r\n");

    // The outlines as GeoJSON, the third kind the dialog offers: Berlin's point, named.
    messages.clear();
    ChooseFile(dir.filePath("umrisse.geojson"));
    panel->findChild<QPushButton*>("Exportieren")->click();
    Process();
    const QString outlines = dir.filePath("umrisse.geojson");
    ASSERT_EQ(messages, QStringList({"1 Gebietsumriss nach " + outlines + " geschrieben."}));
    QFile json(outlines);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject feature = QJsonDocument::fromJson(json.readAll())["features"][0].toObject();
    EXPECT_EQ(feature["properties"]["Name"].toString(), "Nord; \"Ost\"");
    EXPECT_EQ(feature["geometry"]["type"].toString(), "Point");

    // Read back as written, it changes nothing.
    messages.clear();
    ChooseFile(csv);
    panel->findChild<QPushButton*>("Importieren")->click();
    Process();
    EXPECT_EQ(messages,
              QStringList({"Nichts geändert: die Orte der Datei sind schon so zugewiesen."}));
    ASSERT_TRUE(store.Load(&data));
    EXPECT_TRUE(data.rules.isEmpty());

    // Read back with two more lines: a new territory is made, all in one write.
    const QString more = TestSupport::WriteFile(dir.filePath("mehr.csv"),
                                                "Staat;PLZ;Gebiet\nDE;10115;\"Nord; \"\"Ost\"\"\"\n"
                                                "DE;69117;Süd\nAT;1010;Süd\n");
    messages.clear();
    ChooseFile(more);
    panel->findChild<QPushButton*>("Importieren")->click();
    Process();
    EXPECT_EQ(messages, QStringList({"2 Postleitzahlen und 0 einzelne Orte zugewiesen.\n"
                                     "Neu angelegt: Süd\n"
                                     "Schon so zugewiesen, unverändert: 1 Zeile"}));
    EXPECT_EQ(Lines(panel), QStringList({"Nord; \"Ost\": 1", "Süd: 2", "(kein Gebiet): 0"}));

    // A file with a bad line changes nothing and says which line.
    const QString bad =
        TestSupport::WriteFile(dir.filePath("falsch.csv"),
                               "Staat;PLZ;Gebiet\nDE;69117;\"Nord; \"\"Ost\"\"\"\nDE;10115;\n");
    messages.clear();
    ChooseFile(bad);
    panel->findChild<QPushButton*>("Importieren")->click();
    Process();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("Zeile 3")) << messages[0].toStdString();
    EXPECT_EQ(Lines(panel), QStringList({"Nord; \"Ost\": 1", "Süd: 2", "(kein Gebiet): 0"}));
}
