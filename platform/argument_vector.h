#pragma once

#include <string>
#include <vector>

// The null-terminated array of C strings that main and exec take, pointing into strings,
// which must outlive it.
inline std::vector<char*> ArgumentVector(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& text : strings) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}
