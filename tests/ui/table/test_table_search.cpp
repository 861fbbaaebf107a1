// "Suchen...": the find dialog, the ten-field search through a new table window, its title,
// quotes and pattern characters, cancelling, and the filter shared with kelvo-cli search.
#include "TableCommandsFixture.h"

#include "common/TestSupport.h"
#include "render/table/TableText.h"
#include "ui/table/CDia_Find.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class TableSearchTest : public TableCommandsFixture {
protected:
    // "Suchen..." from the menu with a text typed into the dialog and Enter pressed; returns
    // the view of the new window, or null when no window opened.
    CListView_Table* Search(const QString& text) {
        const int before = int(Frames().size());
        WhenModal([text](QWidget* dialog) {
            auto* find = qobject_cast<CDia_Find*>(dialog);
            if (!find) {
                ADD_FAILURE() << "not the find dialog";
                dialog->close();
                return;
            }
            QTest::keyClicks(find->m_editSearch, text);
            QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        });
        Command(ID_SEARCH);
        EXPECT_TRUE(g_strSearch.isEmpty());
        if (Frames().size() == before)
            return nullptr;
        return TableOf(Frames().last());
    }

    void SetUp() override {
        TableCommandsFixture::SetUp();
        ASSERT_TRUE(InsertFields({
            {{GEO_STAAT, "DE"}, {GEO_PLZ, "10115"}, {GEO_ORT, "Berlin"}, {GEO_LANGENGRAD, "13.4"}},
            {{GEO_STAAT, "DE"}, {GEO_PLZ, "01067"}, {GEO_ORT, "Dresden"}, {GEO_MEMO, "Elbe 101"}},
            {{GEO_STAAT, "AT"}, {GEO_PLZ, "1010"}, {GEO_ORT, "Wien"}, {GEO_LANGENGRAD, "16.37"}},
            {{GEO_STAAT, "CH"},
             {GEO_PLZ, "8001"},
             {GEO_ORT, "Zürich"},
             {GEO_LANGENGRAD, "8.101"},
             {GEO_BREITENGRAD, "47.101"}},
            {{GEO_STAAT, "AT"}, {GEO_PLZ, "1220"}, {GEO_ORT, "Neu Wien"}},
            {{GEO_STAAT, "BE"}, {GEO_PLZ, "1420"}, {GEO_ORT, "Braine-l'Alleud"}},
            {{GEO_STAAT, "BE"}, {GEO_PLZ, "7090"}, {GEO_ORT, "Braine-le-Comte"}},
        }));
    }
};

TEST_F(TableSearchTest, FindDialogLayout) {
    bool seen = false;
    WhenModal([&seen](QWidget* dialog) {
        seen = true;
        auto* find = qobject_cast<CDia_Find*>(dialog);
        ASSERT_TRUE(find);
        EXPECT_EQ(find->windowTitle(), "Daten suchen");
        EXPECT_EQ(find->findChild<QLabel*>()->text(), "Suchen nach:");
        auto* ok = find->findChild<QPushButton*>("1");
        auto* cancel = find->findChild<QPushButton*>("2");
        ASSERT_TRUE(ok && cancel);
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(cancel->text(), "Abbrechen");
        // The edit has the focus; with a text in it, Tab goes to OK, Abbrechen, the
        // spellings check box (off), and back to the edit.
        EXPECT_EQ(QApplication::focusWidget(), find->m_editSearch);
        QTest::keyClicks(find->m_editSearch, "x");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), ok);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), cancel);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), find->m_checkFold);
        EXPECT_FALSE(find->m_checkFold->isChecked());
        EXPECT_EQ(find->m_checkFold->text(), "ä = ae, ö = oe, ü = ue, ß = ss");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), find->m_editSearch);
        // Escape cancels.
        QTest::keyClick(find->m_editSearch, Qt::Key_Escape);
    });
    Command(ID_SEARCH);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(Frames().isEmpty());
}

