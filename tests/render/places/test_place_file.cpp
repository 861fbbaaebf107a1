// Reading place files: the line test, separators, fields, "0", dates, colours, line ends
// and encodings, all through the reader as the document uses it.
#include "base/DateText.h"
#include "common/LiveHeap.h"
#include "render/places/PlaceFile.h"

#include <QBuffer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Message {
    int line;
    QString text;
};

struct ReadResult {
    CPlaceList places;
    QList<Message> messages;
    int lines = 0;
};

ReadResult read(const QByteArray& bytes) {
    ReadResult r;
    CPlaceFileReader reader([&r](const QString& text, int line) {
        r.messages.append(Message{line, text});
    });
    reader.Read(bytes, r.places);
    r.lines = reader.LinesRead();
    return r;
}

// An entry in one line: the nine fields, then both colours as R,G,B.
QString describe(const CPlaceEntry& e) {
    auto rgb = [](COLORREF c) {
        return QStringLiteral("%1,%2,%3").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
    };
    return QStringList{e.m_strStaat, e.m_strPLZ,         e.m_strDate,      e.m_strMarkerSize,
                       e.m_strBlink, e.m_strMarkerColor, e.m_strTextColor, e.m_strFontHeight,
                       e.m_strLabel, rgb(e.m_crMarker),  rgb(e.m_crText)}
        .join(QLatin1Char('|'));
}

const QString kBasic = QStringLiteral("DE|10115|0|4|0|0|0|0|0|200,200,0|0,0,0");

QByteArray today(int days = 0) {
    return QDate::currentDate().addDays(days).toString(QStringLiteral("d.M.yyyy")).toLatin1();
}

} // namespace

TEST(PlaceFile, LinesFieldsAndColours) {
    struct Case {
        const char* name;
        QByteArray file;
        QStringList entries;
    };
    const QList<Case> cases = {
        {"plain", "DE;10115;0;4;0;0;0;0;0", {kBasic}},
        {"blanks around separators", "DE; 10115 ;0 ;4;0;0;0;0;0", {kBasic}},
        {"TAB and ; mixed", "DE\t10115;0\t4;0;0\t0;0;0", {kBasic}},
        {"first separator at index 3", "DE ;10115;0;4;0;0;0;0;0", {}},
        {"first field one character", "D;10115;0;4;0;0;0;0;0", {}},
        {"run of separators counts as one", "DE;;10115;0;4;0;0;0;0;0", {kBasic}},
        {"run of mixed separators", "DE;\t;10115;0;4;0;0;0;0;0", {kBasic}},
        {"eight fields", "DE;10115;0;4;0;0;0;0", {}},
        {"trailing separator adds no field", "DE;10115;0;4;0;0;0;0;", {}},
        {"ten fields, the tenth ignored", "DE;10115;0;4;0;0;0;0;0;mehr", {kBasic}},
        {"no separator", "DE10115", {}},
        {"heading and comment lines",
         "Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n# Orte\n\n"
         "DE;10115;0;4;0;0;0;0;0",
         {kBasic}},
        {"blank-only field is a field",
         "DE;10115;0;4;0;0;0; ;0",
         {"DE|10115|0|4|0|0|0||0|200,200,0|0,0,0"}},
        {"00 is not 0",
         "DE;10115;0;00;00;0;0;00;00",
         {"DE|10115|0|00|00|0|0|00|00|200,200,0|0,0,0"}},
        {"label with blanks and commas",
         "AT;1010;0;3;1;0;0;14;  Wien, Innere Stadt  ",
         {"AT|1010|0|3|1|0|0|14|Wien, Innere Stadt|200,200,0|0,0,0"}},
        {"marker 255,0",
         "DE;10115;0;4;0;255,0;0;0;0",
         {"DE|10115|0|4|0|255,0|0|0|0|255,0,0|0,0,0"}},
        {"marker 0,,255: run of commas",
         "DE;10115;0;4;0;0,,255;0;0;0",
         {"DE|10115|0|4|0|0,,255|0|0|0|0,255,0|0,0,0"}},
        {"low 8 bits",
         "DE;10115;0;4;0;300,256,-1;0;0;0",
         {"DE|10115|0|4|0|300,256,-1|0|0|0|44,0,255|0,0,0"}},
        {"black marker", "DE;10115;0;4;0;0,0,0;0;0;0", {"DE|10115|0|4|0|0,0,0|0|0|0|0,0,0|0,0,0"}},
        {"components read like atoi",
         "DE;10115;0;4;0; 12 , 34x,5,99;7,8;0;0",
         {"DE|10115|0|4|0|12 , 34x,5,99|7,8|0|0|12,34,5|7,8,0"}},
        {"one marker component skips the line", "DE;10115;0;4;0;255;0;0;0", {}},
        {"one text component skips the line", "DE;10115;0;4;0;0;255,;0;0", {}},
        {"CR LF and LF alike, last line without end",
         "DE;10115;0;4;0;0;0;0;0\r\nDE;10115;0;4;0;0;0;0;0\nDE;10115;0;4;0;0;0;0;0",
         {kBasic, kBasic, kBasic}},
        {"two-character first field in UTF-8",
         "Ö1;10115;0;4;0;0;0;0;0",
         {"Ö1|10115|0|4|0|0|0|0|0|200,200,0|0,0,0"}},
        {"a UTF-8 byte-order mark is not part of the line",
         "\xef\xbb\xbf"
         "DE;10115;0;4;0;0;0;0;0",
         {kBasic}},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = read(c.file);
        QStringList got;
        for (const CPlaceEntry& e : r.places) {
            got << describe(e);
            EXPECT_TRUE(e.m_bBlinkPhase);
            EXPECT_EQ(e.m_nX, 0);
            EXPECT_EQ(e.m_nY, 0);
        }
        EXPECT_EQ(got, c.entries);
        EXPECT_TRUE(r.messages.isEmpty());
    }
}

