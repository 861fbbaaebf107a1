// "Karte als Poster drucken..." in a map window, filled in as a user does, and the base map
// switch kept across a restart.
#include "ui/MapViewFixture.h"

#include "base/CommandIds.h"
#include "render/basemap/BaseMapData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class MapPosterTest : public MapViewFixture {
protected:
    // Once the poster dialog is up: `fill` sets its fields, then the button with `role` is
    // clicked; `seen` gets what the dialog showed when it came up (paper, width).
    void OnPosterDialog(std::function<void(QDialog*)> fill, QDialogButtonBox::ButtonRole role,
                        QString* seen = nullptr) {
        QTimer::singleShot(0, frame, [=] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            ASSERT_EQ(dialog->objectName(), "PosterDialog");
            if (seen)
                *seen = dialog->findChild<QComboBox*>("paper")->currentText() + " " +
                        QString::number(dialog->findChild<QSpinBox*>("width")->value());
            fill(dialog);
            auto* buttons = dialog->findChild<QDialogButtonBox*>();
            for (QAbstractButton* button : buttons->buttons())
                if (buttons->buttonRole(button) == role)
                    button->click();
        });
    }
};

} // namespace

TEST_F(MapPosterTest, ThePosterGoesToAPdfOnA4PagesAndTheWindowKeepsItsMap) {
    ASSERT_TRUE(InsertRows({Berlin(), Heidelberg(), Wien()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    SizeView(view);
    const QImage before = Shown(view);
    const QString pdf = dir.filePath("poster.pdf");

    // Without a file name the dialog says so and stays open.
    OnPosterDialog(
        [this](QDialog* dialog) {
            dialog->findChild<QRadioButton*>("toPdf")->setChecked(true);
            dialog->findChild<QLineEdit*>("pdfPath")->clear();
            auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            ok->click();
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(messages.value(0), "Bitte den Namen der PDF-Datei angeben.");
        },
        QDialogButtonBox::RejectRole);
    Action(ID_FILE_PRINT_POSTER)->trigger();
    Process();

    OnPosterDialog(
        [&](QDialog* dialog) {
            dialog->findChild<QComboBox*>("paper")->setCurrentText("Eigenes Format");
            dialog->findChild<QSpinBox*>("width")->setValue(500);
            dialog->findChild<QSpinBox*>("height")->setValue(350);
            dialog->findChild<QLineEdit*>("title")->setText("Unser Gebiet");
            dialog->findChild<QCheckBox*>("tiles")->setChecked(true);
            dialog->findChild<QLineEdit*>("pdfPath")->setText(dir.filePath("poster"));
        },
        QDialogButtonBox::AcceptRole);
    Action(ID_FILE_PRINT_POSTER)->trigger();
    Process();
    ASSERT_TRUE(QFileInfo::exists(pdf)) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(
        TestSupport::RunOutput("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+4\\n")));
    const QString first = TestSupport::RunOutput("pdftotext", {"-f", "1", "-l", "1", pdf, "-"});
    EXPECT_TRUE(first.contains("Unser Gebiet")) << qPrintable(first);
    EXPECT_TRUE(first.contains("Seite 1 von 4 · Zeile 1, Spalte 1"));
    const QString all = TestSupport::RunOutput("pdftotext", {pdf, "-"});
    EXPECT_TRUE(all.contains("Postleitzahlen: GeoNames, CC BY 4.0"));
    EXPECT_TRUE(all.contains(" km"));
    // The window shows its map as before, and the mouse finds its places there again.
    EXPECT_EQ(Shown(view), before);
    EXPECT_EQ(view->Canvas().LonLatToPoint(13.4, 52.5), QPoint(558, 192));

    // The dialog offers the paper chosen last; cancelled, nothing is written.
    QFile::remove(pdf);
    QString seen;
    OnPosterDialog([](QDialog*) {}, QDialogButtonBox::RejectRole, &seen);
    Action(ID_FILE_PRINT_POSTER)->trigger();
    Process();
    EXPECT_EQ(seen, "Eigenes Format 500");
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(MapPosterTest, TheBaseMapSwitchedOnStaysOnAfterARestart) {
    if (!CBaseMapData::Shared().IsAvailable())
        GTEST_SKIP() << "Die Grundkarte ist nicht installiert.";
    ASSERT_TRUE(InsertRows({Berlin()}));
    CKelvoView* view = OpenMap();
    ASSERT_TRUE(view);
    EXPECT_FALSE(view->Canvas().m_bShowBaseMap);
    Action(ID_VIEW_BASE_MAP)->trigger();
    Action(ID_VIEW_LEGEND)->trigger();
    Process();
    frame->activateWindow();
    Key(Qt::Key_Q, Qt::ControlModifier);
    theApp.ExitInstance();
    Process();
    ASSERT_TRUE(theApp.InitInstance());
    frame = theApp.GetMainFrame();
    Process();
    view = OpenMap();
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->Canvas().m_bShowBaseMap);
    EXPECT_FALSE(view->Canvas().m_bShowLegend);
    frame->UpdateCommandUI();
    EXPECT_TRUE(Action(ID_VIEW_BASE_MAP)->isChecked());
}
