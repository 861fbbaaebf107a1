// kelvo-cli memo, and an office at work on one server: twenty programs at once searching,
// saving memos over each other and refreshing the country, for about a minute.
#include "common/EngineFixture.h"
#include "common/TestSupport.h"
#include "data/GeoImport.h"
#include "store/GeoDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QSet>

#include <cstdio>
#include <memory>

#include <gtest/gtest.h>

namespace {

constexpr int kPlaces = 5000;

QByteArray places(int year) {
    return TestSupport::NumberedPlaces(kPlaces, year);
}

class OfficeTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        OpenWithPlaces(m_db, places(0));
    }
    int memo(const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
        return TestSupport::RunCli(QStringList{"memo", args[0], "--db", m_strAddress} + args.mid(1),
                                   m_dir.path(), out, err);
    }

    CGeoDatabase m_db;
};

} // namespace

KELVO_ON_BOTH_ENGINES(OfficeTest);

TEST_P(OfficeTest, MemoGetAndSetWriteOnlyOverTheMemoSeen) {
    QString out, err;
    EXPECT_EQ(memo({"get", "DE 100007"}, &out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(memo({"set", "de 100007 ort 7", "Kunde abc"}), 0);
    EXPECT_EQ(memo({"get", "DE 100007 Ort 7"}, &out), 0);
    EXPECT_EQ(out, "Kunde abc\n");
    // Written over what the caller saw only; a change of case counts.
    EXPECT_EQ(memo({"set", "--expect", "", "DE 100007", "Neu"}, &out, &err), 2);
    EXPECT_EQ(out, "Kunde abc\n");
    EXPECT_TRUE(err.contains("nicht gespeichert")) << qPrintable(err);
    EXPECT_EQ(memo({"set", "--expect", "KUNDE ABC", "DE 100007", "Neu"}), 2);
    EXPECT_EQ(memo({"set", "--expect", "Kunde abc", "DE 100007", "Neu"}), 0);
    QVariant stored;
    ASSERT_TRUE(m_db.ReadMemo(m_db.m_Table, 8, &stored));
    EXPECT_EQ(stored.toString(), "Neu");

    EXPECT_EQ(memo({"get", "DE 999999"}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains("keinen Datensatz")) << qPrintable(err);
    EXPECT_EQ(memo({"set", "DE 100007", ""}, nullptr, &err), 2);
    // A place of several rows is named more exactly.
    ASSERT_TRUE(CGeoImporter(m_db)
                    .Run({TestSupport::WriteFile(
                        m_dir.filePath("more.txt"),
                        places(0) + TestSupport::GeoNamesLine("DE", "100007", "Zweitort", "", "",
                                                              "", "50", "10"))})
                    .ok);
    EXPECT_EQ(memo({"get", "DE 100007"}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains("2 Datensätze")) << qPrintable(err);
    EXPECT_EQ(memo({"get", "DE 100007 Zweitort"}, &out), 0);
}

namespace {

// One of the twenty programs: what it does next, and what it has seen.
struct Client {
    enum Kind { Refresh, Writer, Searcher } kind;
    std::unique_ptr<QProcess> process;
    QString place;    // a writer's place
    QString expected; // the memo a writer read
    bool reading = true;
    int count = 0;
};

} // namespace

TEST_P(OfficeTest, TwentyClientsLoseNoMemoAndMissNoRow) {
    if (!OnServer())
        GTEST_SKIP() << "the office soak runs on the server";
    const int seconds = qEnvironmentVariableIntValue("KELVO_SOAK_SECONDS") > 0
                            ? qEnvironmentVariableIntValue("KELVO_SOAK_SECONDS")
                            : 60;
    const QStringList years{TestSupport::WriteFile(m_dir.filePath("1.txt"), places(1)),
                            TestSupport::WriteFile(m_dir.filePath("2.txt"), places(2))};
    // Four places that many write to at once.
    const QStringList hot{"DE 100007 Ort 7", "DE 100123 Ort 123", "DE 104000 Ort 4000",
                          "DE 104999 Ort 4999"};
    std::vector<Client> clients(20);
    for (size_t i = 0; i < clients.size(); ++i) {
        clients[i].kind = i == 0 ? Client::Refresh : i <= 12 ? Client::Writer : Client::Searcher;
        clients[i].place = hot[int(i % hot.size())];
    }
    int refreshes = 0, reads = 0, saves = 0, conflicts = 0, busy = 0, searches = 0, deadlocks = 0;
    QStringList failures;
    QMap<QString, QStringList> savedTokens;

    auto start = [&](Client& c, size_t index) {
        QStringList args;
        switch (c.kind) {
        case Client::Refresh:
            args = {"import", "--db", m_strAddress, years[c.count % 2]};
            break;
        case Client::Searcher:
            args = {"search", "--db", m_strAddress, "Ort 123"};
            break;
        case Client::Writer:
            if (c.reading)
                args = {"memo", "get", "--db", m_strAddress, c.place};
            else
                args = {"memo",     "set",
                        "--db",     m_strAddress,
                        "--expect", c.expected,
                        c.place,    c.expected + QStringLiteral("c%1n%2;").arg(index).arg(c.count)};
            break;
        }
        c.process = std::make_unique<QProcess>();
        c.process->start(QStringLiteral(KELVO_CLI_PATH), args);
    };
    auto finished = [&](Client& c, size_t index) {
        const QString out = QString::fromUtf8(c.process->readAllStandardOutput());
        const QString err = QString::fromUtf8(c.process->readAllStandardError());
        const int status =
            c.process->exitStatus() == QProcess::NormalExit ? c.process->exitCode() : -1;
        if (err.contains("deadlock"))
            ++deadlocks;
        switch (c.kind) {
        case Client::Refresh:
            ++refreshes;
            if (status != 0)
                failures << "import: " + err;
            break;
        case Client::Searcher:
            ++searches;
            if (status != 0 || !out.endsWith("\n11 \"Ort 123\" in GEO\n"))
                failures << "search: " + out.right(60) + err;
            break;
        case Client::Writer:
            if (c.reading) {
                ++reads;
                if (status != 0)
                    failures << "memo get: " + err;
                c.expected = out.endsWith('\n') ? out.chopped(1) : out;
                c.reading = status != 0;
                return;
            }
            c.reading = true;
            if (status == 0) {
                ++saves;
                savedTokens[c.place] << QStringLiteral("c%1n%2").arg(index).arg(c.count);
            } else if (status == 2) {
                ++conflicts;
            } else if (err.contains("gesperrt")) {
                ++busy; // waited for a refresh longer than a lock is waited for
            } else {
                failures << "memo set: " + err;
            }
            break;
        }
        ++c.count;
    };

    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < clients.size(); ++i)
        start(clients[i], i);
    int running = int(clients.size());
    while (running > 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        running = 0;
        for (size_t i = 0; i < clients.size(); ++i) {
            Client& c = clients[i];
            if (!c.process)
                continue;
            if (c.process->state() != QProcess::NotRunning) {
                c.process->waitForFinished(1);
                ++running;
                continue;
            }
            finished(c, i);
            c.process.reset();
            // A writer that read finishes its save; everyone else starts anew until the time
            // is up.
            if (clock.elapsed() < seconds * 1000 || (c.kind == Client::Writer && !c.reading)) {
                start(c, i);
                ++running;
            }
        }
    }

    // Every save that succeeded is in the memo of its place, once; nothing else is.
    int lost = 0;
    for (const QString& place : hot) {
        QString out;
        ASSERT_EQ(
            TestSupport::RunCli({"memo", "get", "--db", m_strAddress, place}, m_dir.path(), &out),
            0);
        QStringList tokens = out.trimmed().split(';', Qt::SkipEmptyParts);
        for (const QString& token : savedTokens[place])
            lost += tokens.count(token) != 1;
        EXPECT_EQ(QSet<QString>(tokens.begin(), tokens.end()).size(), tokens.size());
        EXPECT_EQ(tokens.size(), savedTokens[place].size()) << qPrintable(place);
    }
    std::printf("office soak, %d s, 20 clients: %d operations - %d refreshes, %d searches, %d "
                "memo reads, %d memo saves, %d conflicts refused, %d saves that waited too long "
                "for a refresh; %d lost, %d deadlocks, %d failures\n",
                seconds, refreshes + searches + reads + saves + conflicts + busy, refreshes,
                searches, reads, saves, conflicts, busy, lost, deadlocks, int(failures.size()));
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(deadlocks, 0);
    EXPECT_TRUE(failures.isEmpty()) << qPrintable(failures.mid(0, 5).join('\n'));
    EXPECT_GT(refreshes, 1);
    EXPECT_GT(saves, 10);
    EXPECT_EQ(m_db.GetRecordCount("GEO"), kPlaces);
}