// A tenth field names the Ort only in a file that announces it in its first line, as Kelvo
// writes a list; in any other file it is ignored, as it always was.
TEST(PlaceFile, ATenthFieldIsTheOrtOnlyUnderTheHeadingThatNamesIt) {
    const QByteArray lines = "DE;79771;0;4;0;0;0;0;0;Grießen\n"
                             "DE;79771;0;4;0;0;0;0;0;0\n"
                             "DE;79771;0;4;0;0;0;0;0\n"
                             "DE;79771;0;4;0;0;0;0;0;  Klettgau ;mehr\n";
    const ReadResult with = read(QByteArray(CPlaceFileReader::kHeaderWithOrt) + "\r\n" + lines);
    ASSERT_EQ(with.places.size(), 4);
    EXPECT_EQ(with.places[0].m_strOrt, u"Grießen");
    EXPECT_EQ(with.places[0].m_nLine, 2);
    EXPECT_EQ(with.places[1].m_strOrt, "");
    EXPECT_EQ(with.places[2].m_strOrt, "");
    EXPECT_EQ(with.places[3].m_strOrt, "Klettgau");
    for (const CPlaceEntry& e : with.places)
        EXPECT_EQ(describe(e), "DE|79771|0|4|0|0|0|0|0|200,200,0|0,0,0");
    for (const QByteArray& first :
         {QByteArray("Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n"),
          QByteArray("Kunden\n" + QByteArray(CPlaceFileReader::kHeaderWithOrt) + "\n"),
          QByteArray()}) {
        const ReadResult without = read(first + lines);
        ASSERT_EQ(without.places.size(), 4);
        for (const CPlaceEntry& e : without.places)
            EXPECT_EQ(e.m_strOrt, "");
    }
}

