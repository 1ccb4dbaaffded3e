// r47: checks, summarises and exports the logger's data files. Never writes to a data file.

#include <sys/stat.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check_command.h"
#include "command_line.h"
#include "dump_command.h"
#include "export_command.h"
#include "info_command.h"
#include "map_command.h"
#include "platform/file_handle.h"

#ifndef R47_VERSION
#define R47_VERSION "unknown"
#endif

namespace {

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

int main(int argc, char** argv) {
    using namespace r47;
    std::vector<std::string> args(argv + 1, argv + argc);
    const Invocation inv = ParseCommandLine(args);
    if (inv.help) {
        std::fputs(Usage(inv.command).c_str(), stdout);
        return 0;
    }
    if (inv.version) {
        std::printf("r47 %s\n", R47_VERSION);
        return 0;
    }
    if (!inv.error.empty()) {
        std::fprintf(stderr, "r47: %s\n%s", inv.error.c_str(), Usage(inv.command).c_str());
        return 2;
    }
    std::FILE* out = stdout;
    tm47::FileHandle outFile; // owns `out` when it is the -o file
    // r47 never writes to a data file: an output that is one of the inputs would be truncated
    // before it is read.
    for (const std::string& file : inv.files) {
        if (!inv.output.empty() && SameFile(inv.output, file)) {
            std::fprintf(stderr, "r47: -o %s would overwrite the data file %s\n",
                         inv.output.c_str(), file.c_str());
            return 2;
        }
    }
    if (!inv.output.empty()) {
        outFile = tm47::OpenFile(inv.output.c_str(), "wb");
        out = outFile.get();
        if (!outFile) {
            std::fprintf(stderr, "r47: cannot write %s: %s\n", inv.output.c_str(),
                         std::strerror(errno));
            return 2;
        }
    }
    int status = 2;
    switch (inv.command) {
    case Command::Check:
        status = RunCheck(inv.files, out, stderr);
        break;
    case Command::Info:
        status = RunInfo(inv.files, out, stderr);
        break;
    case Command::Dump:
        status = RunDump(inv.files[0], out, stderr);
        break;
    case Command::Export:
        status = RunExport(inv.files, inv.exportOptions, out, stderr);
        break;
    case Command::Map:
        status = RunMap(inv.files[0], inv.channel, inv.exportOptions.maxGapS,
                        inv.exportOptions.lagS, out, stderr);
        break;
    case Command::None:
        break;
    }
    if (std::fflush(out) != 0 || !tm47::CloseFile(outFile)) {
        std::fprintf(stderr, "r47: writing failed: %s\n", std::strerror(errno));
        return 2;
    }
    return status;
}
