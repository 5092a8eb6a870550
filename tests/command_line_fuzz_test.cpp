// The display-mode scan over random command lines of any bytes and any length, against a
// plain reference of what it must read. Each line sits in a buffer of exactly its size, so
// that the sanitizer build catches any read past its end.

#include "app/application.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace {

using Mode = std::array<int, 3>;

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The program name ends at the first space outside double quotes; three decimal numbers
// in the int range follow, each after optional white space and an optional sign.
std::optional<Mode> Reference(const std::string& line) {
    std::size_t at = 0;
    bool quoted = false;
    while (at < line.size() && (line[at] != ' ' || quoted)) {
        quoted = line[at] == '"' ? !quoted : quoted;
        ++at;
    }
    Mode mode{};
    for (int& value : mode) {
        while (at < line.size() && IsSpace(line[at])) {
            ++at;
        }
        const bool negative = at < line.size() && line[at] == '-';
        if (at < line.size() && (line[at] == '-' || line[at] == '+')) {
            ++at;
        }
        if (at == line.size() || !IsDigit(line[at])) {
            return std::nullopt;
        }
        long long magnitude = 0;
        for (; at < line.size() && IsDigit(line[at]); ++at) {
            magnitude = std::min(magnitude * 10 + (line[at] - '0'), 1LL << 40);
        }
        const long long number = negative ? -magnitude : magnitude;
        if (number < INT_MIN || number > INT_MAX) {
            return std::nullopt;
        }
        value = static_cast<int>(number);
    }
    return mode;
}

// A number as a user might type it, or near the ends of the int range, or far beyond.
std::string RandomNumber(std::mt19937& random) {
    static const char* const edges[] = {"2147483647",
                                        "2147483648",
                                        "-2147483648",
                                        "-2147483649",
                                        "+0",
                                        "-0",
                                        "00000000000000000000640",
                                        "-",
                                        "99999999999999999999999"};
    switch (random() % 3) {
    case 0:
        return std::to_string(static_cast<int>(random() % 5000) - 100);
    case 1:
        return edges[random() % std::size(edges)];
    default:
        return std::to_string(static_cast<int>(random()));
    }
}

// Half the lines are a program name and numbers in white space with now and then a stray
// byte; the other half are bytes 1 to 255, mostly those that a scan reacts to, and mostly
// short.
std::string RandomLine(std::mt19937& random) {
    static const char* const names[] = {"tuvoran", "\"/opt/my demos/tuvoran\"", "", "\"open",
                                        "a\"b c\"d"};
    static const char* const gaps[] = {" ", "  ", "\t", "\n", "\r\v\f", ""};
    static const std::string telling = " \t\n\"+-0123456789";
    std::string line;
    if (random() % 2 == 0) {
        line = names[random() % std::size(names)];
        for (std::size_t count = random() % 5; count > 0; --count) {
            line += gaps[random() % std::size(gaps)];
            line += RandomNumber(random);
            if (random() % 10 == 0) {
                line += static_cast<char>(1 + random() % 255);
            }
        }
        return line;
    }
    const std::size_t length = random() % 10 == 0 ? random() % 5000 : random() % 40;
    for (std::size_t i = 0; i < length; ++i) {
        line += random() % 10 < 7 ? telling[random() % telling.size()]
                                  : static_cast<char>(1 + random() % 255);
    }
    return line;
}

TEST(CommandLineFuzz, AnyBytesOfAnyLengthReadAsTheReferenceSays) {
    std::mt19937 random(907);
    int accepted = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::string line = RandomLine(random);
        const auto exact = std::make_unique<char[]>(line.size() + 1);
        std::copy(line.begin(), line.end(), exact.get());
        exact[line.size()] = '\0';

        Mode mode{-7, -8, -9};
        const int read = ParseDisplayMode(exact.get(), &mode[0], &mode[1], &mode[2]);
        const std::optional<Mode> expected = Reference(line);
        ASSERT_EQ(read, expected ? 1 : 0) << '[' << line << ']';
        ASSERT_EQ(mode, expected.value_or(Mode{-7, -8, -9})) << '[' << line << ']';
        accepted += read;
    }
    // Enough lines of three numbers among them to try the reading of each.
    EXPECT_GT(accepted, 2000);
}

} // namespace
