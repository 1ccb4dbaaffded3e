#pragma once
// r47 check: one line per problem ("FILE: record N: what"), one summary line per file.

#include <cstdio>
#include <string>
#include <vector>

#include "data_walk.h"

namespace r47 {

struct CheckProblem {
    int64_t index = 0; // record index; the partial record's would-be index at the end
    std::string what;
};

struct CheckResult {
    WalkResult walk;
    std::vector<CheckProblem> problems; // in the order found
    int64_t problemCount = 0;           // all of them (the list stops at a limit)
};

CheckResult CheckDataFile(const std::string& path);
// Exit status: 0 all whole and valid, 1 a problem found, 2 a file could not be read.
int RunCheck(const std::vector<std::string>& files, std::FILE* out, std::FILE* err);

} // namespace r47
