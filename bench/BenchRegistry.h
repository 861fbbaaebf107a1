#pragma once

#include <QString>

#include <functional>
#include <vector>

class CGeoDatabase;

// One figure of the benchmark program: the group it belongs to, the key it is printed under
// and the measured operation. `run` gets the open database; it is timed over the repeats and
// its median printed as "key<TAB>milliseconds".
struct BenchFigure {
    QString group; // "table" or "map"
    QString key;
    std::function<void(CGeoDatabase&)> run;
    // Optional, not timed: run once before the first and once after the last repeat.
    std::function<void()> setUp = {};
    std::function<void()> tearDown = {};
    // Optional: run before each timed run, not timed (to bring back a starting state).
    std::function<void(CGeoDatabase&)> prepare = {};
};

// Figures register themselves from their own source files:
//   static BenchRegistrar r({"map", "key", [](CGeoDatabase& db) { ... }});
std::vector<BenchFigure>& BenchFigures();

struct BenchRegistrar {
    explicit BenchRegistrar(BenchFigure figure) { BenchFigures().push_back(std::move(figure)); }
};

// A further value a figure measures (memory, a count), printed as "key<TAB>value" after it.
void BenchReport(const QString& key, double value);

// The resident set size of the process in bytes: every page it holds, however allocated.
double ResidentBytes();
// The most the resident set has held since ResetPeakResident (or the start), in bytes.
double PeakResidentBytes();
void ResetPeakResident();
