// Table windows through the real main window: "Tabelle öffnen", the rows and columns, the
// record status, the status-bar progress, engine errors and the closed database.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"
#include "common/TestSupport.h"
#include "ui/shell/DocTemplate.h"
#include "ui/shell/Document.h"
#include "ui/shell/StatusBarProgress.h"
#include "ui/shell/StatusProgress.h"
#include "ui/table/CListView_Table.h"

#include <QHeaderView>
#include <QLayout>
#include <QPainter>
#include <QProgressBar>
#include <QStatusBar>

namespace {

CListView_Table* tableView(CChildFrame* child) {
    return child ? dynamic_cast<CListView_Table*>(child->GetActiveView()) : nullptr;
}

QStringList columnOf(CListView_Table* view, int column) {
    QStringList cells;
    for (int i = 0; i < view->GetModel().RowCount(); ++i)
        cells << view->GetModel().Cell(i, column);
    return cells;
}

// A widget that moves the status-bar progress while it paints.
class CPaintingWidget : public QWidget {
public:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        paintingSeen = IsPaintingWidget();
        g_StatusProgress.SetPos(++pos);
    }
    bool paintingSeen = false;
    int pos = 10;
};

QStringList g_warnings;
void captureWarnings(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

} // namespace

class TableWindowTest : public ShellFixture {
protected:
    CListView_Table* OpenTable() {
        Key(Qt::Key_T, Qt::ControlModifier);
        return Frames().isEmpty() ? nullptr : tableView(Frames().last());
    }
};

TEST_F(TableWindowTest, CtrlTOpensAllRowsInStaatPlzOrder) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    g_nFoundCount = 77;
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    CChildFrame* child = Frames().last();
    EXPECT_EQ(child->size(), QSize(900, 400));
    EXPECT_EQ(child->windowTitle(), "GEO (Staat+PLZ -> AZ)");
    EXPECT_EQ(frame->windowTitle(), "Kelvo - GEO (Staat+PLZ -> AZ)");
    EXPECT_EQ(child->GetActiveDocument()->GetTitle(), "GEO (Staat+PLZ -> AZ)");
    EXPECT_TRUE(view->isVisible());

    const QHeaderView* header = view->horizontalHeader();
    ASSERT_EQ(header->count(), 13);
    const QStringList titles{"ID_Geo",     "Staat",       "PLZ", "Bundesland", "Regierungsbezirk",
                             "Landkreis",  "Verwaltung",  "Ort", "Ortsteil",   "KFZ",
                             "Langengrad", "Breitengrad", "Memo"};
    const QList<int> widths{4, 40, 50, 100, 100, 100, 100, 100, 100, 40, 60, 60, 200};
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(view->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
        EXPECT_EQ(header->sectionSize(i), widths[i]) << i;
    }
    EXPECT_FALSE(header->sectionsMovable());
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);

    EXPECT_EQ(columnOf(view, GEO_STAAT), QStringList({"AT", "CH", "DE", "DE", "FL"}));
    EXPECT_EQ(columnOf(view, GEO_PLZ), QStringList({"1010", "8001", "01067", "10115", "9490"}));
    EXPECT_EQ(g_nFoundCount, 0); // all rows: the filter's count stays 0
    EXPECT_TRUE(g_strSearch.isEmpty());
    EXPECT_EQ(g_nChildFrameMode, 1);
    // The progress has ended: no bar, no wait cursor.
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TableWindowTest, TwoTableWindowsHaveTheirOwnRows) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    CListView_Table* first = OpenTable();
    CListView_Table* second = OpenTable();
    ASSERT_TRUE(first && second && first != second);
    EXPECT_NE(first->GetDocument(), second->GetDocument());
    EXPECT_EQ(Frames()[0]->windowTitle(), Frames()[1]->windowTitle());

    ASSERT_TRUE(first->GetModel().ApplyOrder({4, 3, 2, 1, 0}));
    QStringList cells = first->GetModel().RowCells(0);
    cells[GEO_MEMO] = "nur hier";
    ASSERT_TRUE(first->GetModel().SetRowCells(0, cells));
    EXPECT_EQ(columnOf(second, GEO_STAAT), QStringList({"AT", "CH", "DE", "DE", "FL"}));
    EXPECT_EQ(second->GetModel().Cell(4, GEO_MEMO), "");
    EXPECT_EQ(columnOf(first, GEO_STAAT), QStringList({"FL", "DE", "DE", "CH", "AT"}));
}

