#pragma once

#include "common/ServerSupport.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class CGeoDatabase;

#include <gtest/gtest.h>

// Database tests with one body for both engines: each case runs on the SQLite file and on a
// database of the test server (skipped when there is none).
enum class Engine { File, Server };

class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override;

    bool OnServer() const { return GetParam() == Engine::Server; }
    // A new, empty database of the engine: Kelvo.mde in a temporary folder, or a new database
    // on the test server.
    QString EmptyDatabase();
    // The shared GeoNames data: imported into a file, or the shared database of the server.
    // Empty when the data is absent (the caller skips).
    QString SharedDatabase();
    // Opens a new, empty database of the engine (EmptyDatabase) in db; its address goes to
    // m_strAddress.
    void OpenEmpty(CGeoDatabase& db);
    // OpenEmpty, then the GeoNames lines imported as "0.txt".
    void OpenWithPlaces(CGeoDatabase& db, const QByteArray& lines);

    QTemporaryDir m_dir;
    QString m_strAddress;
    std::unique_ptr<TestServer::CScratchDatabase> m_pScratch;
};

// The shared GeoNames data imported into Shared.mde in a folder; empty without the data.
QString SharedFile(const QString& dir);

std::string EngineName(const ::testing::TestParamInfo<Engine>& info);

#define KELVO_ON_BOTH_ENGINES(Suite)                                                               \
    INSTANTIATE_TEST_SUITE_P(Engine, Suite, ::testing::Values(Engine::File, Engine::Server),       \
                             EngineName)
