// A table window reads its rows with the tree its opener built and handed beside the text in
// g_strSearch; a text set without a tree is read as before. On a file and on a database of
// the test server.
#include "TableCommandsFixture.h"

#include "common/EngineFixture.h"
#include "render/table/GeoTableModel.h"
#include "render/table/TableFill.h"
#include "store/GeoFilterText.h"
#include "ui/shell/DocTemplate.h"

#include <limits>

class FilterHandOverTest : public TableCommandsFixture,
                           public ::testing::WithParamInterface<Engine> {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        if (GetParam() == Engine::Server) {
            KELVO_REQUIRE_SERVER();
            scratch = std::make_unique<TestServer::CScratchDatabase>();
            g_GeoDatabase.Close();
            ASSERT_TRUE(g_GeoDatabase.Open(scratch->Address()))
                << g_GeoDatabase.OpenError().toStdString();
        }
        ASSERT_TRUE(InsertFields({
            {{GEO_STAAT, "DE"},
             {GEO_PLZ, "52062"},
             {GEO_ORT, "Aachen"},
             {GEO_BREITENGRAD, "50.77"}},
            {{GEO_STAAT, "DE"},
             {GEO_PLZ, "10115"},
             {GEO_ORT, "Berlin"},
             {GEO_BREITENGRAD, "52.53"}},
            {{GEO_STAAT, "DE"}, {GEO_PLZ, "53111"}, {GEO_ORT, "Bonn"}},
            {{GEO_STAAT, "DE"}, {GEO_PLZ, "28195"}, {GEO_ORT, "Bremen"}, {GEO_BREITENGRAD, "x"}},
        }));
    }
    void TearDown() override {
        CListView_Table::ListNextFiltered(std::nullopt);
        TableCommandsFixture::TearDown();
        scratch.reset();
    }

    // A new table window as an opener makes it, with the text in g_strSearch and, when
    // given, the tree handed beside it.
    CListView_Table* OpenWith(const QString& text, std::optional<CGeoFilter> tree = {}) {
        g_strSearch = text;
        if (tree)
            CListView_Table::ListNextFiltered(tree);
        g_nTableIndex = 0;
        g_nChildFrameMode = 1;
        CDocument* doc = theApp.m_pTableTemplate->OpenDocumentFile();
        g_strSearch.clear();
        return doc ? TableOf(Frames().last()) : nullptr;
    }

    // The places the tree gives when read straight from the database.
    static QStringList PlacesOf(const CGeoFilter& tree) {
        CGeoTableModel model;
        FillTableModel(g_GeoDatabase, g_GeoDatabase.m_Table, tree, model, nullptr);
        QStringList places;
        for (int i = 0; i < model.RowCount(); ++i)
            places << model.Cell(i, GEO_ORT);
        return places;
    }

    std::unique_ptr<TestServer::CScratchDatabase> scratch;
};

// "B*" with a latitude below infinity: the text writes the bound as "inf", which reads back
// as a field that does not exist.
static CGeoFilter bPlacesWithALatitude() {
    return GeoFilter::And(
        {GeoFilter::Like(GeoFilter::Field("Ort"), "B*"),
         GeoFilter::Compare(GeoFilter::Number("Breitengrad"), CGeoFilter::Op::Lt,
                            GeoFilter::Value(std::numeric_limits<double>::infinity()))});
}

TEST_P(FilterHandOverTest, TheHandedTreeGivesItsRowsAlsoWhereItsTextReadsBackAsNoFilter) {
    const CGeoFilter tree = bPlacesWithALatitude();
    CGeoFilter read;
    QString error;
    ASSERT_FALSE(GeoFilterText::Parse(g_GeoDatabase.m_Table, tree.Text(), &read, &error));
    ASSERT_EQ(PlacesOf(tree), QStringList{"Berlin"});

    CListView_Table* view = OpenWith(tree.Text(), tree);
    ASSERT_TRUE(view);
    EXPECT_EQ(Column(view, GEO_ORT), QStringList{"Berlin"});
    EXPECT_EQ(g_nFoundCount, 1);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_P(FilterHandOverTest, AHandedTreeServesOneWindowOnlyAndOnlyForItsOwnText) {
    const CGeoFilter tree = bPlacesWithALatitude();
    ASSERT_TRUE(OpenWith(tree.Text(), tree));

    // The same text again without a tree: read back, it is no filter, and the window says so
    // and lists nothing instead of the earlier window's rows.
    CListView_Table* again = OpenWith(tree.Text());
    ASSERT_TRUE(again);
    EXPECT_EQ(again->GetModel().RowCount(), 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Der Filter ist fehlerhaft")) << messages[0].toStdString();

    // A text set directly (as tests and the Parts do) after a tree was handed for another.
    CListView_Table::ListNextFiltered(tree);
    CListView_Table* plain = OpenWith("[Ort] LIKE 'A*' OR [Ort] = 'Bonn'");
    ASSERT_TRUE(plain);
    EXPECT_EQ(Column(plain, GEO_ORT), QStringList({"Aachen", "Bonn"}));

    // ...and the tree is gone with that window: its text reads back again.
    CListView_Table* last = OpenWith(tree.Text());
    ASSERT_TRUE(last);
    EXPECT_EQ(last->GetModel().RowCount(), 0);
    EXPECT_EQ(messages.size(), 2);
}

KELVO_ON_BOTH_ENGINES(FilterHandOverTest);
