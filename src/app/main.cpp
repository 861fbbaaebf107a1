#include "app/Globals.h"
#include "app/MessageBox.h"
#include "db/GeoDatabase.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);

    // The database is opened before any window exists.
    if (!g_GeoDatabase.Open())
        KelvoMessageBox(g_GeoDatabase.OpenError());

    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("Kelvo"));
    frame.resize(1000, 700);
    frame.show();
    const int status = app.exec();
    g_GeoDatabase.Close();
    return status;
}
