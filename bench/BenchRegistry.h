#pragma once

#include <QString>

#include <functional>
#include <vector>

class CGeoDatabase;

// One figure of the benchmark program: a name, the measured operation and, optionally, a
// reference it is compared with. `run` gets the open database and returns nothing; it is
// timed over the repeats and its median printed.
struct BenchFigure {
    QString name;
    std::function<void(CGeoDatabase&)> run;
    // Optional: the name of another figure whose median is the reference of this one.
    QString referenceFigure;
    // Optional, not timed: run once before the first and once after the last repeat.
    std::function<void()> setUp = {};
    std::function<void()> tearDown = {};
    // Optional: run before each timed run, not timed (to bring back a starting state).
    std::function<void(CGeoDatabase&)> prepare = {};
};

// Figures register themselves from their own source files:
//   static BenchRegistrar r({"name", [](CGeoDatabase& db) { ... }});
std::vector<BenchFigure>& BenchFigures();

struct BenchRegistrar {
    explicit BenchRegistrar(BenchFigure figure) { BenchFigures().push_back(std::move(figure)); }
};
