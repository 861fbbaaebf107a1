// The table window's commands: copy, select all (menu and Ctrl+A), Enter and the double-click
// with and without a map view.
#include "TableCommandsFixture.h"

#include "ui/map/CKelvoView.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/table/CDia_Record.h"

#include <QClipboard>
#include <QLineEdit>
#include <QToolBar>

namespace {

// Counts the paint events a widget receives while no modal dialog is up.
class CPaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !QApplication::activeModalWidget())
            ++paints;
        return false;
    }
    int paints = 0;
};

QString ortOf(QWidget* dialog) {
    auto* record = qobject_cast<CDia_Record*>(dialog);
    return record ? record->m_aEdit[GEO_ORT - 1]->text() : QString();
}

} // namespace

class TableCommandTest : public TableCommandsFixture {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        view = OpenFivePlaces();
        ASSERT_TRUE(view);
        view->setFocus();
        QApplication::clipboard()->setText("vorher");
    }

    // A map window tiled beside the table, as the last map view, with the table focused again.
    CKelvoView* OpenLastMapBesideTheTable() {
        CDocument* mapDoc = theApp.m_pMapTemplate->OpenDocumentFile();
        auto* map = mapDoc ? dynamic_cast<CKelvoView*>(mapDoc->GetFirstView()) : nullptr;
        if (!map)
            return nullptr;
        frame->MdiArea()->tileSubWindows();
        Process();
        g_pLastMapView = map;
        frame->MdiArea()->setActiveSubWindow(view->GetParentFrame());
        Refocus(view);
        return map;
    }

    static QString Clipboard() { return QApplication::clipboard()->text(); }

    // The Ort shown by the record dialog that the next step opens, which is then cancelled;
    // stays empty when no dialog opens. With `expected` false only the step itself is
    // watched, so no look for a dialog outlives it.
    std::shared_ptr<QString> ExpectRecordDialog(bool expected = true) {
        auto shown = std::make_shared<QString>();
        WhenModal(
            [shown](QWidget* dialog) {
                *shown = ortOf(dialog);
                if (shown->isEmpty())
                    *shown = QStringLiteral("(ein anderer Dialog)");
                dialog->close();
            },
            expected ? 300 : 0);
        return shown;
    }

    CListView_Table* view = nullptr;
};

TEST_F(TableCommandTest, CopyPutsTheSelectedRowsInScreenOrder) {
    // Rows: AT Wien, CH Zürich, DE Dresden, DE Berlin, FL Vaduz. Row 3 selected before row 1.
    SelectRows(view, {3, 1});
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), "CH, 8001, , , , , Zürich, , , , , \n"
                           "DE, 10115, , , , , Berlin, , , , , \n");

    // After a sort, in the new order on screen (the selection moved with its rows).
    ClickHeader(view, GEO_ORT); // Berlin, Dresden, Vaduz, Wien, Zürich
    Refocus(view);
    QApplication::clipboard()->setText("vorher");
    Key(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(Clipboard(), "DE, 10115, , , , , Berlin, , , , , \n"
                           "CH, 8001, , , , , Zürich, , , , , \n");
}

TEST_F(TableCommandTest, CopyKeepsLineBreaksAndCommasAndCopiesNothingWithoutSelection) {
    QStringList cells = view->GetModel().RowCells(0);
    cells[GEO_MEMO] = "erste Zeile\nzweite, mit Komma";
    ASSERT_TRUE(view->GetModel().SetRowCells(0, cells));
    SelectRows(view, {0});
    Command(ID_EDIT_COPY);
    EXPECT_EQ(Clipboard(), "AT, 1010, , , , , Wien, , , , , erste Zeile\nzweite, mit Komma\n");

    view->clearSelection();
    Command(ID_EDIT_COPY);
    EXPECT_EQ(Clipboard(), "");
}

TEST_F(TableCommandTest, CtrlAAndTheMenuSelectAllRows) {
    for (const bool byKey : {true, false}) {
        view->clearSelection();
        view->setFocus();
        frame->SetMessageText(QString());
        if (byKey)
            Key(Qt::Key_A, Qt::ControlModifier);
        else
            Command(ID_SELECT_ALL_ROWS);
        EXPECT_EQ(view->selectionModel()->selectedRows().size(), 5) << byKey;
        EXPECT_EQ(view->m_nCurrentRow, 4) << byKey;
        EXPECT_EQ(frame->GetMessageText(), " Datensatz:      5 /      5") << byKey;
    }
    // Ctrl+A is the view's key, no shortcut of the main frame.
    for (QAction* action : frame->actions())
        EXPECT_NE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
}

