#pragma once
// The logger's command line, a contract other tools rely on:
//   tm47logger [--root DIR] [--port COMn=PATH]... [--portrait | --landscape] [--zoom N]
//              [--simulate]
// Both "--flag VALUE" and "--flag=VALUE" are accepted.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/com_map.h"

namespace tm47 {

struct CommandLine {
    std::filesystem::path root; // DeviceRoot::DefaultPath() unless --root
    ComMap comMap;              // defaults and TM47_COMn, then --port
    bool portrait = true;
    int zoom = 1; // 1..kMaxZoom
    bool simulate = false;
    bool help = false;
};

inline constexpr int kMaxZoom = 8;

// Parses the arguments after the program name. False with `error` set on a bad argument.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

// The zoom alone, for setting up the display before the rest is parsed; 1 when absent or bad.
int ZoomFromArguments(const std::vector<std::string>& args);

std::string CommandLineUsage();

} // namespace tm47
