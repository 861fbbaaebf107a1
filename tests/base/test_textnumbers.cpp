// Number conversions of database texts (C runtime rules, independent of the locale).
#include "base/TextNumbers.h"

#include <QString>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

TEST(TextNumbers, AtoiTakesTheLeadingInteger) {
    struct Case {
        const char* text;
        int value;
    } cases[] = {
        {"01067", 1067},
        {"  42x", 42},
        {"-7", -7},
        {"+5", 5},
        {"abc", 0},
        {"", 0},
        {"12 34", 12},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextNumbers::Atoi(QString::fromLatin1(c.text)), c.value) << c.text;
        EXPECT_EQ(TextNumbers::Atoi(QByteArrayView(c.text)), c.value) << c.text;
    }
}

TEST(TextNumbers, AtofTakesTheLeadingNumberWhateverTheLocale) {
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // a comma locale must not change the result
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"13.25", 13.25}, {" 9.5", 9.5}, {"-0.75", -0.75}, {"8,6", 8.0}, {".5", 0.5},
        {"1e2", 100.0},   {"1e", 1.0},   {"abc", 0.0},     {"", 0.0},    {"52.5N", 52.5},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(TextNumbers::Atof(QString::fromLatin1(c.text)), c.value) << c.text;
        EXPECT_DOUBLE_EQ(TextNumbers::Atof(QByteArrayView(c.text)), c.value) << c.text;
    }
    std::setlocale(LC_ALL, "C");
    // Bytes and UTF-16 give the same bits, whichever way the bytes are read.
    const QByteArray longNumber = "0." + QByteArray(140, '3') + "7";
    for (const char* text :
         {"1.", "-.5", "1e5x", "1.5e", "1e+5", "0x10", "-", "-x", "+7", "-0", "nan", "inf", "-inf",
          "1e-310", "12345678901234567890123",
          "0.1000000000000000055511151231257827021181583404541015625", longNumber.constData()}) {
        const double fromBytes = TextNumbers::Atof(QByteArrayView(text));
        const double fromText = TextNumbers::Atof(QString::fromLatin1(text));
        EXPECT_EQ(std::memcmp(&fromBytes, &fromText, sizeof(double)), 0) << text;
    }
    EXPECT_EQ(TextNumbers::Atof(QByteArrayView("1e999")), HUGE_VAL);
    EXPECT_EQ(TextNumbers::Atof(QByteArrayView("-1e999")), -HUGE_VAL);
    EXPECT_EQ(TextNumbers::Atof(QByteArrayView("1e-999")), 0.0);
}

TEST(TextNumbers, ParseNumberWantsTheWholeText) {
    double v = 0;
    EXPECT_TRUE(TextNumbers::ParseNumber(" 10.0 ", &v));
    EXPECT_DOUBLE_EQ(v, 10.0);
    EXPECT_FALSE(TextNumbers::ParseNumber("10.0E", &v));
    EXPECT_FALSE(TextNumbers::ParseNumber("", &v));
    EXPECT_FALSE(TextNumbers::ParseNumber("n/a", &v));
    EXPECT_FALSE(TextNumbers::ParseNumber("1e999", &v)); // no finite number
}

TEST(TextNumbers, LongNumbersReadAsTheCRuntimeReadsThem) {
    const QByteArray zeros200(200, '0'), zeros400(400, '0');
    struct Case {
        QByteArray text;
        double value;
    } cases[] = {
        {"1" + zeros200, 1e200},         {"-1" + zeros400, -HUGE_VAL},
        {"0." + zeros200 + "1", 1e-201}, {"1." + zeros200 + "1", 1.0},
        {"1e" + zeros200 + "5", 1e5},    {"  7" + zeros200 + "e-195x", 7e5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TextNumbers::Atof(QByteArrayView(c.text)), c.value) << c.text.constData();
        EXPECT_EQ(TextNumbers::Atof(QString::fromLatin1(c.text)), c.value) << c.text.constData();
        EXPECT_EQ(TextNumbers::Atof(QByteArrayView(c.text)),
                  std::strtod(c.text.constData(), nullptr));
    }
    double v = 0;
    EXPECT_TRUE(TextNumbers::ParseNumber("1" + zeros200, &v));
    EXPECT_EQ(v, 1e200);
    EXPECT_EQ(TextNumbers::Atof(QByteArrayView("4.9e-324")), std::strtod("4.9e-324", nullptr));
}

TEST(TextNumbers, ShortDecimalsReadAsTheCRuntimeReadsThem) {
    // Coordinates and other plain decimals of up to 17 digits, the point anywhere, with and
    // without a sign: bit for bit strtod's number.
    std::mt19937_64 random(20261210);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + int(random() % 17);
        QByteArray text = QByteArray::number(qulonglong(random() % 100000000000000000ull))
                              .rightJustified(digits, '0', true);
        const int point = int(random() % (digits + 2)) - 1; // -1: none
        if (point >= 0)
            text.insert(point, '.');
        if (random() % 3 == 0)
            text.prepend(random() % 2 ? '-' : '+');
        double value = 0;
        ASSERT_TRUE(TextNumbers::ParseNumber(text, &value)) << text.constData();
        const double expected = std::strtod(text.constData(), nullptr);
        EXPECT_EQ(std::memcmp(&value, &expected, sizeof(double)), 0)
            << text.constData() << ": " << value << " against " << expected;
    }
    double v = 1;
    EXPECT_TRUE(TextNumbers::ParseNumber("-0.0", &v));
    EXPECT_TRUE(std::signbit(v));
    EXPECT_FALSE(TextNumbers::ParseNumber("1.2.3", &v));
    EXPECT_FALSE(TextNumbers::ParseNumber("-", &v));
    EXPECT_FALSE(TextNumbers::ParseNumber("+.", &v));
}

// Coordinates are read by a short path of their own; every decimal spelling at its edges
// (integers up to 2^53 and past it, 19 and 20 characters, leading and trailing zeros, a
// trailing text, an exponent) gives the bits the C runtime's reader gives.
TEST(TextNumbers, ShortDecimalsGiveTheBitsOfTheFullReader) {
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "00012.50",
                                      "0.000000000000000000001",
                                      "1.5x",
                                      "1..5",
                                      "9.",
                                      "-.25",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.1",
                                      "0.3",
                                      "47.123456789012345",
                                      "47.1234567890123456",
                                      "1e5",
                                      "2.5E-3",
                                      "7.25e",
                                      "0.00000000000000000000012",
                                      "-13.0000000000000000000001",
                                      "999999999999999",
                                      "9007199254740993",
                                      "9007199254740992",
                                      "9999999999999999999",
                                      "0.9999999999999999999",
                                      "18446744073709551617",
                                      "5.000000000000000000000",
                                      "52.5N"};
    std::mt19937_64 random(22);
    for (int i = 0; i < 20000; ++i) {
        std::string text = random() % 4 == 0 ? "-" : "";
        const int before = int(random() % 4), after = int(random() % 18);
        for (int d = 0; d < before; ++d)
            text += char('0' + random() % 10);
        text += '.';
        for (int d = 0; d < after; ++d)
            text += char('0' + random() % 10);
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        const double read = TextNumbers::Atof(QByteArrayView(text.data(), qsizetype(text.size())));
        const double expected = std::strtod(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&read, &expected, sizeof(double)), 0) << text;
    }
}