TEST(PlaceFile, DatesDecideBeforeColours) {
    const QByteArray line2 = "DE;10115;abc;4;0;0;0;0;0 ";
    struct Case {
        const char* name;
        QByteArray file;
        int entries;
        QList<int> messageLines;
        QDate date; // of the first entry
    };
    const QList<Case> cases = {
        {"invalid date: message, line kept without date",
         "Staat;PLZ;Datum\n" + line2,
         1,
         {2},
         QDate()},
        {"today is taken", "DE;10115;" + today() + ";4;0;0;0;0;0", 1, {}, QDate::currentDate()},
        {"tomorrow drops the line", "DE;10115;" + today(1) + ";4;0;0;0;0;0", 0, {}, QDate()},
        {"a past German date", "DE;10115;24.12.2015;4;0;0;0;0;0", 1, {}, QDate(2015, 12, 24)},
        {"two-digit year", "DE;10115;1.2.15;4;0;0;0;0;0", 1, {}, QDate(2015, 2, 1)},
        {"ISO date", "DE;10115;2015-06-01;4;0;0;0;0;0", 1, {}, QDate(2015, 6, 1)},
        {"a day that does not exist", "DE;10115;31.2.2015;4;0;0;0;0;0", 1, {1}, QDate()},
        {"invalid date and one colour component: message, then dropped",
         "DE;10115;abc;4;0;255;0;0;0",
         0,
         {1},
         QDate()},
        {"future date and one colour component: dropped silently",
         "DE;10115;" + today(3) + ";4;0;255;0;0;0",
         0,
         {},
         QDate()},
        {"every invalid line has its message",
         "x\nDE;1;a;4;0;0;0;0;0\nDE;2;b;4;0;0;0;0;0\r\n",
         2,
         {2, 3},
         QDate()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = read(c.file);
        ASSERT_EQ(r.places.size(), c.entries);
        if (c.entries > 0) {
            EXPECT_EQ(r.places.first().m_dtDate, c.date);
        }
        QList<int> lines;
        for (const Message& m : r.messages)
            lines << m.line;
        EXPECT_EQ(lines, c.messageLines);
    }
    // The text: the trimmed date, the line number, an empty line and the whole line as read.
    const ReadResult r = read("Staat;PLZ;Datum\n" + line2 + "\r\n");
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_EQ(
        r.messages.first().text,
        QStringLiteral("Ungultiges Datum \"abc\" in der Zeile 2:\n\nDE;10115;abc;4;0;0;0;0;0 "));
}

TEST(PlaceFile, DateTextForms) {
    struct Case {
        const char* text;
        QDate date;
    };
    const Case cases[] = {
        {"24.12.2015", QDate(2015, 12, 24)},
        {"01.02.15", QDate(2015, 2, 1)},
        {"1.2.29", QDate(2029, 2, 1)},
        {"1.2.30", QDate(1930, 2, 1)},
        {"2016-2-29", QDate(2016, 2, 29)},
        {"29.2.2015", QDate()},
        {"1.2.015", QDate()},
        {"24.12.2015 10:00", QDate(2015, 12, 24)},
        {"24.12.2030 00:00", QDate(2030, 12, 24)},
        {"24.12.2015  23:59:59", QDate(2015, 12, 24)},
        {"2030-12-24 13:45", QDate(2030, 12, 24)},
        {"2030-12-24T13:45:00", QDate(2030, 12, 24)},
        {"24.12.", QDate(QDate::currentDate().year(), 12, 24)},
        {"1.2. 8:05", QDate(QDate::currentDate().year(), 2, 1)},
        {"24.12.2015 24:00", QDate()},
        {"24.12.2015 10:5", QDate()},
        {"24.12.2015 abends", QDate()},
        {"24.12", QDate()},
        {"24.12.T10:00", QDate()},
        {"15-12-24", QDate()},
        {"2015/12/24", QDate()},
        {"-1.2.2015", QDate()},
        {"", QDate()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDateText(QString::fromLatin1(c.text)), c.date) << c.text;
}

TEST(PlaceFile, CountsEveryLineAndDecodesWindows1252WhenNotUtf8) {
    // "München" and the euro sign in Windows-1252 bytes, and the same text in UTF-8.
    const ReadResult cp = read("Kopf\r\nDE;80331;0;4;0;0;0;12;M\xfc"
                               "nchen \x80\r\n\r\n");
    const ReadResult utf = read("Kopf\nDE;80331;0;4;0;0;0;12;München €\n");
    ASSERT_EQ(cp.places.size(), 1);
    ASSERT_EQ(utf.places.size(), 1);
    EXPECT_EQ(cp.places.first().m_strLabel, QStringLiteral("München €"));
    EXPECT_EQ(utf.places.first().m_strLabel, QStringLiteral("München €"));
    EXPECT_EQ(cp.lines, 3);
    EXPECT_EQ(utf.lines, 2);
}

TEST(PlaceFile, DecodesUtf16WithAByteOrderMark) {
    const QString text = QStringLiteral("Kopf\r\nDE;80331;0;4;0;0;0;12;München €\r\n");
    for (QStringConverter::Encoding encoding :
         {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        const QByteArray bytes = encoder(text);
        const ReadResult r = read(bytes);
        ASSERT_EQ(r.places.size(), 1);
        EXPECT_EQ(r.places.first().m_strLabel, QStringLiteral("München €"));
        EXPECT_EQ(r.lines, 2);
    }
}

TEST(PlaceFile, ReadsAnOpenFileAndAppends) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("orte.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("DE;10115;0;4;0;0;0;0;0\nAT;1010;0;4;0;0;0;0;0\n");
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    CPlaceList places{CPlaceEntry()};
    CPlaceFileReader reader;
    EXPECT_TRUE(reader.Read(file, places));
    EXPECT_EQ(places.size(), 3);
    EXPECT_EQ(reader.LinesRead(), 2);
}

namespace {
// A device whose reads fail, as a file on a failing disk does.
class FailingDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override {
        setErrorString(QStringLiteral("Eingabe-/Ausgabefehler"));
        return -1;
    }
    qint64 writeData(const char*, qint64) override { return -1; }
};
} // namespace

TEST(PlaceFile, AReadErrorFailsAndLeavesTheListAsItWas) {
    CPlaceList places;
    CPlaceFileReader reader;
    FailingDevice failing;
    failing.open(QIODevice::ReadOnly);
    EXPECT_FALSE(reader.Read(failing, places));
    EXPECT_EQ(reader.Error(), QStringLiteral("Eingabe-/Ausgabefehler"));
    QBuffer closed;
    EXPECT_FALSE(reader.Read(closed, places));
    EXPECT_FALSE(reader.Error().isEmpty());
    EXPECT_TRUE(places.isEmpty());
}

TEST(PlaceFile, EncodingIsDecidedLineByLine) {
    // A UTF-8 file with one Windows-1252 line, and a UTF-8 byte-order mark.
    const ReadResult r = read("\xEF\xBB\xBF"
                              "DE;80331;0;4;0;0;0;12;München\n"
                              "DE;50667;0;4;0;0;0;12;K\xf6ln \x80\n"
                              "AT;1010;0;4;0;0;0;12;Wien €");
    ASSERT_EQ(r.places.size(), 3);
    EXPECT_EQ(r.places[0].m_strLabel, QStringLiteral("München"));
    EXPECT_EQ(r.places[1].m_strLabel, QStringLiteral("Köln €"));
    EXPECT_EQ(r.places[2].m_strLabel, QStringLiteral("Wien €"));
}

TEST(PlaceFile, FilesOverALimitAreRefusedWhole) {
    const QByteArray line = "DE;10115;0;4;0;0;0;0;0\n";
    struct Case {
        const char* name;
        QByteArray file;
        const char* error; // empty: read
    };
    const QList<Case> cases = {
        {"entries at the limit", line.repeated(3), ""},
        {"one entry more", line.repeated(4), "mehr als 3 Einträge"},
        {"skipped lines do not count", "Kopf\n" + line.repeated(3) + "x\n", ""},
        {"a line at the limit", QByteArray(99, 'x') + "\n" + line, ""},
        {"a line over it", line + QByteArray(101, 'x') + "\n" + line, "Zeile 2 der Ortsdatei"},
        {"an endless last line", line + QByteArray(200'000, 'x'), "Zeile 2 der Ortsdatei"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPlaceFileReader reader;
        reader.SetLimits(100, 3);
        CPlaceList places;
        const bool ok = reader.Read(c.file, places);
        EXPECT_EQ(ok, !*c.error);
        EXPECT_TRUE(reader.Error().contains(QString::fromUtf8(c.error)))
            << qPrintable(reader.Error());
        if (!ok) {
            EXPECT_TRUE(places.isEmpty());
            EXPECT_TRUE(reader.Error().endsWith("Kelvo liest die Datei nicht."));
        }
    }
}

namespace {
// Lines of a place file made while they are read, noting the most heap seen in use.
class GeneratedFile : public QIODevice {
public:
    GeneratedFile(QByteArray line, qint64 lines) : m_line(std::move(line)), m_left(lines) {}
    qint64 m_maxHeap = 0;

protected:
    qint64 readData(char* data, qint64 max) override {
        m_maxHeap = std::max(m_maxHeap, LiveHeap::Bytes());
        qint64 n = 0;
        while (m_left > 0 && n + m_line.size() <= max) {
            memcpy(data + n, m_line.constData(), size_t(m_line.size()));
            n += m_line.size();
            --m_left;
        }
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_line;
    qint64 m_left;
};
} // namespace

TEST(PlaceFile, MemoryFollowsTheEntriesKeptNotTheFile) {
    // 120 MB of lines that are no place lines.
    GeneratedFile skipped("Staat;PLZ;Datum;Groesse;Blinken;Farbe;Textfarbe;Schrift;Text\n",
                          2'000'000);
    skipped.open(QIODevice::ReadOnly);
    const qint64 before = LiveHeap::Bytes();
    CPlaceList places;
    CPlaceFileReader reader;
    ASSERT_TRUE(reader.Read(skipped, places));
    EXPECT_TRUE(places.isEmpty());
    EXPECT_EQ(reader.LinesRead(), 2'000'000);
    EXPECT_LT(skipped.m_maxHeap - before, 32 << 20);
}