TEST_F(TableCommandTest, EnterOpensTheRecordOfTheCurrentRowThenTheKeyGoesOn) {
    SelectCurrentRow(view, 2);
    ASSERT_EQ(view->m_nCurrentRow, 2);
    std::shared_ptr<QString> shown = ExpectRecordDialog();
    Key(Qt::Key_Return);
    EXPECT_EQ(*shown, "Dresden");

    // After a sort the current row moves with its record.
    ClickHeader(view, GEO_ORT); // Berlin, Dresden, Vaduz, ...
    Refocus(view);
    shown = ExpectRecordDialog();
    Key(Qt::Key_Enter);
    EXPECT_EQ(*shown, "Dresden");

    // The same through "Datensatz...".
    shown = ExpectRecordDialog();
    Command(ID_RECORD_EDIT);
    EXPECT_EQ(*shown, "Dresden");

    // Other keys still move through the list.
    Refocus(view);
    Key(Qt::Key_Down);
    EXPECT_EQ(view->currentIndex().row(), 2);
}

TEST_F(TableCommandTest, DoubleClickWithoutAMapOpensTheRecord) {
    ASSERT_TRUE(g_GeoDatabase.Execute(
        "UPDATE GEO SET Langengrad = '13.4', Breitengrad = '52.52' WHERE Ort = 'Berlin'"));
    std::shared_ptr<QString> shown = ExpectRecordDialog();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 3));
    Process();
    EXPECT_EQ(*shown, "Berlin");
    EXPECT_DOUBLE_EQ(g_dSelectedLon, 13.4);
    EXPECT_DOUBLE_EQ(g_dSelectedLat, 52.52);
    EXPECT_EQ(g_strSelectedPlace, "Berlin");

    // Below the last row: nothing.
    g_strSelectedPlace = "unverändert";
    shown = ExpectRecordDialog(false);
    const int below = view->rowViewportPosition(4) + view->rowHeight(4) + 10;
    ASSERT_LT(below, view->viewport()->height());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(100, below));
    Process();
    EXPECT_EQ(*shown, "");
    EXPECT_EQ(g_strSelectedPlace, "unverändert");
}

TEST_F(TableCommandTest, DoubleClickRepaintsTheLastMapViewBeforeTheDialog) {
    ASSERT_TRUE(g_GeoDatabase.Execute(
        "UPDATE GEO SET Langengrad = 'x', Breitengrad = '47.37' WHERE Ort = 'Zürich'"));
    CKelvoView* map = OpenLastMapBesideTheTable();
    ASSERT_TRUE(map);
    CPaintCounter counter;
    map->installEventFilter(&counter);

    int paintsWhenOpen = -1;
    QString place;
    WhenModal([&](QWidget* dialog) {
        paintsWhenOpen = counter.paints;
        place = g_strSelectedPlace;
        dialog->close();
    });
    counter.paints = 0;
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 1));
    Process();
    EXPECT_GE(paintsWhenOpen, 1);
    EXPECT_EQ(place, "Zürich");
    EXPECT_DOUBLE_EQ(g_dSelectedLon, 0); // no number
    EXPECT_DOUBLE_EQ(g_dSelectedLat, 47.37);
    map->removeEventFilter(&counter);
}

TEST_F(TableCommandTest, LookupErrorSkipsTheMapAndStillOpensTheDialog) {
    CKelvoView* map = OpenLastMapBesideTheTable();
    ASSERT_TRUE(map);
    CPaintCounter counter;
    map->installEventFilter(&counter);
    g_GeoDatabase.Close(); // every statement now fails

    int paintsWhenOpen = -1;
    QString shown;
    WhenModal([&](QWidget* dialog) {
        paintsWhenOpen = counter.paints;
        shown = ortOf(dialog);
        dialog->close();
    });
    counter.paints = 0;
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 0));
    Process();
    EXPECT_EQ(shown, "Wien");
    EXPECT_EQ(paintsWhenOpen, 0);
    EXPECT_EQ(g_strSelectedPlace, "");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Der Ort des Datensatzes kann nicht gelesen werden"));
    map->removeEventFilter(&counter);
}

TEST_F(TableCommandTest, CommandStatesFollowTheSelectionAndTheToolBarAtOnce) {
    // Nothing polls: what a command depends on tells the frame when it changes.
    view->clearSelection();
    frame->UpdateCommandUI();
    ASSERT_FALSE(Action(ID_FILE_SAVE_PLACES)->isEnabled());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 1));
    Process();
    EXPECT_TRUE(Action(ID_FILE_SAVE_PLACES)->isEnabled());
    view->clearSelection();
    Process();
    EXPECT_FALSE(Action(ID_FILE_SAVE_PLACES)->isEnabled());

    ASSERT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());
    frame->GetToolBar()->hide();
    Process();
    EXPECT_FALSE(Action(ID_VIEW_TOOLBAR)->isChecked());
    frame->GetToolBar()->show();
    Process();
    EXPECT_TRUE(Action(ID_VIEW_TOOLBAR)->isChecked());
}
