// ref-map DB [WxH] [OUT.ppm]: the reference for a full repaint of a map window with every
// row. Reads Staat, Langengrad and Breitengrad in storage order and sets the pixel of each
// place inside the plot rectangle in its country's colour, with the program's projection
// (default extent 2.5-17.5 E, 45.5-55.5 N; plot rectangle 50/30 pixels inside the window).
// Where places of several countries meet on one pixel, the country later in the standard
// order (Staat compared without regard to ASCII case) keeps it, as the program's Staat, PLZ
// order gives it. OUT.ppm receives the places on white. Prints "map<TAB>ms", timed from
// opening the database to the last pixel, and "map.cpu<TAB>ms", the CPU time meanwhile.
#include "ref_common.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Country {
    std::string staat; // exact text; empty for NULL
    std::string folded;
    bool null = false;
    uint32_t color = 0;
};

uint32_t countryColor(const std::string& s) {
    if (s == "DE")
        return 0xFF0000;
    if (s == "AT")
        return 0x00C800;
    if (s == "CH")
        return 0x0000C8;
    if (s == "BE")
        return 0x00C8C8;
    if (s == "FL")
        return 0xC800C8;
    return 0;
}

// Whether country a comes after or with b in the standard order (NULL first).
bool laterOrSame(const Country& a, const Country& b) {
    if (a.null || b.null)
        return !a.null || b.null;
    return a.folded >= b.folded;
}

// The number at the start of a field (0 without one).
double number(sqlite3_stmt* st, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    const char* end = text + sqlite3_column_bytes(st, column);
    while (text < end && *text == ' ')
        ++text;
    if (text < end && *text == '+')
        ++text;
    double value = 0.0;
    std::from_chars(text, end, value);
    return value;
}

int truncCoord(double v) {
    const double limit = double(1 << 28);
    if (std::isnan(v))
        return -int(limit);
    return int(std::clamp(v, -limit, limit));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: ref-map DATENBANK [BxH] [AUSGABE.ppm]\n");
        return 2;
    }
    int width = 800, height = 600;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2)
        return 2;
    const double west = 2.5, east = 17.5, south = 45.5, north = 55.5;
    const int left = 50, top = 30, right = width - 50, bottom = height - 30;

    const double start = ref_now_ms(), startCpu = ref_cpu_ms();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", argv[1], sqlite3_errmsg(db));
        return 1;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT Staat, Langengrad, Breitengrad FROM GEO", -1, &st,
                           nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0xFFFFFF);
    std::vector<int16_t> owner(pixels.size(), -1);
    std::vector<Country> countries;
    const double sx = (right - left) / (east - west);
    const double sy = (bottom - top) / (north - south);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const double lon = number(st, 1), lat = number(st, 2);
        const int x = truncCoord((lon - west) * sx + left);
        const int y = truncCoord(bottom - (lat - south) * sy);
        if (x < left || x >= right || y < top || y >= bottom || x >= width || y >= height)
            continue;
        const auto* staat = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const size_t length = size_t(sqlite3_column_bytes(st, 0));
        size_t c = 0;
        while (c < countries.size() &&
               (countries[c].null != !staat || countries[c].staat.size() != length ||
                std::memcmp(countries[c].staat.data(), staat, length) != 0))
            ++c;
        if (c == countries.size()) {
            Country country;
            country.null = !staat;
            country.staat.assign(staat ? staat : "", length);
            country.folded = country.staat;
            for (char& ch : country.folded)
                ch = char(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
            country.color = countryColor(country.staat);
            countries.push_back(country);
        }
        const size_t p = size_t(y) * size_t(width) + size_t(x);
        if (owner[p] < 0 || laterOrSame(countries[c], countries[size_t(owner[p])])) {
            owner[p] = int16_t(c);
            pixels[p] = countries[c].color;
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    const double elapsed = ref_now_ms() - start, cpu = ref_cpu_ms() - startCpu;
    if (rc != SQLITE_DONE)
        return 1;
    if (argc > 3) {
        FILE* out = std::fopen(argv[3], "wb");
        if (!out)
            return 1;
        std::fprintf(out, "P6\n%d %d\n255\n", width, height);
        std::vector<unsigned char> rgb;
        rgb.reserve(pixels.size() * 3);
        for (uint32_t px : pixels) {
            rgb.push_back(static_cast<unsigned char>(px >> 16));
            rgb.push_back(static_cast<unsigned char>(px >> 8));
            rgb.push_back(static_cast<unsigned char>(px));
        }
        std::fwrite(rgb.data(), 1, rgb.size(), out);
        std::fclose(out);
    }
    std::printf("map\t%.1f\nmap.cpu\t%.1f\n", elapsed, cpu);
    return 0;
}
