#include "common/ServerSupport.h"

#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/DbLocation.h"
#include "store/GeoBackend.h"
#include "store/GeoDatabase.h"
#include "store/postgres/PgBackend.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace TestServer {

namespace {

std::unique_ptr<CPgBackend> connect(const QString& address, QString* error) {
    CDbLocation location;
    if (!CDbLocation::Parse(address, &location, error))
        return nullptr;
    return CPgBackend::Connect(location, error);
}

QString run(CPgBackend& server, const QString& sql) {
    const std::unique_ptr<CGeoStatement> statement = server.Prepare(sql);
    statement->Run();
    return statement->Error();
}

} // namespace

QString Address() {
    return qEnvironmentVariable("KELVO_TEST_PG");
}

QString AddressOf(const QString& database) {
    const QString address = Address();
    return address.left(address.lastIndexOf(QLatin1Char('/')) + 1) + database;
}

QString Run(const QString& address, const QString& sql) {
    QString error;
    const std::unique_ptr<CPgBackend> server = connect(address, &error);
    return server ? run(*server, sql) : error;
}

CScratchDatabase::CScratchDatabase() {
    m_strName = QStringLiteral("kelvo_t%1_%2")
                    .arg(QCoreApplication::applicationPid())
                    .arg(QRandomGenerator::global()->generate());
    m_strAddress = AddressOf(m_strName);
    const QString error =
        Run(TestServer::Address(), QStringLiteral("CREATE DATABASE %1").arg(m_strName));
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
}

CScratchDatabase::~CScratchDatabase() {
    Run(TestServer::Address(),
        QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_strName));
}

QString SharedDatabase() {
    static QString made;
    const QString data = TestSupport::SharedGeoNamesDir();
    if (!made.isEmpty() || Address().isEmpty() || data.isEmpty())
        return made;
    const QStringList files = TestSupport::SharedGeoNamesFiles();
    QByteArray sizes;
    for (const QString& file : files)
        sizes += QByteArray::number(QFileInfo(file).size()) + ',';
    const QString name = QStringLiteral("kelvo_shared_") +
                         QCryptographicHash::hash(sizes, QCryptographicHash::Md5).toHex().left(8);

    QString error;
    const std::unique_ptr<CPgBackend> admin = connect(Address(), &error);
    if (!admin) {
        ADD_FAILURE() << error.toStdString();
        return made;
    }
    // One test program makes the database while the others wait for it.
    run(*admin, QStringLiteral("SELECT pg_advisory_lock(4711)"));
    const std::unique_ptr<CGeoStatement> exists =
        admin->Prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(name));
    if (!exists->Step()) {
        const QString part = name + QStringLiteral("_part");
        run(*admin, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(part));
        error = run(*admin, QStringLiteral("CREATE DATABASE %1").arg(part));
        if (error.isEmpty()) {
            CGeoDatabase db;
            if (db.Open(AddressOf(part))) {
                const CGeoImporter::Result result = CGeoImporter(db).Run(files);
                error = result.fatal;
            } else {
                error = db.OpenError();
            }
        }
        if (error.isEmpty())
            error = run(*admin, QStringLiteral("ALTER DATABASE %1 RENAME TO %2").arg(part, name));
    }
    exists.get()->Run();
    run(*admin, QStringLiteral("SELECT pg_advisory_unlock(4711)"));
    if (error.isEmpty())
        made = AddressOf(name);
    else
        ADD_FAILURE() << "shared data on the server: " << error.toStdString();
    return made;
}

} // namespace TestServer
