// The cells of a table window: painted the short way they look exactly as the standard
// delegate paints them, the first screen of rows a window shows while it fills is the
// screen it shows once every row is in, and a new window's first paint already shows it.
#include "TableFillFixture.h"

#include "ui/table/TableCellDelegate.h"

#include <QImage>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>

#include <utility>

namespace {

// A table of cells of every kind the short way has to tell apart: short texts in three
// alignments, umlauts, a text too long for its cell, two lines, an empty cell, a cell with
// spaces only and one that fits exactly its own width.
void FillCells(QStandardItemModel& model) {
    const QStringList texts = {
        "DE",     "10115",      "Berlin-Mitte, Friedrichstraße und Umgebung bis zum Rand",
        "Zürich", "",           "Zeile eins\nZeile zwei",
        "   ",    "Österreich", "52.5200"};
    model.setColumnCount(int(texts.size()));
    for (int row = 0; row < 12; ++row) {
        QList<QStandardItem*> items;
        for (int column = 0; column < int(texts.size()); ++column) {
            auto* item = new QStandardItem(row % 3 == 2 ? texts[(column + row) % texts.size()]
                                                        : texts[column]);
            item->setTextAlignment(Qt::AlignVCenter | (column % 3 == 0   ? Qt::AlignLeft
                                                       : column % 3 == 1 ? Qt::AlignRight
                                                                         : Qt::AlignHCenter));
            items << item;
        }
        model.appendRow(items);
    }
}

// The view painted by one delegate: widget pixels, with some rows selected and the current
// cell set, its focus and its window's activation as asked.
QImage Painted(QAbstractItemDelegate* delegate, bool focus) {
    QStandardItemModel model;
    FillCells(model);
    QTableView view;
    view.setItemDelegate(delegate);
    view.setModel(&model);
    view.setWordWrap(false);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.verticalHeader()->hide();
    view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
    for (int column = 0; column < model.columnCount(); ++column)
        view.setColumnWidth(column, 40 + 9 * column);
    view.resize(640, 320);
    view.selectionModel()->select(model.index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->select(model.index(4, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view.selectionModel()->setCurrentIndex(model.index(4, 2), QItemSelectionModel::NoUpdate);
    view.show();
    if (focus) {
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
    }
    QApplication::processEvents();
    return view.grab().toImage();
}

} // namespace

TEST(TableCells, PaintedTheShortWayTheyLookAsTheStandardDelegatePaintsThem) {
    for (const bool focus : {false, true}) {
        SCOPED_TRACE(focus ? "focused" : "without focus");
        QStyledItemDelegate standard;
        const QImage expected = Painted(&standard, focus);
        CTableCellDelegate::s_nPlainCells = 0;
        CTableCellDelegate cells;
        const QImage actual = Painted(&cells, focus);
        // Most cells went the short way; the others (too long, two lines, empty, the focused
        // one) the standard way.
        EXPECT_GT(CTableCellDelegate::s_nPlainCells, 40);
        ASSERT_EQ(actual.size(), expected.size());
        EXPECT_TRUE(actual == expected);
    }
}

class TableFirstScreenTest : public TableFillTest {
protected:
    static void InsertRows(int count) {
        QList<Fields> rows;
        for (int i = 0; i < count; ++i)
            rows << Fields{{GEO_STAAT, i % 2 ? "DE" : "AT"},
                           {GEO_PLZ, QString::number(10000 + i)},
                           {GEO_ORT, QStringLiteral("Ort %1 an der langen Straße").arg(i)},
                           {GEO_BUNDESLAND, "Bayern"}};
        ASSERT_TRUE(InsertFields(rows));
    }
};

// Notes the rows a table window that was not there before holds when its cells are first
// painted.
class FirstPaintWatch : public QObject {
public:
    int rows = -1; // -1: not painted yet
    QList<QWidget*> before;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && rows < 0 && watched->isWidgetType()) {
            auto* view = dynamic_cast<CListView_Table*>(watched->parent());
            if (view && watched == view->viewport() && !before.contains(view))
                rows = view->GetModel().RowCount();
        }
        return false;
    }
};

TEST_F(TableFirstScreenTest, TheFirstScreenOfAFillingWindowIsTheScreenOfTheFilledOne) {
    InsertRows(400);
    QImage first;
    int firstRows = 0;
    WhileFilling([&](CListView_Table* view) {
        first = view->viewport()->grab().toImage();
        firstRows = view->GetModel().RowCount();
    });
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    Process();
    ASSERT_FALSE(first.isNull()) << "no first screen";
    EXPECT_LT(firstRows, 400);
    ASSERT_EQ(view->GetModel().RowCount(), 400);
    const QImage filled = view->viewport()->grab().toImage();
    ASSERT_EQ(filled.size(), first.size());
    EXPECT_TRUE(filled == first);
}

// The window waits the moment its first screen takes to read: its first paint is not one of
// an empty window (painted again at once), in the first window and in a further one.
TEST_F(TableFirstScreenTest, ANewWindowsFirstPaintShowsItsFirstRows) {
    InsertRows(400);
    // Long enough for the reading thread to get a core on a busy machine.
    struct Restore {
        int ms;
        ~Restore() { CListView_Table::s_nFirstScreenWaitMs = ms; }
    } restore{std::exchange(CListView_Table::s_nFirstScreenWaitMs, 5000)};
    for (int window = 0; window < 2; ++window) {
        SCOPED_TRACE(window);
        FirstPaintWatch watch;
        for (QWidget* widget : QApplication::allWidgets())
            watch.before << widget;
        qApp->installEventFilter(&watch);
        CListView_Table* view = OpenTable();
        Process();
        qApp->removeEventFilter(&watch);
        ASSERT_TRUE(view);
        EXPECT_GT(watch.rows, 0);
        EXPECT_EQ(view->GetModel().RowCount(), 400);
    }
}

// The rows after the first screen replace it without undoing what the user did meanwhile:
// the current cell, the selected rows and the scrolling stay, and the pane shows the
// current row of all.
TEST_F(TableFirstScreenTest, TheRestOfTheRowsKeepWhatTheUserDidInTheFirstScreen) {
    InsertRows(400);
    QModelIndex current;
    int vertical = -1, horizontal = -1;
    WhileFilling([&](CListView_Table* view) {
        view->setFocus();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 5));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, RowPoint(view, 7));
        view->verticalScrollBar()->setValue(2);
        view->horizontalScrollBar()->setValue(30);
        current = view->currentIndex();
        vertical = view->verticalScrollBar()->value();
        horizontal = view->horizontalScrollBar()->value();
    });
    CListView_Table* view = OpenTable();
    Process();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetModel().RowCount(), 400);
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(view->currentIndex().row(), current.row());
    EXPECT_EQ(view->currentIndex().column(), current.column());
    EXPECT_EQ(view->SelectedRows(), (QList<int>{5, 6, 7}));
    EXPECT_EQ(view->verticalScrollBar()->value(), vertical);
    EXPECT_EQ(view->horizontalScrollBar()->value(), horizontal);
    EXPECT_EQ(frame->GetMessageText(), QString::asprintf(" Datensatz: %6d / %6d", 8, 400));
}
