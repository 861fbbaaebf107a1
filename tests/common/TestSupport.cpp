#include "common/TestSupport.h"

#include "store/sqlite/SqliteBackend.h"

#include "store/GeoDatabase.h"
#include "store/GeoRecordset.h"
#include "store/GeoSqlDialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <archive.h>
#include <archive_entry.h>

namespace TestSupport {

sqlite3* SqliteHandle(CGeoDatabase& db) {
    auto* file = dynamic_cast<CSqliteBackend*>(db.Backend());
    return file ? file->Handle() : nullptr;
}

QString SharedGeoNamesDir() {
    QString dir = qEnvironmentVariable("KELVO_SHARED_DATA");
    if (dir.isEmpty())
        dir = QStringLiteral(KELVO_SOURCE_DIR "/../shared/data");
    dir += QStringLiteral("/geonames");
    return QFileInfo::exists(dir + QStringLiteral("/DE.txt")) ? QDir(dir).absolutePath()
                                                              : QString();
}

QStringList SharedGeoNamesFiles() {
    QStringList files;
    const QString dir = SharedGeoNamesDir();
    for (const char* country : {"DE", "AT", "CH", "BE", "LI"})
        files << QDir(dir).filePath(QString::fromLatin1(country) + QStringLiteral(".txt"));
    return dir.isEmpty() ? QStringList() : files;
}

QString InsertRows(CGeoDatabase& db, const QList<int>& fields, const QList<QStringList>& rows) {
    CGeoRecordset rs(db);
    if (!rs.Open(db.Sql().InsertRow(db.m_Table)))
        return rs.Error();
    for (const QStringList& row : rows) {
        QVariantList values(db.m_Table.m_nFields - 1); // every field but the key, in order
        for (int i = 0; i < fields.size(); ++i) {
            if (!row.value(i).isEmpty())
                values[fields[i] - 1] = row.value(i);
        }
        if (!rs.Rebind(values) || !rs.Execute())
            return rs.Error();
    }
    return QString();
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

QString RunOutput(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
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

QByteArray NumberedPlaces(int count, int year) {
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += GeoNamesLine("DE", QString::number(100000 + i), QStringLiteral("Ort %1").arg(i),
                              "Land", "", "", QString::number(50 + year * 1e-4, 'f', 4), "10.1");
    return lines;
}

QStringList RowsByCountry(const QString& dbPath) {
    CGeoDatabase db;
    QStringList counts;
    if (!db.Open(dbPath))
        return {db.OpenError()};
    CGeoRecordset rs(db);
    if (!rs.Open(QStringLiteral("SELECT Staat, COUNT(*) FROM GEO GROUP BY Staat ORDER BY Staat")))
        return {rs.Error()};
    while (rs.MoveNext())
        counts << rs.FieldText(0) + QLatin1Char('=') + rs.FieldText(1);
    return counts;
}

QString WriteZip(const QString& path, const QList<QPair<QString, QByteArray>>& files) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    archive* zip = archive_write_new();
    archive_write_set_format_zip(zip);
    bool ok = archive_write_open_filename(zip, QFile::encodeName(path).constData()) == ARCHIVE_OK;
    for (const auto& [name, bytes] : files) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, name.toUtf8().constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, bytes.size());
        ok = ok && archive_write_header(zip, entry) == ARCHIVE_OK &&
             archive_write_data(zip, bytes.constData(), size_t(bytes.size())) == bytes.size();
        archive_entry_free(entry);
    }
    ok = archive_write_close(zip) == ARCHIVE_OK && ok;
    archive_write_free(zip);
    return ok ? path : QString();
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
