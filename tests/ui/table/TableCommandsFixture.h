#pragma once

// Table windows with their commands, through the real main window: rows with any fields,
// header clicks, commands as the menu gives them, and modal dialogs acted on while they run.
#include "ui/ShellFixture.h"

#include "base/CommandIds.h"
#include "store/GeoRecordset.h"
#include "ui/table/CListView_Table.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

class TableCommandsFixture : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        // The sort state as at start-up: the first click sorts ascending.
        g_bSortDescending = true;
        g_nSortColumn = 0;
        g_pLastMapView = nullptr;
        g_dSelectedLon = g_dSelectedLat = 0;
        g_strSelectedPlace.clear();
    }

    void TearDown() override {
        g_pLastMapView = nullptr;
        ShellFixture::TearDown();
    }

    using Fields = QMap<int, QString>;

    // Rows with the given fields (by column index); the others, and empty texts, stay
    // without a value.
    static bool InsertFields(const QList<Fields>& rows) {
        CGeoRecordset rs(g_GeoDatabase);
        if (!rs.Open(g_GeoDatabase.Sql().InsertRow(g_GeoDatabase.m_Table)))
            return false;
        for (const Fields& row : rows) {
            QVariantList values;
            for (int i = 1; i < GEO_FIELD_COUNT; ++i)
                values << (row.value(i).isEmpty() ? QVariant() : QVariant(row.value(i)));
            if (!rs.Rebind(values) || !rs.Execute())
                return false;
        }
        return true;
    }

    static CListView_Table* TableOf(CChildFrame* child) {
        return child ? dynamic_cast<CListView_Table*>(child->GetActiveView()) : nullptr;
    }

    // Makes the main frame the active window again (a closed dialog gives it back only a
    // little later) and gives a widget the keyboard focus.
    void Refocus(QWidget* widget) {
        frame->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
        widget->setFocus();
        Process();
    }

    // "Tabelle öffnen" with Ctrl+T; the new window's view.
    CListView_Table* OpenTable() {
        Refocus(frame);
        Key(Qt::Key_T, Qt::ControlModifier);
        return Frames().isEmpty() ? nullptr : TableOf(Frames().last());
    }

    // The rows of TableTestRows::FivePlaces in a new table window; null when that failed.
    CListView_Table* OpenFivePlaces() {
        return Insert(TableTestRows::FivePlaces()) ? OpenTable() : nullptr;
    }

    static QStringList Column(CListView_Table* view, int column) {
        QStringList cells;
        for (int i = 0; i < view->GetModel().RowCount(); ++i)
            cells << view->GetModel().Cell(i, column);
        return cells;
    }

    static QString Title(CListView_Table* view) { return view->GetParentFrame()->windowTitle(); }

    // A click in the middle of a column header.
    static void ClickHeader(CListView_Table* view, int column) {
        QHeaderView* header = view->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        Process();
    }

    // A command as its menu item gives it (the item must be enabled).
    void Command(int id) {
        frame->UpdateCommandUI();
        QAction* action = Action(id);
        ASSERT_TRUE(action);
        ASSERT_TRUE(action->isEnabled()) << id;
        action->trigger();
        Process();
    }

    // Acts on the modal dialog that the next step opens, once it runs. Looks again every
    // 10 ms while there is none, `tries` more times (0: only once, right away).
    static void WhenModal(std::function<void(QWidget*)> act, int tries = 300, int delay = 0) {
        QTimer::singleShot(delay, [act, tries] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                EXPECT_TRUE(QTest::qWaitFor(
                    [dialog] { return QApplication::activeWindow() == dialog->window(); }));
                act(dialog);
            } else if (tries > 0)
                WhenModal(act, tries - 1, 10);
        });
    }

    // Types the path into the file dialog the next step opens and saves; an existing file is
    // replaced as the dialog's question allows.
    static void SaveAs(const QString& path) {
        const bool exists = QFile::exists(path);
        WhenModal([path, exists](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            ASSERT_TRUE(files);
            auto* name = files->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_TRUE(name);
            name->clear();
            QTest::keyClicks(name, path);
            if (exists)
                WhenModal([](QWidget* question) {
                    auto* box = qobject_cast<QMessageBox*>(question);
                    ASSERT_TRUE(box);
                    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
                });
            QTest::keyClick(name, Qt::Key_Return);
        });
    }

    // A point inside a row's Ort cell, in viewport coordinates.
    static QPoint RowPoint(CListView_Table* view, int row) {
        return QPoint(view->columnViewportPosition(GEO_ORT) + 5,
                      view->rowViewportPosition(row) + 3);
    }

    // Makes the row the current one and the only one selected, its Ort cell current.
    static void SelectCurrentRow(CListView_Table* view, int row) {
        view->selectionModel()->setCurrentIndex(view->model()->index(row, GEO_ORT),
                                                QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    }

    static void SelectRows(CListView_Table* view, const QList<int>& rows) {
        view->clearSelection();
        for (int row : rows)
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};
