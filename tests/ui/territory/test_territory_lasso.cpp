// The places of a lasso and the territories' figures, counted on worker threads, against the
// same counts made here row by row: a real database of some thousand places, the "Gebiete"
// panel and a map window, the lasso dragged with Ctrl held as a user drags it.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "base/GermanNumbers.h"
#include "render/rows/GeoPlaceRows.h"
#include "render/rows/GeoPlaceRowsCache.h"
#include "render/territory/TerritoryCount.h"
#include "render/territory/TerritoryStore.h"
#include "ui/territory/TerritoryBalanceBox.h"
#include "ui/territory/TerritoryPanel.h"

#include <QLabel>
#include <QLocale>
#include <QTimer>
#include <QTreeWidget>

namespace {

class TerritoryLassoTest : public MapViewFixture {
protected:
    void TearDown() override {
        g_pLastMapView = nullptr;
        MapViewFixture::TearDown();
    }
    // A grid of 1,200 places over Germany, PLZ rising from the west; "West" takes the codes
    // 0-3, "Ost" 6-9, and one place of the middle is assigned to "West" on its own.
    void Places() {
        QList<Row> rows;
        for (int i = 0; i < 1200; ++i) {
            const int column = i % 40, line = i / 40;
            rows.append({"DE", QStringLiteral("%1").arg(column * 2500 + line, 5, 10, QChar('0')),
                         QStringLiteral("Ort %1").arg(i),
                         QString::number(6.0 + column * 0.225, 'f', 3),
                         QString::number(47.5 + line * 0.23, 'f', 3)});
        }
        ASSERT_TRUE(g_GeoDatabase.Execute("BEGIN"));
        ASSERT_TRUE(InsertRows(rows));
        ASSERT_TRUE(g_GeoDatabase.Execute("COMMIT"));
        CTerritoryStore store(g_GeoDatabase);
        const qint64 west = store.Create({0, "West", "#102030", "", {}});
        const qint64 ost = store.Create({0, "Ost", "#c00000", "", {}});
        ASSERT_GT(west, 0) << qPrintable(store.Error());
        ASSERT_GT(ost, 0) << qPrintable(store.Error());
        QList<CTerritoryRule> rules;
        QString error;
        QStringList notes;
        ASSERT_TRUE(TerritoryRules::Parse("DE 0-3", &rules, &error)) << qPrintable(error);
        ASSERT_TRUE(store.AddRules(west, rules, &notes)) << qPrintable(store.Error());
        rules.clear();
        ASSERT_TRUE(TerritoryRules::Parse("DE 6-9", &rules, &error)) << qPrintable(error);
        ASSERT_TRUE(store.AddRules(ost, rules, &notes)) << qPrintable(store.Error());
        ASSERT_TRUE(store.Assign({{"DE", "50015", "Ort 615", "", west}}));
    }
    // A wavy ring round the middle of the view, given one point every 3 pixels.
    static void DragLasso(CKelvoView* view, double radius) {
        const QPointF centre(view->width() / 2.0, view->height() / 2.0);
        const int steps = int(2 * M_PI * radius / 3);
        auto at = [&](int i) {
            const double a = 2 * M_PI * i / steps;
            const double r = radius * (1 + 0.15 * std::sin(5 * a));
            return (centre + QPointF(r * std::cos(a), r * std::sin(a))).toPoint();
        };
        QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, at(0));
        for (int i = 1; i <= steps; ++i)
            QTest::mouseMove(view, at(i));
        QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, at(steps));
    }
    static QStringList Lines(const CTerritoryPanel* panel) {
        QStringList lines;
        for (int i = 0; i < panel->List()->topLevelItemCount(); ++i)
            lines << panel->List()->topLevelItem(i)->text(0) + ": " +
                         panel->List()->topLevelItem(i)->text(2);
        return lines;
    }
};

TEST_F(TerritoryLassoTest, CountsMadeOnWorkersEqualTheCountsMadeRowByRow) {
    Places();
    // The panel opened before any map read the texts: it reads and counts on its worker.
    CTerritoryPanel* panel = CTerritoryPanel::Show(frame);
    ASSERT_TRUE(panel->Counting()) << "the panel counted on the GUI thread";
    ASSERT_TRUE(QTest::qWaitFor([panel] { return !panel->Counting(); }, 20000));
    const std::shared_ptr<const CGeoPlaceRows> rows =
        CGeoPlaceRowsCache::Of(g_GeoDatabase).Cached(true);
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->Size(), 1200u);
    CTerritoryCount here;
    ASSERT_TRUE(here.Update(rows, panel->Data()));
    QStringList expected;
    const QLocale german(QLocale::German);
    for (const CTerritory& t : panel->Data().territories)
        expected << t.name + ": " + german.toString(here.Places().value(t.id));
    expected << "(kein Gebiet): " + german.toString(here.Places().value(0));
    EXPECT_EQ(Lines(panel), expected);
    EXPECT_GT(here.Places().value(0), 0);

    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    view->setFocus();
    Process();
    const auto chosen = [panel] { return panel->Balance()->SelectionText()->text(); };
    EXPECT_TRUE(chosen().startsWith("Gewählt: 1.200 Orte\n")) << qPrintable(chosen());

    // Let go, the lasso is drawn and its places are counted on a worker meanwhile.
    DragLasso(view, 200);
    EXPECT_TRUE(view->LassoCounting());
    EXPECT_EQ(chosen(), "Die Orte im Lasso werden gezählt …");
    Process();
    ASSERT_FALSE(view->LassoCounting());
    QList<quint32> inside;
    for (quint32 k = 0; k < rows->Size(); ++k) {
        if (view->LassoArea().Contains(rows->Coordinates(k).lon, rows->Coordinates(k).lat))
            inside << k;
    }
    ASSERT_GT(inside.size(), 100);
    ASSERT_LT(inside.size(), 1100);
    EXPECT_TRUE(frame->GetMessageText().startsWith(
        GermanNumbers::Amount(inside.size(), "Ort", "Orte") + " im Lasso."))
        << qPrintable(frame->GetMessageText());
    // The selection in row order, the first places named one by one.
    const QStringList selection = chosen().split('\n');
    ASSERT_GE(selection.size(), 2);
    EXPECT_EQ(selection[0], "Gewählt: " + GermanNumbers::Amount(inside.size(), "Ort", "Orte"));
    EXPECT_TRUE(selection[1].startsWith(
        QStringLiteral("DE %1 %2:")
            .arg(QString::fromUtf8(rows->TextOf(inside[0], CGeoPlaceRows::Plz)),
                 QString::fromUtf8(rows->TextOf(inside[0], CGeoPlaceRows::Ort)))))
        << qPrintable(selection[1]);

    // A smaller lasso replaces it; Esc before its count is there takes it away, and the count
    // that comes afterwards changes nothing.
    frame->SetMessageText(QString());
    DragLasso(view, 80);
    ASSERT_TRUE(view->LassoCounting());
    QTest::keyClick(view, Qt::Key_Escape);
    Process();
    EXPECT_TRUE(view->Lasso().isEmpty());
    EXPECT_FALSE(view->LassoCounting());
    EXPECT_EQ(frame->GetMessageText(), QString());
    EXPECT_TRUE(chosen().startsWith("Gewählt: 1.200 Orte\n")) << qPrintable(chosen());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

