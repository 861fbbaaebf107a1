// gen-rows N DATADIR: writes N rows of GeoNames postal-code data (tab-separated, 12 columns)
// to standard output, made from the files DE, AT, CH, BE and LI in DATADIR. The first pass
// gives the real rows unchanged; every further pass repeats them with postal codes, place
// names and coordinates changed a little, so that the rows keep the shape of real data (the
// same countries, lengths, characters, regions and duplicates) but are not copies. The output
// depends only on N and the input files: row i is the same for every N > i.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

uint64_t splitmix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> cols;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        cols.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return cols;
        start = tab + 1;
    }
}

bool allDigits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// Another postal code of the same length and form.
std::string perturbPlz(const std::string& plz, uint64_t pass, uint64_t h) {
    if (!allDigits(plz) || plz.size() > 9)
        return plz;
    uint64_t modulus = 1;
    for (size_t i = 0; i < plz.size(); ++i)
        modulus *= 10;
    const uint64_t value =
        (std::strtoull(plz.c_str(), nullptr, 10) + pass * 7919 + h % 97) % modulus;
    std::string out = std::to_string(value);
    return std::string(plz.size() - out.size(), '0') + out;
}

// One lower-case ASCII letter of the name replaced by another.
std::string perturbName(std::string name, uint64_t h) {
    std::vector<size_t> letters;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] >= 'a' && name[i] <= 'z')
            letters.push_back(i);
    }
    if (!letters.empty())
        name[letters[h % letters.size()]] = char('a' + (h >> 20) % 26);
    return name;
}

// The coordinate moved by up to 0.1 degrees, written with as many decimals as before.
std::string perturbCoordinate(const std::string& text, uint64_t h) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str())
        return text;
    const size_t point = text.find('.');
    const int decimals = point == std::string::npos ? 0 : int(text.size() - point - 1);
    const double moved = value + (double(h % 2001) - 1000.0) * 1e-4;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", std::max(decimals, 4), moved);
    return buf;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "Aufruf: gen-rows ZEILEN DATENVERZEICHNIS\n");
        return 2;
    }
    const long long wanted = std::atoll(argv[1]);
    const std::string dir = argv[2];
    std::vector<std::vector<std::string>> rows;
    for (const char* country : {"DE", "AT", "CH", "BE", "LI"}) {
        std::ifstream in(dir + "/" + country + ".txt");
        if (!in) {
            std::fprintf(stderr, "%s/%s.txt fehlt\n", dir.c_str(), country);
            return 1;
        }
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::vector<std::string> cols = splitTabs(line);
            if (cols.size() == 12)
                rows.push_back(std::move(cols));
        }
    }
    if (rows.empty()) {
        std::fprintf(stderr, "keine Zeilen in %s\n", dir.c_str());
        return 1;
    }

    std::string out;
    for (long long i = 0; i < wanted; ++i) {
        const uint64_t pass = uint64_t(i) / rows.size();
        std::vector<std::string> cols = rows[size_t(uint64_t(i) % rows.size())];
        if (pass > 0) {
            const uint64_t h = splitmix(uint64_t(i) * 0x2545F4914F6CDD1Dull + 17);
            cols[1] = perturbPlz(cols[1], pass, h);
            cols[2] = perturbName(cols[2], splitmix(h));
            cols[9] = perturbCoordinate(cols[9], splitmix(h + 1));
            cols[10] = perturbCoordinate(cols[10], splitmix(h + 2));
        }
        for (size_t c = 0; c < cols.size(); ++c) {
            if (c)
                out.push_back('\t');
            out += cols[c];
        }
        out.push_back('\n');
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
