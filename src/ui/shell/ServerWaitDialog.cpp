#include "ui/shell/ServerWaitDialog.h"

#include "store/GeoDatabase.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MainFrame.h"

#include <QApplication>
#include <QPointer>
#include <QProgressDialog>

namespace ServerWaitDialog {

namespace {
QPointer<QProgressDialog> g_dialog;
} // namespace

bool GiveUp(int elapsedMs) {
    if (elapsedMs < kShowAfterMs)
        return false;
    if (!g_dialog) {
        g_dialog = new QProgressDialog(theApp.GetMainFrame());
        g_dialog->setObjectName(QStringLiteral("ServerWait"));
        g_dialog->setWindowTitle(QStringLiteral("Kelvo"));
        g_dialog->setCancelButtonText(QStringLiteral("Abbrechen"));
        g_dialog->setRange(0, 0);
        g_dialog->setMinimumDuration(0);
        g_dialog->setAutoClose(false);
        g_dialog->setAutoReset(false);
        g_dialog->setWindowModality(Qt::ApplicationModal);
        g_dialog->show();
        // An arrow with the hourglass: the button can be clicked.
        QApplication::changeOverrideCursor(Qt::BusyCursor);
    }
    g_dialog->setLabelText(QStringLiteral("Warte auf den Datenbankserver %1 … (%2 s)\n\n"
                                          "Abbrechen beendet den Vorgang; halb gespeichert wird "
                                          "nichts.")
                               .arg(g_GeoDatabase.Server())
                               .arg(elapsedMs / 1000));
    QCoreApplication::processEvents();
    return g_dialog && g_dialog->wasCanceled();
}

void Close() {
    delete g_dialog;
}

} // namespace ServerWaitDialog
