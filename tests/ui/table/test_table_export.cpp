// "Exportieren..." and "Als Ortsdatei speichern..." write on a thread of their own: the window
// answers meanwhile, Esc or a close stops the writing without touching the target, and a
// file left to finish is what writing the rows directly gives, whatever the window does
// meanwhile.
#include "TableCommandsFixture.h"

#include "common/TestSupport.h"
#include "render/export/Export.h"
#include "render/table/TableExport.h"
#include "ui/shell/StatusProgress.h"
#include "ui/table/CDia_Export.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <memory>

class TableExportTest : public TableCommandsFixture {
protected:
    void SetUp() override {
        TableCommandsFixture::SetUp();
        if (!TestSupport::SharedGeoNamesDir().isEmpty()) {
            ASSERT_TRUE(ImportSharedData(TestSupport::SharedGeoNamesDir()));
        }
        ASSERT_TRUE(QDir(dir.path()).mkdir("aus"));
    }

    // Where the exports go, a folder of their own.
    QString Out(const QString& name) const { return dir.filePath("aus/" + name); }

    // "Exportieren..." of all rows in the format of the dialog's button, to `path`.
    void Export(QRadioButton* CDia_Export::*format, const QString& path) {
        WhenModal([format, path](QWidget* dialog) {
            auto* dlg = qobject_cast<CDia_Export*>(dialog);
            ASSERT_TRUE(dlg);
            QTest::mouseClick(dlg->*format, Qt::LeftButton, {}, QPoint(5, 5));
            SaveAs(path);
            QTest::keyClick(dlg, Qt::Key_Return);
        });
        Command(ID_FILE_EXPORT);
    }

    // Runs `command`, and `act` from inside it once the export's bar shows. False when the
    // export was not seen running.
    static bool WhileExporting(const std::function<void()>& command,
                               const std::function<void()>& act) {
        auto state = std::make_shared<int>(0); // 0 waiting, 1 acted, 2 over
        std::function<void()> look = [state, act, &look] {
            if (*state != 0)
                return;
            if (g_StatusProgress.m_wndProgress &&
                g_StatusProgress.m_strCaption == QLatin1String(" Exportieren:")) {
                *state = 1;
                act();
            } else {
                QTimer::singleShot(2, look);
            }
        };
        QTimer::singleShot(0, look);
        command();
        const bool acted = *state == 1;
        *state = 2;
        Process();
        return acted;
    }

    // What writing the rows straight from the model gives.
    QByteArray Direct(const CGeoTableModel& model, Export::Format format,
                      const QList<int>& rows = {}) {
        const QString path = dir.filePath("direkt");
        const Export::CResult result =
            Export::WriteFile(path, format, TableExportRows(model, rows));
        EXPECT_TRUE(result.strError.isEmpty()) << result.strError.toStdString();
        const QByteArray bytes = TestSupport::ReadFile(path);
        QFile::remove(path);
        return bytes;
    }

    QStringList Files() const { return QDir(Out("")).entryList(QDir::Files); }

    // A file with something in it that an export would replace.
    void WriteOld(const QString& path) {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("die alte Datei\n");
    }

    // Nothing of a stopped export is left: no bar, no cursor, no caption, no note.
    void ExpectNothingLeft() {
        EXPECT_FALSE(g_StatusProgress.m_wndProgress);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(frame->GetMessageText(), QString());
        EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    }
};

