#pragma once
// The logger's command line, a contract other tools rely on:
//   tm47logger [--root DIR] [--port COMn=PATH]... [--portrait | --landscape] [--zoom N]
//              [--simulate]
// Both "--flag VALUE" and "--flag=VALUE" are accepted. Qt's own single-dash options
// ("-platform offscreen", "-style Fusion", ...) are left for Qt. It is parsed before any Qt
// object exists, so --help, --version and a bad argument need no display.

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
    bool version = false;
};

inline constexpr int kMaxZoom = 8;

// Parses the arguments after the program name. False with `error` set on a bad argument.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error);

std::string CommandLineUsage();

// "tm47logger <package version>", the program's release, not the file-format version.
std::string CommandLineVersion();

} // namespace tm47
