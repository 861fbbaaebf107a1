// import-bench [--append] DB FILE...: the program's importer on its own, for bench/run. Imports
// the files into the existing database as kelvo-cli does (a refresh unless --append), timed
// from opening the database to the commit; prints "import<TAB>ms", "rows<TAB>n" and
// "peak-rss-kb<TAB>kb", as the C reference does.
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

namespace {

long peakRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool append = args.removeAll(QStringLiteral("--append")) > 0;
    if (args.size() < 2) {
        std::fprintf(stderr, "Aufruf: import-bench [--append] DATENBANK DATEI...\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    CGeoDatabase db;
    if (!db.Open(args.takeFirst())) {
        std::fprintf(stderr, "%s\n", qPrintable(db.OpenError()));
        return 1;
    }
    CGeoImporter importer(db);
    importer.SetAppend(append);
    const CGeoImporter::Result result = importer.Run(args);
    db.Close();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(result.fatal));
        return 1;
    }
    int rows = 0;
    for (const CGeoImporter::FileResult& file : result.files)
        rows += file.imported;
    std::printf("import\t%.1f\nrows\t%d\npeak-rss-kb\t%ld\n", ms, rows, peakRssKb());
    return 0;
}
