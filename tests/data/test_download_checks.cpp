// What a downloaded archive must hold: rows of its country, no others, nothing inflated; a
// country named twice is fetched and imported once.
#include "DownloadFixture.h"

#include "common/TestSupport.h"

#include <QDir>

using DownloadChecksTest = DownloadFixture;

TEST_F(DownloadChecksTest, ArchiveWithOtherCountriesIsRefusedNamingWhatItHolds) {
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 30) + Rows("AT", 2) + Rows("CH", 1)));
    m_server.Serve("/AT.zip", Archive("AT", Rows("CH", 5)));
    m_server.Serve("/CH.zip", Archive("CH", Rows("CH", 5)));
    const QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE", "AT", "CH"});
    ASSERT_EQ(outcomes.size(), 3);
    EXPECT_EQ(outcomes[0].error, "DE: Das Archiv enthält außer 30 Zeilen von DE auch Zeilen "
                                 "anderer Staaten: AT (2 Zeilen), CH (1 Zeile); es wird nicht "
                                 "importiert.");
    EXPECT_EQ(outcomes[1].error, "AT: Das Archiv enthält keine Zeilen von AT, sondern CH (5 "
                                 "Zeilen); es wird nicht importiert.");
    EXPECT_TRUE(outcomes[0].file.isEmpty() && outcomes[1].file.isEmpty());
    EXPECT_TRUE(outcomes[2].error.isEmpty()) << outcomes[2].error.toStdString();
    EXPECT_EQ(QDir(m_dir.filePath("download")).entryList(QDir::Files), QStringList{"CH.zip"});

    // The batch tool imports nothing of the refused archive.
    QString out, err;
    EXPECT_EQ(Cli({"download", "--url", m_server.BaseUrl(), "DE", "CH"}, &out, &err), 1);
    EXPECT_TRUE(err.contains("DE: Das Archiv enthält außer")) << err.toStdString();
    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")), QStringList{"CH=5"});
}

TEST_F(DownloadChecksTest, ArchiveUnpackingToRepeatedRowsIsRefusedEarly) {
    QByteArray same = Rows("DE", 1).repeated(200000);
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 500) + same));
    const QList<CGeoNamesDownload::Outcome> outcomes = Download({"DE"});
    ASSERT_EQ(outcomes.size(), 1);
    // The first line repeated: at 100 repeats, more than 1 % of 600 lines.
    EXPECT_EQ(outcomes[0].error, "DE: Das Archiv enthält zu viele doppelte Zeilen (100 der "
                                 "ersten 600 Zeilen wiederholen eine frühere, erlaubt ist "
                                 "höchstens 1 %); es wird nicht verwendet.");

    // A few repeats among many rows pass.
    m_server.Serve("/AT.zip", Archive("AT", Rows("AT", 20000) + Rows("AT", 150)));
    EXPECT_TRUE(Download({"AT"}).value(0).error.isEmpty());
}

TEST_F(DownloadChecksTest, SameCountryTwiceIsTakenOnce) {
    m_server.Serve("/DE.zip", Archive("DE", Rows("DE", 30)));
    QString out, err;
    ASSERT_EQ(Cli({"download", "--url", m_server.BaseUrl(), "DE", "de"}, &out, &err), 0)
        << err.toStdString();
    EXPECT_EQ(m_server.Requests(), 1);
    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")), QStringList{"DE=30"});

    // The same rows as text and in the archive, and a file given twice.
    const QString text = TestSupport::WriteFile(m_dir.filePath("DE.txt"), Rows("DE", 30, 100));
    const QString zip = m_dir.filePath("zips/DE.zip");
    ASSERT_EQ(Cli({"import", text, zip, text}, &out, &err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("DE.zip: 0 Zeilen importiert, 0 übersprungen, 30 Zeilen "
                             "ausgelassen (DE kam schon aus DE.txt)"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("DE: vorher 30 Zeilen, jetzt 30")) << out.toStdString();
    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")), QStringList{"DE=30"});

    // Appending adds what it is given, as before.
    ASSERT_EQ(Cli({"import", "--append", text, text}, &out, &err), 0) << err.toStdString();
    EXPECT_EQ(TestSupport::RowsByCountry(m_dir.filePath("Kelvo.mde")), QStringList{"DE=90"});

    // A country mapped to nothing is refused before anything is read.
    EXPECT_EQ(Cli({"import", "--map-country", "DE=", text}, &out, &err), 2);
    EXPECT_TRUE(err.startsWith("--map-country erwartet ALT=NEU, nicht \"DE=\"."))
        << err.toStdString();
}
