#pragma once

// A small benchmark harness: each benchmark registers a function that measures and returns
// its figures; the program runs them all and prints one table.

#include <string>
#include <vector>

struct Figure {
    std::string name;
    double value;
    std::string unit;
    std::string goal;
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

// Runs every benchmark, or those whose name holds NAME-PART, and prints the table.
// Arguments: [--quick] [--only NAME-PART].
int RunBenchmarks(int argc, char** argv);
