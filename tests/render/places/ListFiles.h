#pragma once

#include "common/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The shared data imported into dir/Kelvo.mde and the lists make_lists.py writes from it
// (kunden.xlsx, .ods, .csv, kunden_utf8.csv, kunden.tsv, expected.tsv) in dir. Fails the
// current test when a step fails.
inline void MakeListFiles(const QTemporaryDir& dir) {
    const QString db = dir.filePath("Kelvo.mde");
    QStringList args{"import", "--db", db};
    args << TestSupport::SharedGeoNamesFiles();
    ASSERT_EQ(TestSupport::RunCli(args, dir.path()), 0);
    QProcess python;
    python.start("/usr/bin/python3",
                 {KELVO_SOURCE_DIR "/tests/render/places/make_lists.py", db, dir.path()});
    ASSERT_TRUE(python.waitForFinished(120000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
}
