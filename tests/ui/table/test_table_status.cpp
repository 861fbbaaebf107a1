// Status pane 0 around a table window's long operations, through the real main window: after
// the rows are read the window with the focus shows its record status, and the sort's bar
// advances while the rows take their new places.
#include "TableCommandsFixture.h"

#include "ui/shell/StatusProgress.h"
#include "ui/table/CDia_Find.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

// Records the positions of every progress bar shown in the status bar.
class CProgressWatch : public QObject {
public:
    explicit CProgressWatch(QStatusBar* bar) : m_pBar(bar) { bar->installEventFilter(this); }
    ~CProgressWatch() override { m_pBar->removeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* event) override {
        // A bar is shown as soon as it is made; it is then polished.
        if (event->type() == QEvent::ChildPolished) {
            auto* progress = qobject_cast<QProgressBar*>(static_cast<QChildEvent*>(event)->child());
            if (progress)
                connect(progress, &QProgressBar::valueChanged, this,
                        [this](int value) { positions << value; });
        }
        return false;
    }

    QList<int> positions;

private:
    QStatusBar* m_pBar;
};

} // namespace

class TableStatusTest : public TableCommandsFixture {};

TEST_F(TableStatusTest, AfterTheFillTheFocusedWindowShowsItsRecordStatus) {
    // No rows: "1 / 0".
    ASSERT_TRUE(OpenTable());
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      1 /      0");

    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    ASSERT_TRUE(OpenTable());
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      1 /      5");

    // A search started from the tool bar.
    WhenModal([](QWidget* dialog) {
        if (auto* find = qobject_cast<CDia_Find*>(dialog)) {
            QTest::keyClicks(find->m_editSearch, "d");
            QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        }
    });
    QWidget* button = nullptr;
    for (QAction* action : frame->GetActions(ID_SEARCH))
        button = button ? button : frame->GetToolBar()->widgetForAction(action);
    ASSERT_TRUE(button);
    QTest::mouseClick(button, Qt::LeftButton);
    Process();
    ASSERT_EQ(Frames().size(), 3);
    EXPECT_EQ(TableOf(Frames().last())->GetModel().RowCount(), 4); // not Zürich
    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return frame->GetMessageText() == " Datensatz:      1 /      4"; }, 2000))
        << frame->GetMessageText().toStdString();
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
}

TEST_F(TableStatusTest, TheSortBarAdvancesWhileTheRowsAreRenumbered) {
    QList<TableTestRows::Place> places;
    for (int i = 0; i < 300; ++i)
        places.append({"DE", QString::number(10000 + i), QStringLiteral("Ort %1").arg(i), ""});
    ASSERT_TRUE(g_GeoDatabase.Execute("BEGIN"));
    ASSERT_TRUE(Insert(places));
    ASSERT_TRUE(g_GeoDatabase.Execute("COMMIT"));
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    CProgressWatch watch(frame->statusBar());
    ClickHeader(view, GEO_ORT);
    ASSERT_FALSE(watch.positions.isEmpty());
    EXPECT_TRUE(std::is_sorted(watch.positions.begin(), watch.positions.end()));
    EXPECT_EQ(watch.positions.last(), 99); // 100 * 299 / 300
    EXPECT_GE(watch.positions.size(), 50);
}
