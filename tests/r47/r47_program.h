#pragma once
// The r47 program run as a user runs it, its output and exit status kept.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "tests/datafile/temp_dir_support.h"

struct Ran {
    int status = -1;
    std::string out, err;
};

inline Ran R47(const std::string& args) {
    tm47::TempDir dir;
    const std::string out = (dir.Path() / "out").string(), err = (dir.Path() / "err").string();
    const int status =
        std::system((std::string(R47_PROGRAM) + " " + args + " >" + out + " 2>" + err).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, tm47::ReadAll(out), tm47::ReadAll(err)};
}
