// A table window of every row, on the file and on the server, while its rows come in: clicks
// and keys move in its first screen, Esc closes it and leaves the window before as it was,
// its status pane included; a sort's bar goes up value by value, and Esc during the sort
// keeps the order. A window stopped while the server does not answer leaves no reading
// behind.
#include "TableFillFixture.h"

#include "common/TcpProxy.h"
#include "render/table/TableFillJob.h"

#include <QProgressBar>

#include <memory>

class TableFillKeysTest : public TableFillResultTest {};

TEST_P(TableFillKeysTest, ATableWindowTakesClicksKeysAndEscWhileItFillsAndWhileItSorts) {
    KELVO_REQUIRE_SHARED_DATA(data);
    if (GetParam()) {
        KELVO_REQUIRE_SERVER();
    }
    ASSERT_NO_FATAL_FAILURE(OpenEngine(data));
    CListView_Table* first = OpenTable();
    ASSERT_TRUE(first);
    const int n = first->GetModel().RowCount();
    ASSERT_GT(n, 40000);
    const QString title = Title(first);
    const QList<QStringList> rows = Rows(first->GetModel());
    Refocus(first);
    QTest::mouseClick(first->viewport(), Qt::LeftButton, {}, RowPoint(first, 3));
    Process();
    ASSERT_EQ(first->currentIndex().row(), 3);
    const QString pane = frame->GetMessageText();
    ASSERT_EQ(pane, QString::asprintf(" Datensatz: %6d / %6d", 4, n));

    bool filling = false, busyCursor = false;
    int current = -1;
    QString paneWhileFilling;
    WhileFilling([&](CListView_Table* view) {
        filling = view != first;
        paneWhileFilling = frame->GetMessageText();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 1));
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        current = view->currentIndex().row();
        busyCursor = QApplication::overrideCursor() &&
                     QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        QTest::keyClick(view, Qt::Key_Escape);
    });
    Key(Qt::Key_T, Qt::ControlModifier);
    Process();
    EXPECT_TRUE(filling);
    EXPECT_EQ(paneWhileFilling, " \"GEO\" Tabelle wird geoffnet:");
    EXPECT_EQ(current, 3);
    EXPECT_TRUE(busyCursor);
    // The new window is gone; the one before has its rows, its row and its status.
    ASSERT_EQ(Frames().size(), 1);
    EXPECT_EQ(TableOf(Frames().first()), first);
    EXPECT_EQ(first->currentIndex().row(), 3);
    EXPECT_EQ(frame->GetMessageText(), pane);
    EXPECT_EQ(Title(first), title);
    EXPECT_EQ(Rows(first->GetModel()), rows);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(g_StatusProgress.m_wndProgress);

    // A sort: its bar takes every value from 0 to 99 once and in turn, and Esc, once the bar
    // has moved, leaves the rows, the title and the cursor as they were.
    auto values = std::make_shared<QList<int>>();
    WhileSorting(first, [first, values] {
        QProgressBar* bar = g_StatusProgress.m_wndProgress;
        ASSERT_TRUE(bar);
        *values << bar->value();
        QObject::connect(bar, &QProgressBar::valueChanged, bar, [first, values](int value) {
            *values << value;
            if (value == 50)
                QTest::keyClick(first, Qt::Key_Escape);
        });
    });
    ClickHeader(first, GEO_ORT);
    EXPECT_FALSE(first->IsSorting());
    EXPECT_EQ(Rows(first->GetModel()), rows);
    EXPECT_EQ(Title(first), title);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(values->contains(50));

    // Left alone, the sort ends with the bar at 99, every value on the way once.
    values->clear();
    WhileSorting(first, [values] {
        QProgressBar* bar = g_StatusProgress.m_wndProgress;
        ASSERT_TRUE(bar);
        *values << bar->value();
        QObject::connect(bar, &QProgressBar::valueChanged, bar,
                         [values](int value) { *values << value; });
    });
    ClickHeader(first, GEO_ORT);
    QList<int> expected;
    for (int i = 0; i < 100; ++i)
        expected << i;
    EXPECT_EQ(*values, expected);
    EXPECT_EQ(Title(first), "GEO Tabelle (Ort -> AZ)");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

TEST_F(TableFillTest, EscWhileTheServerDoesNotAnswerEndsTheReadingToo) {
    KELVO_REQUIRE_SHARED_DATA(data);
    KELVO_REQUIRE_SERVER();
    const QString address = TestServer::SharedDatabase();
    ASSERT_FALSE(address.isEmpty());
    const int port = address.section(':', -1).section('/', 0, 0).toInt();
    CTcpProxy relay(port);
    g_GeoDatabase.Close();
    ASSERT_TRUE(g_GeoDatabase.Open(QString(address).replace(
        QStringLiteral(":%1/").arg(port), QStringLiteral(":%1/").arg(relay.Port()))))
        << g_GeoDatabase.OpenError().toStdString();

    // The network stops once the first rows are on the screen, with the rest still coming.
    WhileFilling([&relay](CListView_Table* view) {
        relay.Freeze(true);
        QTest::keyClick(view, Qt::Key_Escape);
    });
    Refocus(frame);
    Key(Qt::Key_T, Qt::ControlModifier);
    ExpectNothingLeft(0);
    // The reading thread gives up its wait for the server and ends, though no answer comes.
    EXPECT_TRUE(CTableFillJob::WaitForAll(5000));
    relay.Freeze(false);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('|'));
}

INSTANTIATE_TEST_SUITE_P(Engine, TableFillKeysTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Server") : std::string("File");
                         });