TEST_F(TableWindowTest, RecordStatusShowsTheCurrentRow) {
    CListView_Table* view = OpenTable(); // empty table
    ASSERT_TRUE(view);
    EXPECT_EQ(view->GetModel().RowCount(), 0);
    EXPECT_EQ(view->GetModel().columnCount(), 13);
    view->setFocus();
    view->ShowRecordStatus();
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      1 /      0");

    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    view = OpenTable();
    ASSERT_TRUE(view);
    view->setFocus();
    view->selectionModel()->setCurrentIndex(view->model()->index(2, 1),
                                            QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    EXPECT_EQ(view->m_nCurrentRow, 2);
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      3 /      5");
    // Selecting every row: the last row is the current one.
    ASSERT_TRUE(frame->RouteCommand(ID_SELECT_ALL_ROWS));
    EXPECT_EQ(view->m_nCurrentRow, 4);
    EXPECT_EQ(frame->GetMessageText(), " Datensatz:      5 /      5");
    // Closing the window clears the pane.
    Frames().last()->close();
    Process();
    EXPECT_EQ(frame->GetMessageText(), "");
}

TEST_F(TableWindowTest, EngineErrorIsReportedAndTheRowsReadStay) {
    ASSERT_TRUE(Insert(TableTestRows::PatternPlaces()));
    ASSERT_TRUE(g_GeoDatabase.Execute("CREATE INDEX StaatPlz ON GEO (Staat, PLZ)"));
    // An opener with a filter, as the search does.
    g_strSearch = "[Ort] LIKE [Memo]";
    g_nChildFrameMode = 1;
    CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile();
    g_strSearch.clear();
    ASSERT_TRUE(doc);
    CListView_Table* view = tableView(Frames().last());
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(columnOf(view, GEO_ORT), QStringList({"Aaa", "Bbb", "Ccc"}));
    EXPECT_EQ(g_nFoundCount, 3);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Die Tabelle \"GEO\" konnte nicht vollständig gelesen"))
        << messages[0].toStdString();
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TableWindowTest, ClosedDatabaseGivesAnEmptyWindowWithColumns) {
    ASSERT_TRUE(Insert(TableTestRows::FivePlaces()));
    g_GeoDatabase.Close();
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->GetModel().RowCount(), 0);
    EXPECT_EQ(view->horizontalHeader()->count(), 13);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TableWindowTest, ProgressBarIsPlacedInTheMessagePane) {
    QStatusBar* bar = frame->statusBar();
    const QRect pane = frame->MessagePaneRect();
    ASSERT_GT(pane.width(), 400);

    const QString caption60 = QString(60, QLatin1Char('x'));
    g_StatusProgress.Start(caption60);
    QProgressBar* progress = g_StatusProgress.m_wndProgress;
    ASSERT_TRUE(progress);
    EXPECT_EQ(g_StatusProgress.m_strCaption, QString(50, QLatin1Char('x')));
    EXPECT_EQ(frame->GetMessageText(), QString(50, QLatin1Char('x')));
    EXPECT_EQ(progress->parentWidget(), bar);
    EXPECT_EQ(bar->layout()->indexOf(progress), -1);
    EXPECT_EQ(progress->geometry().x(), 300);
    EXPECT_EQ(progress->geometry().y(), 2);
    EXPECT_EQ(progress->geometry().height(), 14); // bottom 16, exclusive
    EXPECT_EQ(progress->geometry().x() + progress->geometry().width(), pane.x() + pane.width() - 5);
    EXPECT_EQ(progress->minimum(), 0);
    EXPECT_EQ(progress->maximum(), 100);
    EXPECT_EQ(progress->value(), 0);
    g_StatusProgress.SetPos(42);
    EXPECT_EQ(progress->value(), 42);

    // A second start replaces the bar; an empty caption puts it at x = 2.
    g_StatusProgress.Start(QString());
    EXPECT_NE(g_StatusProgress.m_wndProgress, progress);
    ASSERT_TRUE(g_StatusProgress.m_wndProgress);
    EXPECT_EQ(g_StatusProgress.m_wndProgress->geometry().x(), 2);
    g_StatusProgress.Destroy();
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    Process();
    EXPECT_TRUE(bar->findChildren<QProgressBar*>().isEmpty());
}

TEST_F(TableWindowTest, ProgressIsSafeInsideAPaintEvent) {
    CStatusBarProgress progress;
    progress.Start("Mappe wird gezeichnet:");
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_FALSE(IsPaintingWidget());

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureWarnings);
    auto* widget = new CPaintingWidget;
    widget->resize(200, 100);
    widget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    widget->repaint();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(widget->paintingSeen);
    EXPECT_TRUE(g_warnings.isEmpty()) << g_warnings.join("\n").toStdString();
    ASSERT_TRUE(g_StatusProgress.m_wndProgress);
    EXPECT_EQ(g_StatusProgress.m_wndProgress->value(), widget->pos);
    delete widget;

    progress.Finish();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    progress.Finish(); // a second finish changes nothing
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TableWindowTest, AllSharedRowsLoad) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));

    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    const CGeoTableModel& model = view->GetModel();
    ASSERT_EQ(model.RowCount(), 49568);
    for (int i = 1; i < model.RowCount(); ++i) {
        const int staat =
            model.Cell(i - 1, GEO_STAAT).compare(model.Cell(i, GEO_STAAT), Qt::CaseInsensitive);
        ASSERT_LE(staat, 0) << i;
        if (staat == 0) {
            ASSERT_LE(
                model.Cell(i - 1, GEO_PLZ).compare(model.Cell(i, GEO_PLZ), Qt::CaseInsensitive), 0)
                << i;
        }
    }
    EXPECT_EQ(model.Cell(0, GEO_STAAT), "AT");
    EXPECT_EQ(model.Cell(model.RowCount() - 1, GEO_STAAT), "FL");
    // Scrolling to the end shows the last row.
    view->scrollToBottom();
    EXPECT_EQ(view->rowAt(view->viewport()->height() - 1), model.RowCount() - 1);
}
