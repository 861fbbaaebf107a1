// Every input of the fuzz corpora through its target's entry point, as a plain test: an
// input that once broke a target stays in the corpus and keeps the fault fixed. A broken
// check aborts with its text; the input's name is the last one listed before it.
#include "common/CaseTable.h"
#include "store/GeoFilter.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

#include <gtest/gtest.h>

extern "C" int FuzzPlaceFile(const uint8_t* data, size_t size);
extern "C" int FuzzGeoNamesLine(const uint8_t* data, size_t size);
extern "C" int FuzzJetLike(const uint8_t* data, size_t size);
extern "C" int FuzzNumbers(const uint8_t* data, size_t size);
extern "C" int FuzzZipReader(const uint8_t* data, size_t size);
extern "C" int FuzzDownloadAnswer(const uint8_t* data, size_t size);
extern "C" int FuzzFilterText(const uint8_t* data, size_t size);

TEST(FuzzCorpus, EveryInputPassesItsTarget) {
    const struct {
        const char* name;
        int (*target)(const uint8_t*, size_t);
    } targets[] = {{"place_file", FuzzPlaceFile},  {"geonames_line", FuzzGeoNamesLine},
                   {"jet_like", FuzzJetLike},      {"numbers", FuzzNumbers},
                   {"zip_reader", FuzzZipReader},  {"download_answer", FuzzDownloadAnswer},
                   {"filter_text", FuzzFilterText}};
    for (const auto& t : targets) {
        const QDir dir(QStringLiteral(KELVO_FUZZ_CORPUS "/") + QLatin1String(t.name));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        EXPECT_FALSE(files.isEmpty()) << t.name;
        for (const QString& name : files) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
            const QByteArray bytes = file.readAll();
            std::printf("%s/%s\n", t.name, qPrintable(name));
            std::fflush(stdout);
            t.target(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        }
    }
}

// The rows of the case tables are inputs too: a LIKE pattern and its text (split at a NUL),
// a number text, a search text.
TEST(FuzzCorpus, EveryCaseTableRowPassesItsTarget) {
    for (const CaseTable::Row& row : CaseTable::Read("like")) {
        const QByteArray input = row[0] + '\0' + row[1];
        FuzzJetLike(reinterpret_cast<const uint8_t*>(input.constData()), size_t(input.size()));
    }
    for (const CaseTable::Row& row : CaseTable::Read("numbers"))
        FuzzNumbers(reinterpret_cast<const uint8_t*>(row[0].constData()), size_t(row[0].size()));
    // A search text as the filter text of the search, and as a filter text itself.
    for (const CaseTable::Row& row : CaseTable::Read("search")) {
        for (const QByteArray& input : {GeoFilter::Search(row.Text(0)).Text().toUtf8(), row[0]})
            FuzzFilterText(reinterpret_cast<const uint8_t*>(input.constData()),
                           size_t(input.size()));
    }
}
