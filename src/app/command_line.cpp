#include "app/command_line.h"

#include <charconv>
#include <string_view>

#include "platform/device_root.h"

namespace tm47 {

namespace {

// Splits "--flag=value" or takes the next argument as the value.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& flag,
               std::string& value, bool& matched) {
    const std::string& arg = args[i];
    matched = false;
    if (arg == flag) {
        matched = true;
        if (i + 1 >= args.size()) {
            return false;
        }
        value = args[++i];
        return true;
    }
    if (arg.size() > flag.size() && arg.compare(0, flag.size(), flag) == 0 &&
        arg[flag.size()] == '=') {
        matched = true;
        value = arg.substr(flag.size() + 1);
        return true;
    }
    return true;
}

bool ParseZoom(const std::string& text, int& zoom) {
    int value = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || p != text.data() + text.size() || value < 1 || value > kMaxZoom) {
        return false;
    }
    zoom = value;
    return true;
}

// Qt's own options, which QApplication takes out of the arguments; those listed here take a
// value as the next argument.
bool IsQtOption(const std::string& arg, bool& takesValue) {
    static constexpr std::string_view kWithValue[] = {
        "-platform",     "-platformpluginpath", "-platformtheme", "-plugin",     "-qwindowgeometry",
        "-qwindowtitle", "-qwindowicon",        "-style",         "-stylesheet", "-session",
        "-display",      "-geometry",           "-title",         "-name"};
    takesValue = false;
    if (arg.size() < 2 || arg[0] != '-' || arg[1] == '-' || arg == "-h") {
        return false;
    }
    for (std::string_view option : kWithValue) {
        if (arg == option) {
            takesValue = true;
        }
    }
    return true;
}

} // namespace

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error) {
    out = CommandLine{};
    out.comMap = ComMap::FromEnvironment();
    bool rootGiven = false;
    bool orientationGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string value;
        bool matched = false;
        if (arg == "--portrait" || arg == "--landscape") {
            const bool portrait = arg == "--portrait";
            if (orientationGiven && out.portrait != portrait) {
                error = "--portrait and --landscape exclude each other";
                return false;
            }
            orientationGiven = true;
            out.portrait = portrait;
            continue;
        }
        if (arg == "--simulate") {
            out.simulate = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        if (arg == "--version") {
            out.version = true;
            continue;
        }
        if (bool takesValue = false; IsQtOption(arg, takesValue)) {
            if (takesValue && ++i >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            continue;
        }
        if (!TakeValue(args, i, "--root", value, matched)) {
            error = "--root needs a folder";
            return false;
        }
        if (matched) {
            if (value.empty()) {
                error = "--root needs a folder";
                return false;
            }
            out.root = value;
            rootGiven = true;
            continue;
        }
        if (!TakeValue(args, i, "--port", value, matched)) {
            error = "--port needs COMn=PATH";
            return false;
        }
        if (matched) {
            if (!out.comMap.SetFromArgument(value)) {
                error = "bad --port " + value + " (expected COMn=PATH with n 1..12)";
                return false;
            }
            continue;
        }
        if (!TakeValue(args, i, "--zoom", value, matched)) {
            error = "--zoom needs a number";
            return false;
        }
        if (matched) {
            if (!ParseZoom(value, out.zoom)) {
                error = "bad --zoom " + value + " (expected 1.." + std::to_string(kMaxZoom) + ")";
                return false;
            }
            continue;
        }
        error = "unknown argument " + arg;
        return false;
    }
    if (!rootGiven) {
        out.root = DeviceRoot::DefaultPath();
    }
    return true;
}

std::string CommandLineUsage() {
    return "Usage: tm47logger [--root DIR] [--port COMn=PATH]... [--portrait | --landscape] "
           "[--zoom N] [--simulate]\n"
           "The field console and data logger for the TM47KVB metal detector.\n\n"
           "  --root DIR         the handheld's file-system root (default $TM47_ROOT,\n"
           "                     else $XDG_DATA_HOME/tm47logger)\n"
           "  --port COMn=PATH   serial device behind COMn: (n 1..12; default /dev/ttyUSB<n-1>)\n"
           "  --portrait         240 x 320 screen (default)\n"
           "  --landscape        320 x 240 screen\n"
           "  --zoom N           draw everything N times larger (1..8)\n"
           "  --simulate         run against the built-in instrument and GPS simulator\n"
           "  --help             this text\n"
           "  --version          the program's version\n";
}

std::string CommandLineVersion() {
    return std::string("tm47logger ") + TM47_PACKAGE_VERSION + "\n";
}

} // namespace tm47