// "Gebiet zuweisen..." on a lasso before the texts of the places were read: they are read on
// a worker while the window answers, Esc stops that and assigns nothing, and the places
// assigned are those inside the lasso; without a lasso those of the extent, read the same way.
TEST_F(TerritoryLassoTest, AssigningPlacesReadsTheirTextsWhileTheWindowAnswers) {
    Places();
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    view->setFocus();
    DragLasso(view, 200);
    Process();
    ASSERT_FALSE(view->Lasso().isEmpty());
    QStringList inside;
    {
        const std::shared_ptr<const CGeoPlaceRows> rows =
            CGeoPlaceRowsCache::Of(g_GeoDatabase).Cached(true);
        ASSERT_TRUE(rows);
        for (quint32 k = 0; k < rows->Size(); ++k) {
            if (view->LassoArea().Contains(rows->Coordinates(k).lon, rows->Coordinates(k).lat))
                inside << QString::fromUtf8(rows->TextOf(k, CGeoPlaceRows::Plz)) + " " +
                              QString::fromUtf8(rows->TextOf(k, CGeoPlaceRows::Ort));
        }
    }
    ASSERT_GT(inside.size(), 100);
    // As right after the map opened: no rows with texts in memory.
    CGeoPlaceRowsCache::Of(g_GeoDatabase).Clear();

    QStringList asked;
    bool answered = false, answeredBeforeAsking = false;
    CTerritoryPanel::SetAskHook(
        [&](const QString& label, const QStringList&, const QString&) -> std::optional<QString> {
            asked << label;
            answeredBeforeAsking = answered;
            return QString("Ost");
        });
    auto assign = [this] {
        frame->GetActions(ID_TERRITORY_ASSIGN).value(0)->trigger();
        Process();
    };
    QTimer::singleShot(0, view, [view] { QTest::keyClick(view, Qt::Key_Escape); });
    assign();
    EXPECT_TRUE(asked.isEmpty()) << qPrintable(asked.join('\n'));
    EXPECT_FALSE(view->Lasso().isEmpty()) << "the Esc stopped the reading, not the lasso";
    CTerritoryData data;
    ASSERT_TRUE(CTerritoryStore(g_GeoDatabase).Load(&data));
    EXPECT_EQ(data.exceptions.size(), 1);

    QTimer::singleShot(0, view, [&answered] { answered = true; });
    assign();
    CTerritoryPanel::SetAskHook({});
    EXPECT_EQ(asked, QStringList{QStringLiteral("%1 Orte dem Gebiet zuweisen:")
                                     .arg(QLocale(QLocale::German).toString(inside.size()))});
    EXPECT_TRUE(answeredBeforeAsking) << "the texts were read on the GUI thread";
    EXPECT_TRUE(view->Lasso().isEmpty());
    ASSERT_TRUE(CTerritoryStore(g_GeoDatabase).Load(&data));
    const CTerritory* ost = data.FindByName("Ost");
    ASSERT_TRUE(ost);
    QStringList assigned;
    for (const CTerritoryException& e : data.exceptions) {
        if (e.territory == ost->id)
            assigned << QString::fromUtf8(e.plz) + " " + QString::fromUtf8(e.ort);
    }
    assigned.sort();
    inside.sort();
    EXPECT_EQ(assigned, inside);

    // Without a lasso the whole extent, read the same way.
    CGeoPlaceRowsCache::Of(g_GeoDatabase).Clear();
    asked.clear();
    answered = answeredBeforeAsking = false;
    CTerritoryPanel::SetAskHook(
        [&](const QString& label, const QStringList&, const QString&) -> std::optional<QString> {
            asked << label;
            answeredBeforeAsking = answered;
            return std::nullopt;
        });
    QTimer::singleShot(0, view, [&answered] { answered = true; });
    assign();
    CTerritoryPanel::SetAskHook({});
    EXPECT_EQ(asked, QStringList{"1.200 Orte dem Gebiet zuweisen:"});
    EXPECT_TRUE(answeredBeforeAsking) << "the texts were read on the GUI thread";
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

} // namespace
