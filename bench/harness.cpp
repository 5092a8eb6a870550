#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>

namespace {

struct Benchmark {
    const char* name;
    BenchFunction run;
};

std::vector<Benchmark>& Registry() {
    static std::vector<Benchmark> benchmarks;
    return benchmarks;
}

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown CPU";
}

std::string FormatValue(double value, const std::string& unit) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    std::string formatted = text;
    // Trailing zeros say nothing here.
    formatted.erase(formatted.find_last_not_of('0') + 1);
    if (formatted.back() == '.') {
        formatted.pop_back();
    }
    return unit.empty() ? formatted : formatted + " " + unit;
}

} // namespace

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

bool RegisterBenchmark(const char* name, BenchFunction run) {
    Registry().push_back({name, run});
    return true;
}

int RunBenchmarks(int argc, char** argv) {
    BenchOptions options{false};
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.quick = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--only NAME-PART]\n", argv[0]);
            return 2;
        }
    }
    std::printf("Machine: %s, %u cores%s\n\n", CpuModel().c_str(),
                std::thread::hardware_concurrency(), options.quick ? " (quick run)" : "");
    std::printf("%-52s %-20s %s\n", "Figure", "Value", "Goal");
    for (const Benchmark& benchmark : Registry()) {
        if (std::string(benchmark.name).find(only) == std::string::npos) {
            continue;
        }
        std::printf("%s\n", benchmark.name);
        std::fflush(stdout);
        for (const Figure& figure : benchmark.run(options)) {
            std::printf("  %-50s %-20s %s\n", figure.name.c_str(),
                        FormatValue(figure.value, figure.unit).c_str(), figure.goal.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}