TEST_F(TableExportTest, TheWindowTakesKeysWhileItExportsAndEscOrACloseLeavesTheFileAsItWas) {
    KELVO_REQUIRE_SHARED_DATA(data);
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetModel().RowCount(), 49568);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowPoint(view, 0));
    ASSERT_EQ(view->currentIndex().row(), 0);
    const QString target = Out("orte.geojson");
    WriteOld(target);

    int rowWhileExporting = -1;
    bool busyCursor = false, runningAfterKey = false;
    QString paneWhileExporting;
    const bool seen =
        WhileExporting([&] { Export(&CDia_Export::m_radioGeoJson, target); },
                       [&] {
                           busyCursor = QApplication::overrideCursor() &&
                                        QApplication::overrideCursor()->shape() == Qt::BusyCursor;
                           QTest::keyClick(view, Qt::Key_Down);
                           rowWhileExporting = view->currentIndex().row();
                           paneWhileExporting = frame->GetMessageText();
                           // The key was taken while the rows were still being written.
                           runningAfterKey = g_StatusProgress.m_wndProgress &&
                                             TestSupport::ReadFile(target) == "die alte Datei\n";
                           QTest::keyClick(view, Qt::Key_Escape);
                       });
    ASSERT_TRUE(seen);
    EXPECT_EQ(rowWhileExporting, 1);
    EXPECT_EQ(paneWhileExporting, " Exportieren:"); // the caption stays
    EXPECT_TRUE(busyCursor);
    EXPECT_TRUE(runningAfterKey);
    EXPECT_EQ(TestSupport::ReadFile(target), "die alte Datei\n");
    EXPECT_EQ(Files(), QStringList({"orte.geojson"})); // no half-written copy beside it
    ExpectNothingLeft();

    // Closing the window stops the writing the same way, and the window goes.
    const qsizetype frames = Frames().size();
    ASSERT_TRUE(WhileExporting([&] { Export(&CDia_Export::m_radioGeoJson, target); },
                               [view] { view->GetParentFrame()->close(); }));
    Process();
    EXPECT_EQ(Frames().size(), frames - 1);
    EXPECT_EQ(TestSupport::ReadFile(target), "die alte Datei\n");
    EXPECT_EQ(Files(), QStringList({"orte.geojson"}));
    ExpectNothingLeft();
}

TEST_F(TableExportTest, AFinishedExportIsWhatTheRowsGiveDirectlyWhateverTheWindowDoesMeanwhile) {
    KELVO_REQUIRE_SHARED_DATA(data);
    CListView_Table* view = OpenTable();
    ASSERT_TRUE(view);
    ASSERT_EQ(view->GetModel().RowCount(), 49568);
    ClickHeader(view, GEO_PLZ);

    // Each format is written over an earlier file while a click sorts the window anew: the
    // file has the rows in the order they had when the command was given.
    int clicks = 0;
    for (auto [button, format, name] :
         {std::tuple{&CDia_Export::m_radioGeoJson, Export::Format::GeoJson, "orte.geojson"},
          std::tuple{&CDia_Export::m_radioKml, Export::Format::Kml, "orte.kml"},
          std::tuple{&CDia_Export::m_radioCsv, Export::Format::Csv, "orte.csv"}}) {
        const QString path = Out(name);
        WriteOld(path);
        const QByteArray expected = Direct(view->GetModel(), format);
        ASSERT_GT(expected.size(), 1000000);
        const QString firstBefore = view->GetModel().Cell(0, GEO_ID);
        WhileExporting([&] { Export(button, path); },
                       [&] { ClickHeader(view, ++clicks % 2 ? GEO_ORT : GEO_PLZ); });
        EXPECT_NE(view->GetModel().Cell(0, GEO_ID), firstBefore) << name; // it did sort
        EXPECT_TRUE(TestSupport::ReadFile(path) == expected) << name;
        EXPECT_EQ(frame->GetMessageText(), QStringLiteral("49568 Zeilen nach \"%1\" geschrieben.")
                                               .arg(QDir::toNativeSeparators(path)));
    }

    // The place file of the selected rows, in the order they are selected in.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    const QList<int> selected = view->SelectedRows();
    ASSERT_EQ(selected.size(), 49568);
    const QByteArray expected = Direct(view->GetModel(), Export::Format::Places, selected);
    const QString path = Out("orte.txt");
    SaveAs(path);
    WhileExporting([&] { Command(ID_FILE_SAVE_PLACES); }, [&] { ClickHeader(view, GEO_ORT); });
    EXPECT_TRUE(TestSupport::ReadFile(path) == expected);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}
