#pragma once
// r47's command line: the command, its files and options, or a usage error naming the bad
// argument.

#include <optional>
#include <string>
#include <vector>

#include "export_command.h"

namespace r47 {

enum class Command { None, Check, Info, Dump, Export, Map };

struct Invocation {
    Command command = Command::None;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
    std::string output; // -o
    ExportOptions exportOptions;
    int channel = 1;   // map --channel
    std::string error; // set when the arguments are not usable
};

Invocation ParseCommandLine(const std::vector<std::string>& args);
// Usage of the whole program or of one command.
std::string Usage(Command command);

} // namespace r47
