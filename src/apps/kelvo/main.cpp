#include "store/GeoDatabase.h"
#include "store/LeftoverFiles.h"
#include "ui/shell/DataDir.h"
#include "ui/shell/Globals.h"
#include "ui/shell/KelvoApp.h"
#include "ui/shell/MessageBox.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // A kill leaves no temporary files behind; those of an earlier hard kill go now.
    LeftoverFiles::InstallSignalHandlers();
    LeftoverFiles::RemoveStaleDownloads();
    // Desktops find the menu entry, and with it the icon, of the program's windows by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("de.arnvik.Kelvo"));

    // "--data-dir [DIR]" starts the program in another folder, so that the database is found
    // there; a folder that cannot be used ends the program before anything is created.
    const QString dataDir = DataDir::Requested(QCoreApplication::arguments());
    QString error;
    if (!dataDir.isEmpty() && !DataDir::Enter(dataDir, &error)) {
        KelvoMessageBox(error);
        return 1;
    }

    // The database is opened before the application starts up. A file that cannot be used
    // is reported; the program goes on, and its windows show no rows.
    CKelvoApp::OpenStartupDatabase();

    if (!theApp.InitInstance())
        return 1;
    const int status = app.exec();
    theApp.ExitInstance();
    g_GeoDatabase.Close();
    return status;
}