TEST_F(TableSearchTest, PostalCodeFragmentFindsEveryFieldButTheCoordinates) {
    CListView_Table* view = Search("101");
    ASSERT_TRUE(view);
    // Wien by PLZ 1010, Dresden by its memo, Berlin by PLZ 10115; Zürich has 101 only in its
    // coordinates. Staat, PLZ order.
    EXPECT_EQ(Column(view, GEO_ORT), QStringList({"Wien", "Dresden", "Berlin"}));
    EXPECT_EQ(Title(view), "3 \"101\" in GEO");
    EXPECT_EQ(g_nFoundCount, 3);
    EXPECT_EQ(Frames().last()->size(), QSize(900, 400));
    EXPECT_TRUE(messages.isEmpty());

    // The filter was cleared: "Tabelle öffnen" lists every row again.
    CListView_Table* all = OpenTable();
    ASSERT_TRUE(all);
    EXPECT_EQ(all->GetModel().RowCount(), 7);
}

TEST_F(TableSearchTest, TextsFindTheirRows) {
    struct Case {
        QString text;
        QStringList places;
    };
    const QList<Case> cases{
        {"elbe", {"Dresden"}},                                 // only in the memo, any case
        {" Wien", {"Neu Wien"}},                               // leading space kept
        {"Wien ", {}},                                         // trailing space kept
        {"l'A", {"Braine-l'Alleud"}},                          // a quote finds its row
        {"' OR '1'='1", {}},                                   // and cannot change the filter
        {"Braine-l?", {"Braine-l'Alleud", "Braine-le-Comte"}}, // pattern characters work
        {"4?.101", {}},                                        // the latitude is not searched
    };
    for (const Case& c : cases) {
        CListView_Table* view = Search(c.text);
        ASSERT_TRUE(view) << c.text.toStdString();
        EXPECT_EQ(Column(view, GEO_ORT), c.places) << c.text.toStdString();
        EXPECT_EQ(Title(view), QStringLiteral("%1 \"%2\" in GEO").arg(c.places.size()).arg(c.text));
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(TableSearchTest, FurtherWindowOnAResultListsTheResultInItsOrder) {
    CListView_Table* result = Search("Wien");
    ASSERT_TRUE(result);
    ClickHeader(result, GEO_ORT); // the first click of the run sorts ascending
    ASSERT_EQ(Column(result, GEO_ORT), QStringList({"Neu Wien", "Wien"}));
    QStringList cells = result->GetModel().RowCells(1);
    cells[GEO_MEMO] = "nur im Fenster";
    ASSERT_TRUE(result->GetModel().SetRowCells(1, cells));

    // "Neues Fenster" shows what the document's window shows, not every row of the table.
    Refocus(result);
    Command(ID_WINDOW_NEW);
    ASSERT_EQ(Frames().size(), 2);
    CListView_Table* further = TableOf(Frames().last());
    ASSERT_TRUE(further && further != result);
    EXPECT_EQ(further->GetDocument(), result->GetDocument());
    EXPECT_EQ(Column(further, GEO_ORT), QStringList({"Neu Wien", "Wien"}));
    EXPECT_EQ(further->GetModel().Cell(1, GEO_MEMO), "nur im Fenster");
    EXPECT_EQ(Title(further), "GEO Tabelle (Ort -> AZ):2");
    EXPECT_TRUE(g_strSearch.isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    // Each window keeps its own rows from then on.
    ClickHeader(further, GEO_ORT);
    EXPECT_EQ(Column(further, GEO_ORT), QStringList({"Wien", "Neu Wien"}));
    EXPECT_EQ(Column(result, GEO_ORT), QStringList({"Neu Wien", "Wien"}));
}

TEST_F(TableSearchTest, CancelOpensNothing) {
    WhenModal([](QWidget* dialog) {
        auto* find = qobject_cast<CDia_Find*>(dialog);
        ASSERT_TRUE(find);
        QTest::keyClicks(find->m_editSearch, "Wien");
        find->findChild<QPushButton*>("2")->click();
    });
    Command(ID_SEARCH);
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(g_strSearch.isEmpty());
}

TEST_F(TableSearchTest, MalformedOrEmptyTextOpensNothing) {
    bool stayed = false, okWhileEmpty = true, okWithBlank = false;
    QString kept;
    WhenModal([&](QWidget* dialog) {
        auto* find = qobject_cast<CDia_Find*>(dialog);
        ASSERT_TRUE(find);
        auto* ok = find->findChild<QPushButton*>("1");
        ASSERT_TRUE(ok);
        // Empty: OK is disabled and Enter does nothing; a blank is a text.
        okWhileEmpty = ok->isEnabled();
        QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        QTest::keyClick(find->m_editSearch, Qt::Key_Space);
        okWithBlank = ok->isEnabled();
        QTest::keyClick(find->m_editSearch, Qt::Key_Backspace);
        EXPECT_FALSE(ok->isEnabled());
        // An invalid pattern: the message, and the dialog keeps the text.
        QTest::keyClicks(find->m_editSearch, "[abc");
        QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        stayed = find->isVisible();
        kept = find->m_editSearch->text();
        QTest::keyClick(find->m_editSearch, Qt::Key_Escape);
    });
    Command(ID_SEARCH);
    EXPECT_FALSE(okWhileEmpty);
    EXPECT_TRUE(okWithBlank);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(kept, "[abc");
    EXPECT_TRUE(Frames().isEmpty());
    EXPECT_TRUE(g_strSearch.isEmpty());
    ASSERT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
    EXPECT_EQ(messages[0], "Ungültiges Suchmuster: \"[\" ohne schließendes \"]\" in \"[abc\"");

    // Mended in the dialog, the search runs: "[abc]" is one of a, b, c.
    CListView_Table* view = Search("[z]");
    ASSERT_TRUE(view);
    EXPECT_EQ(Column(view, GEO_ORT), QStringList({"Zürich"}));
}

TEST_F(TableSearchTest, SharedDataGivesWhatKelvoCliSearchGives) {
    KELVO_REQUIRE_SHARED_DATA(data);
    ASSERT_TRUE(ImportSharedData(data));

    QString out;
    ASSERT_EQ(
        TestSupport::RunCli({"search", "--db", g_GeoDatabase.FilePath(), "101"}, dir.path(), &out),
        0);
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 1);
    CListView_Table* view = Search("101");
    ASSERT_TRUE(view);
    EXPECT_EQ(Title(view), lines.last());
    ASSERT_EQ(view->GetModel().RowCount(), lines.size() - 1);
    for (int i = 0; i < view->GetModel().RowCount(); ++i)
        ASSERT_EQ(TableText::CopyLine(view->GetModel().RowCells(i)), lines[i] + "\n") << i;
}

TEST_F(TableSearchTest, SpellingsCheckBoxFoldsAndIsRememberedForTheNextSearch) {
    // Tab to the check box and tick it with the space bar, then search from the edit.
    auto searchWith = [this](const QString& text, bool expectChecked, bool toggle) {
        WhenModal([=](QWidget* dialog) {
            auto* find = qobject_cast<CDia_Find*>(dialog);
            ASSERT_TRUE(find);
            EXPECT_EQ(find->m_checkFold->isChecked(), expectChecked);
            if (toggle)
                QTest::mouseClick(find->m_checkFold, Qt::LeftButton, {},
                                  QPoint(6, find->m_checkFold->height() / 2));
            QTest::keyClicks(find->m_editSearch, text);
            QTest::keyClick(find->m_editSearch, Qt::Key_Return);
        });
        Command(ID_SEARCH);
        return TableOf(Frames().last());
    };
    CListView_Table* folded = searchWith("Zuerich", false, true);
    EXPECT_EQ(Title(folded), "1 \"Zuerich\" in GEO");
    EXPECT_EQ(Column(folded, GEO_ORT), QStringList({"Zürich"}));
    // Still on for the next search; turned off again it finds nothing.
    CListView_Table* plain = searchWith("Zuerich", true, true);
    EXPECT_EQ(Title(plain), "0 \"Zuerich\" in GEO");
    searchWith("x", false, false);
}
