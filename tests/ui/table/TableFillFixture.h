#pragma once

// Table windows whose rows are read and sorted on threads of their own: acting from inside
// a fill or a sort, as a person does while it runs, on the file and on the server.
#include "TableCommandsFixture.h"

#include "common/ServerSupport.h"
#include "common/TestSupport.h"
#include "ui/shell/StatusProgress.h"
#include "ui/table/CDia_Find.h"
#include "ui/table/CDia_Radius.h"

#include <QHeaderView>
#include <QProgressBar>

#include <functional>

class TableFillTest : public TableCommandsFixture {
protected:
    // Runs `act` once the window being filled shows its first rows, from inside the fill.
    static void WhileFilling(std::function<void(CListView_Table*)> act, int tries = 10000) {
        QTimer::singleShot(1, [act, tries] {
            for (QWidget* widget : QApplication::allWidgets()) {
                auto* view = dynamic_cast<CListView_Table*>(widget);
                if (view && view->IsFilling() && view->GetModel().RowCount() > 0) {
                    act(view);
                    return;
                }
            }
            if (tries > 0)
                WhileFilling(act, tries - 1);
            else
                ADD_FAILURE() << "no window filling";
        });
    }

    // The same for a window that shows no row before all are in (a search, a radius search).
    static void WhileFillingEmpty(std::function<void(CListView_Table*)> act, int tries = 10000) {
        QTimer::singleShot(1, [act, tries] {
            for (QWidget* widget : QApplication::allWidgets()) {
                auto* view = dynamic_cast<CListView_Table*>(widget);
                if (view && view->IsFilling() && view->isVisible()) {
                    act(view);
                    return;
                }
            }
            if (tries > 0)
                WhileFillingEmpty(act, tries - 1);
            else
                ADD_FAILURE() << "no window filling";
        });
    }

    // Runs `act` from inside the sort the next header click starts, before its order is in.
    static void WhileSorting(CListView_Table* view, std::function<void()> act, int tries = 100) {
        QTimer::singleShot(0, [view, act, tries] {
            if (view->IsSorting())
                act();
            else if (tries > 0)
                WhileSorting(view, act, tries - 1);
            else
                ADD_FAILURE() << "no sort";
        });
    }

    static QList<QStringList> Rows(const CGeoTableModel& model) {
        QList<QStringList> rows;
        for (int i = 0; i < model.RowCount(); ++i)
            rows << model.RowCells(i);
        return rows;
    }

    // The window is gone, and nothing of the command is left on the screen.
    void ExpectNothingLeft(int framesBefore) {
        Process();
        EXPECT_EQ(Frames().size(), framesBefore);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_FALSE(g_StatusProgress.m_wndProgress);
    }
};

// On the file (false) or on the server (true).
class TableFillResultTest : public TableFillTest, public ::testing::WithParamInterface<bool> {
protected:
    // The shared rows on the file, or on the server.
    // (The caller skips the server case when there is none.)
    void OpenEngine(const QString& data) {
        if (GetParam()) {
            const QString address = TestServer::SharedDatabase();
            ASSERT_FALSE(address.isEmpty());
            g_GeoDatabase.Close();
            ASSERT_TRUE(g_GeoDatabase.Open(address)) << g_GeoDatabase.OpenError().toStdString();
        } else {
            ASSERT_TRUE(ImportSharedData(data));
        }
    }

    void Search(const QString& text) {
        WhenModal([text](QWidget* dialog) {
            auto* find = qobject_cast<CDia_Find*>(dialog);
            ASSERT_TRUE(find);
            QTest::keyClicks(find->m_editSearch, text);
            QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        });
        Command(ID_SEARCH);
    }

    void RadiusSearch(const QString& centre, const QString& km) {
        WhenModal([centre, km](QWidget* dialog) {
            auto* radius = qobject_cast<CDia_Radius*>(dialog);
            ASSERT_TRUE(radius);
            radius->m_editCentre->setText(centre);
            radius->m_editRadius->setText(km);
            QTest::keyClick(radius->m_editRadius, Qt::Key_Return);
        });
        Command(ID_RADIUS_SEARCH);
    }

    bool RefreshEnabled() {
        frame->UpdateCommandUI();
        return Action(ID_VIEW_REFRESH) && Action(ID_VIEW_REFRESH)->isEnabled();
    }
};
