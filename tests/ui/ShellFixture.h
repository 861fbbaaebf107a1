#pragma once

// A started program for widget tests: the database in a temporary folder, the application
// started (templates, main frame shown and active), messages captured, settings empty.
#include "common/TestSupport.h"
#include "render/map/MapDrawJob.h"
#include "render/table/TableTestRows.h"
#include "store/GeoDatabase.h"
#include "ui/shell/ChildFrame.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"
#include "ui/shell/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // Settings of this test only: cases run side by side in processes of their own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
        QSettings(QStringLiteral("Arnvik"), QStringLiteral("Kelvo")).clear();
        ASSERT_TRUE(g_GeoDatabase.Open(dir.filePath("Kelvo.mde")));
        g_strSearch.clear();
        g_nTableIndex = 0;
        g_nChildFrameMode = 0;
        g_nFoundCount = 0;
        // The map switches a session keeps for its next windows.
        g_bNextShowNames = false;
        g_bNextKeepAspect = false;
        SetMessageBoxHook([this](const QString& text) { messages << text; });
        ASSERT_TRUE(theApp.InitInstance());
        frame = theApp.GetMainFrame();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    }

    void TearDown() override {
        theApp.ExitInstance();
        Process();
        SetMessageBoxHook({});
        g_GeoDatabase.Close();
    }

    // Lets deferred deletions and posted events run.
    // Maps drawn on threads of their own are waited for, so that their pictures are shown.
    static void Process() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        while (CMapDrawJob::Running() > 0) {
            QThread::msleep(1);
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A key as the user types it, to the widget with the focus.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : frame;
        QTest::keyClick(target, key, modifiers);
        Process();
    }

    // The document windows still open, in creation order.
    QList<CChildFrame*> Frames() const {
        QList<CChildFrame*> frames;
        for (QMdiSubWindow* window : frame->MdiArea()->subWindowList()) {
            auto* child = qobject_cast<CChildFrame*>(window);
            if (child && child->isVisible())
                frames << child;
        }
        return frames;
    }

    // The action of a command in a menu (or the first one standing for it).
    QAction* Action(int id) const {
        const QList<QAction*> actions = frame->GetActions(id);
        return actions.isEmpty() ? nullptr : actions.first();
    }

    // The items of a menu: texts, "-" for a separator.
    static QStringList Items(const QMenu* menu) {
        QStringList items;
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator())
                items << QStringLiteral("-");
            else if (action->isVisible())
                items << action->text();
        }
        return items;
    }

    // Imports the shared GeoNames files into the program's open database.
    ::testing::AssertionResult ImportSharedData(const QString& data) {
        QStringList args{"import", "--db", g_GeoDatabase.FilePath()};
        for (const char* name : {"DE", "AT", "CH", "BE", "LI"})
            args << data + "/" + QString::fromLatin1(name) + ".txt";
        QString err;
        if (TestSupport::RunCli(args, dir.path(), nullptr, &err) != 0)
            return ::testing::AssertionFailure() << err.toStdString();
        return ::testing::AssertionSuccess();
    }

    bool Insert(const QList<TableTestRows::Place>& places) {
        return TableTestRows::Insert(g_GeoDatabase, places);
    }

    QTemporaryDir dir;
    CMainFrame* frame = nullptr;
    QStringList messages;
};
