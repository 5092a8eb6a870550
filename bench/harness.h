#pragma once

// A small benchmark harness: each benchmark registers a function that measures and returns
// its figures, each with its goal where it has one; the program runs them all, prints one
// table with every goal beside its figure, sums up the goals met and missed, and writes the
// figures as JSON.

#include <string>
#include <vector>

// What a figure should be, judged against its value; none for a figure shown for its own sake.
struct Goal {
    enum class Kind { None, AtMost, Below, AtLeast, Equal, WithinPlusOrMinus };
    Kind kind = Kind::None;
    double bound = 0.0;

    bool Judged() const { return kind != Kind::None; }
    bool MetBy(double value) const;
    std::string Text(const std::string& unit) const;
};

inline Goal AtMost(double bound) {
    return {Goal::Kind::AtMost, bound};
}
inline Goal Below(double bound) {
    return {Goal::Kind::Below, bound};
}
inline Goal AtLeast(double bound) {
    return {Goal::Kind::AtLeast, bound};
}
inline Goal Exactly(double bound) {
    return {Goal::Kind::Equal, bound};
}
// |value| < bound.
inline Goal WithinPlusOrMinus(double bound) {
    return {Goal::Kind::WithinPlusOrMinus, bound};
}

struct Figure {
    std::string name;
    double value; // NaN where it could not be measured: then every goal is missed
    std::string unit;
    Goal goal;
};

struct BenchOptions {
    bool quick; // reduced lengths, for CI: the figures are not meant to be read
};

using BenchFunction = std::vector<Figure> (*)(const BenchOptions& options);

// The value below which the given fraction of values lie (0.5: the median; 1: the largest);
// 0 for none.
double Percentile(std::vector<double> values, double fraction);

// Adds a benchmark to those the program runs, in the order of registration within a file.
// Returns true, so that a file can register from the initialiser of a constant.
bool RegisterBenchmark(const char* name, BenchFunction run);

// Runs every benchmark, or those whose name holds NAME-PART, prints the table and the goals
// missed, and writes the figures to PATH (by default bench.json, or bench-quick.json for a
// quick run, beside the program). Arguments: [--quick] [--only NAME-PART] [--json PATH].
int RunBenchmarks(int argc, char** argv);
