// The current row of a table window as the user makes it with the mouse and the keyboard:
// the status pane, Enter, the double-click and "Datensatz..." all take the row clicked or
// moved to last, and a memo typed there is stored on that row. A window without rows opens
// no record.
#include "TableCommandsFixture.h"

#include "ui/table/CDia_Record.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

class CurrentRowTest : public TableCommandsFixture {
protected:
    // Rows in the window: 0 AT Wien (key 2), 1 CH Zürich (5), 2 DE Dresden (4),
    // 3 DE Berlin (1), 4 FL Vaduz (3).
    void SetUp() override {
        TableCommandsFixture::SetUp();
        view = OpenFivePlaces();
        ASSERT_TRUE(view);
        Refocus(view);
    }

    void Click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, RowPoint(view, row));
        Process();
    }

    // The Ort of the record dialog that `step` opens (cancelled at once), or "" for none.
    // With `expected` false only the step itself is watched.
    QString RecordOpenedBy(const std::function<void()>& step, bool expected = true) {
        auto shown = std::make_shared<QString>();
        WhenModal(
            [shown](QWidget* dialog) {
                if (auto* record = qobject_cast<CDia_Record*>(dialog))
                    *shown = record->m_aEdit[GEO_ORT - 1]->text();
                dialog->close();
            },
            expected ? 300 : 0);
        step();
        Process();
        Refocus(view);
        return *shown;
    }

    // What Enter, "Datensatz..." and a double-click on the current row open.
    void ExpectRecordOfCurrentRow(const QString& ort) {
        const int row = view->currentIndex().row();
        EXPECT_EQ(RecordOpenedBy([this] { Key(Qt::Key_Return); }), ort);
        EXPECT_EQ(RecordOpenedBy([this] { Command(ID_RECORD_EDIT); }), ort);
        EXPECT_EQ(RecordOpenedBy([this, row] {
                      QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, row));
                  }),
                  ort);
    }

    QString Status() const { return frame->GetMessageText(); }

    CListView_Table* view = nullptr;
};

TEST_F(CurrentRowTest, TheClickedOrFocusedRowIsCurrent) {
    // A click into all rows selected: the clicked row, not the end of the selection.
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Status(), " Datensatz:      5 /      5");
    Click(2);
    EXPECT_EQ(Status(), " Datensatz:      3 /      5");
    ExpectRecordOfCurrentRow("Dresden");

    // A Shift-click upwards: the row clicked last.
    Click(4);
    Click(1, Qt::ShiftModifier);
    EXPECT_EQ(Status(), " Datensatz:      2 /      5");
    ExpectRecordOfCurrentRow("Zürich");

    // Shift+Down and back up: the row the focus stands on.
    Click(1);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Status(), " Datensatz:      3 /      5");
    Key(Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Status(), " Datensatz:      2 /      5");
    ExpectRecordOfCurrentRow("Zürich");

    // Ctrl-click on a selected row deselects it and still makes it current.
    Click(3, Qt::ControlModifier);
    Click(3, Qt::ControlModifier);
    EXPECT_EQ(Status(), " Datensatz:      4 /      5");
    ExpectRecordOfCurrentRow("Berlin");

    // After a sort the record stays current where it went: Dresden moves to row 1.
    Click(2);
    ClickHeader(view, GEO_ORT); // Berlin, Dresden, Vaduz, Wien, Zürich
    Refocus(view);
    EXPECT_EQ(view->m_nCurrentRow, 1);
    ExpectRecordOfCurrentRow("Dresden");
}

TEST_F(CurrentRowTest, AMemoIsStoredOnTheRowTheUserPicked) {
    Key(Qt::Key_A, Qt::ControlModifier);
    Click(2); // Dresden, key 4
    WhenModal([](QWidget* dialog) {
        auto* record = qobject_cast<CDia_Record*>(dialog);
        if (!record) {
            dialog->close();
            return;
        }
        QTest::keyClick(record->m_editMemo, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(record->m_editMemo, "Elbe"); // over the blank of an empty memo
        record->m_btnOK->click();
    });
    Key(Qt::Key_Return);
    Process();
    CGeoRecordset rs(g_GeoDatabase);
    ASSERT_TRUE(rs.Open("SELECT ID_Geo, Memo FROM GEO ORDER BY ID_Geo"));
    QStringList memos;
    while (rs.MoveNext())
        memos << rs.FieldText(1);
    EXPECT_EQ(memos, QStringList({"", "Innere Stadt", "", "Elbe", ""}));
    EXPECT_EQ(view->GetModel().Cell(2, GEO_MEMO), "Elbe");
}

TEST_F(CurrentRowTest, AWindowWithoutRowsOpensNoRecord) {
    ASSERT_TRUE(g_GeoDatabase.Execute("DELETE FROM GEO"));
    view = OpenTable();
    ASSERT_TRUE(view);
    Refocus(view);
    frame->UpdateCommandUI();
    EXPECT_FALSE(Action(ID_RECORD_EDIT)->isEnabled());
    EXPECT_EQ(RecordOpenedBy([this] { Key(Qt::Key_Return); }, false), "");
    EXPECT_EQ(
        RecordOpenedBy(
            [this] { QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, QPoint(50, 10)); },
            false),
        "");
    EXPECT_TRUE(messages.isEmpty());
}
