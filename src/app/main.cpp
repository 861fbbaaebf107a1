#include "app/Globals.h"
#include "app/KelvoApp.h"
#include "db/GeoDatabase.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

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
