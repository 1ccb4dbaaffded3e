#pragma once
// r47 dump: one text line per record: index, kind and its decoded fields.

#include <cstdio>
#include <string>

namespace r47 {

// Exit status: 0 read, 1 a partial record at the end, 2 the file could not be read.
int RunDump(const std::string& file, std::FILE* out, std::FILE* err);

} // namespace r47
