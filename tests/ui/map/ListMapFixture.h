#pragma once

// The fixture of the tests that open a list of the user's as a map window through the real
// main window.
#include "ui/MapViewFixture.h"

#include "ui/map/TableListDialog.h"

#include <QApplication>
#include <QDate>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>

#include <functional>

class ListMapTest : public MapViewFixture {
protected:
    // Opens the list as "Datei öffnen..." does; the mapping dialog is confirmed with its OK
    // button after `check` has looked at it.
    CKelvoView* OpenList(const QString& path, const std::function<void(CTableListDialog*)>& check) {
        QTimer::singleShot(0, [check] {
            auto* dlg = qobject_cast<CTableListDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dlg);
            check(dlg);
            auto* buttons = dlg->findChild<QDialogButtonBox*>();
            QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
        });
        CDocument* doc = theApp.OpenDocumentFile(path);
        Process();
        return doc ? dynamic_cast<CKelvoView*>(doc->GetFirstView()) : nullptr;
    }

    // A list with a row without place, dated and undated entries and two groups.
    QString WriteCustomers() {
        const QString later = QDate::currentDate().addDays(10).toString("dd.MM.yyyy");
        return TestSupport::WriteFile(dir.filePath("kunden.csv"), ("Land;PLZ;Name;Datum;Gruppe\n"
                                                                   "DE;10115;Berlin;2.1.2020;A\n"
                                                                   "DE;69117;Heidelberg;" +
                                                                   later +
                                                                   ";B\n"
                                                                   "AT;1010;Wien;;A\n"
                                                                   "DE;99999;Nirgends;;A\n")
                                                                      .toUtf8());
    }

    // A workbook with the sheets "Kunden" (Berlin) and "Filialen" (Wien, Heidelberg).
    QString WriteWorkbook(const QString& name) {
        auto row = [](const QByteArray& staat, const QByteArray& plz, const QByteArray& text) {
            QByteArray cells;
            for (const QByteArray& cell : {staat, plz, text})
                cells += "<table:table-cell office:value-type=\"string\"><text:p>" + cell +
                         "</text:p></table:table-cell>";
            return "<table:table-row>" + cells + "</table:table-row>";
        };
        const QByteArray content =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
            "office:version=\"1.2\"><office:body><office:spreadsheet>"
            "<table:table table:name=\"Kunden\">" +
            row("Land", "PLZ", "Name") + row("DE", "10115", "Berlin") +
            "</table:table><table:table table:name=\"Filialen\">" + row("Land", "PLZ", "Name") +
            row("AT", "1010", "Wien") + row("DE", "69117", "Heidelberg") +
            "</table:table></office:spreadsheet></office:body></office:document-content>";
        const QString path = dir.filePath(name);
        TestSupport::WriteZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                     {"content.xml", content}});
        return path;
    }

    // The sub-window of the main window a list's window sits in.
    QMdiSubWindow* SubWindowOf(QWidget* content) const {
        auto* window = content ? qobject_cast<QMdiSubWindow*>(content->parentWidget()) : nullptr;
        return window && frame->MdiArea()->subWindowList().contains(window) ? window : nullptr;
    }

    // Answers the next text dialog with `text` through its OK button; `then` runs before
    // the click (to answer the dialog that may follow).
    static void AnswerTextDialog(const QString& text, QString* shown = nullptr,
                                 std::function<void()> then = {}) {
        QTimer::singleShot(0, [=] {
            auto* dlg = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dlg);
            if (shown)
                *shown = dlg->textValue();
            dlg->findChild<QLineEdit*>()->setText(text);
            if (then)
                then();
            QTest::mouseClick(dlg->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        });
    }
};
