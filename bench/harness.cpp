#include "harness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

// A figure's name without the indentation that places it under another in the table.
std::string Trimmed(const std::string& name) {
    const std::size_t start = name.find_first_not_of(' ');
    return start == std::string::npos ? "" : name.substr(start);
}

// A figure as it came out, with the benchmark that gave it.
struct Result {
    std::string benchmark;
    Figure figure;
};

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

bool WriteJson(const std::string& path, const std::string& machine, const BenchOptions& options,
               const std::vector<Result>& results, int met, int missed) {
    std::ofstream out(path);
    out << "{\n  \"machine\": " << JsonString(machine)
        << ",\n  \"cores\": " << std::thread::hardware_concurrency()
        << ",\n  \"quick\": " << (options.quick ? "true" : "false") << ",\n  \"figures\": [";
    const char* separator = "\n";
    for (const Result& result : results) {
        const Figure& figure = result.figure;
        const bool judged = figure.goal.Judged();
        out << separator << "    {\"benchmark\": " << JsonString(result.benchmark)
            << ", \"name\": " << JsonString(Trimmed(figure.name))
            << ", \"value\": " << JsonNumber(figure.value)
            << ", \"unit\": " << JsonString(figure.unit)
            << ", \"goal\": " << (judged ? JsonString(figure.goal.Text(figure.unit)) : "null")
            << ", \"met\": "
            << (judged ? (figure.goal.MetBy(figure.value) ? "true" : "false") : "null") << "}";
        separator = ",\n";
    }
    out << "\n  ],\n  \"goals\": {\"met\": " << met << ", \"missed\": " << missed << "}\n}\n";
    return static_cast<bool>(out.flush());
}

std::string DefaultJsonPath(const BenchOptions& options) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string name = options.quick ? "bench-quick.json" : "bench.json";
    return error ? name : (program.parent_path() / name).string();
}

} // namespace

bool Goal::MetBy(double value) const {
    switch (kind) {
    case Kind::None:
        return true;
    case Kind::AtMost:
        return value <= bound;
    case Kind::Below:
        return value < bound;
    case Kind::AtLeast:
        return value >= bound;
    case Kind::Equal:
        return value == bound;
    case Kind::WithinPlusOrMinus:
        return std::fabs(value) < bound;
    }
    return false;
}

std::string Goal::Text(const std::string& unit) const {
    std::string value = FormatValue(bound, unit);
    switch (kind) {
    case Kind::None:
        return "";
    case Kind::AtMost:
        return "<= " + value;
    case Kind::Below:
        return "< " + value;
    case Kind::AtLeast:
        return ">= " + value;
    case Kind::Equal:
        return value;
    case Kind::WithinPlusOrMinus:
        return "between -" + value + " and " + value;
    }
    return "";
}

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
    std::string jsonPath;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            options.quick = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = argv[++i];
        } else if (std::strcmp(argv[i], "--json") == 0 && i + 1 < argc) {
            jsonPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--quick] [--only NAME-PART] [--json PATH]\n", argv[0]);
            return 2;
        }
    }
    if (jsonPath.empty()) {
        jsonPath = DefaultJsonPath(options);
    }
    const std::string machine = CpuModel();
    std::printf("Machine: %s, %u cores%s\n\n", machine.c_str(), std::thread::hardware_concurrency(),
                options.quick ? " (quick run)" : "");
    std::printf("%-52s %-20s %s\n", "Figure", "Value", "Goal");
    std::vector<Result> results;
    std::vector<std::string> missedLines;
    int met = 0;
    for (const Benchmark& benchmark : Registry()) {
        if (std::string(benchmark.name).find(only) == std::string::npos) {
            continue;
        }
        std::printf("%s\n", benchmark.name);
        std::fflush(stdout);
        for (const Figure& figure : benchmark.run(options)) {
            const std::string value = FormatValue(figure.value, figure.unit);
            const std::string goal = figure.goal.Text(figure.unit);
            const bool missed = figure.goal.Judged() && !figure.goal.MetBy(figure.value);
            std::printf("  %-50s %-20s %s%s\n", figure.name.c_str(), value.c_str(), goal.c_str(),
                        missed ? "  MISSED" : "");
            if (missed) {
                std::string line = benchmark.name;
                line.append(": ").append(Trimmed(figure.name)).append(": ").append(value);
                missedLines.push_back(line.append(", goal ").append(goal));
            } else if (figure.goal.Judged()) {
                ++met;
            }
            results.push_back({benchmark.name, figure});
        }
        std::fflush(stdout);
    }
    const int missed = static_cast<int>(missedLines.size());
    std::printf("\nGoals%s: %d met, %d missed%s\n",
                options.quick ? " (a quick run's shortened figures, not to be judged)" : "", met,
                missed, missed > 0 ? ":" : "");
    for (const std::string& line : missedLines) {
        std::printf("  %s\n", line.c_str());
    }
    if (!WriteJson(jsonPath, machine, options, results, met, missed)) {
        std::fprintf(stderr, "tuvoran-bench: could not write %s\n", jsonPath.c_str());
        return 1;
    }
    std::printf("Figures written to %s\n", jsonPath.c_str());
    return 0;
}
