#pragma once
// r47 info: a short human summary of each file.

#include <cstdio>
#include <string>
#include <vector>

namespace r47 {

// Exit status: 0 read, 1 a file had a partial record, 2 a file could not be read.
int RunInfo(const std::vector<std::string>& files, std::FILE* out, std::FILE* err);

} // namespace r47
