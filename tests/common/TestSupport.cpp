#include "common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace TestSupport {

QString SharedGeoNamesDir() {
    QString dir = qEnvironmentVariable("KELVO_SHARED_DATA");
    if (dir.isEmpty())
        dir = QStringLiteral(KELVO_SOURCE_DIR "/../shared/data");
    dir += QStringLiteral("/geonames");
    return QFileInfo::exists(dir + QStringLiteral("/DE.txt")) ? QDir(dir).absolutePath()
                                                              : QString();
}

QString WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(bytes);
    return path;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int RunCli(const QStringList& args, const QString& workDir, QString* out, QString* err) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.start(QStringLiteral(KELVO_CLI_PATH), args);
    if (!process.waitForFinished(300000))
        return -1;
    if (out)
        *out = QString::fromUtf8(process.readAllStandardOutput());
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QByteArray GeoNamesLine(const QString& country, const QString& plz, const QString& place,
                        const QString& state, const QString& region, const QString& county,
                        const QString& lat, const QString& lon) {
    const QStringList cols{country,   plz,    place,     state, QString(), region,
                           QString(), county, QString(), lat,   lon,       QString()};
    return cols.join(QLatin1Char('\t')).toUtf8() + '\n';
}

QList<UnusableFile> UnusableDatabaseFiles() {
    QByteArray damaged("SQLite format 3\0", 16);
    damaged += QByteArray(4080, '\x5a');
    return {
        {"text", "Staat;PLZ\nDE;10115\n"},
        {"empty", QByteArray()},
        {"jet", QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20) + QByteArray(2028, '\x01')},
        {"damaged", damaged},
    };
}

void DamageMiddlePage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() < 11 * 4096)
        return;
    file.seek(file.size() / 4096 / 2 * 4096);
    file.write(QByteArray(64, '\x7f'));
}

} // namespace TestSupport
