#include "command_line.h"

#include <charconv>
#include <cmath>

namespace r47 {

namespace {

std::optional<double> Number(const std::string& s) {
    double v = 0.0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

Command CommandNamed(const std::string& s) {
    if (s == "check")
        return Command::Check;
    if (s == "info")
        return Command::Info;
    if (s == "dump")
        return Command::Dump;
    if (s == "export")
        return Command::Export;
    if (s == "map")
        return Command::Map;
    return Command::None;
}

} // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
    Invocation inv;
    std::size_t i = 0;
    auto fail = [&](std::string what) {
        if (inv.error.empty()) {
            inv.error = std::move(what);
        }
        return inv;
    };
    if (args.empty()) {
        return fail("no command given");
    }
    if (args[0] == "--help" || args[0] == "-h") {
        inv.help = true;
        return inv;
    }
    if (args[0] == "--version") {
        inv.version = true;
        return inv;
    }
    inv.command = CommandNamed(args[0]);
    if (inv.command == Command::None) {
        return fail("unknown command \"" + args[0] + "\"");
    }
    const bool exporting = inv.command == Command::Export;
    const bool mapping = inv.command == Command::Map;
    for (i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            inv.help = true;
            return inv;
        }
        if ((exporting || mapping) && a == "-o") {
            const auto v = value();
            if (!v) {
                return fail("-o needs a file name");
            }
            inv.output = *v;
        } else if (exporting && a == "--format") {
            const auto v = value();
            if (v == "csv")
                inv.exportOptions.format = ExportFormat::Csv;
            else if (v == "xyz")
                inv.exportOptions.format = ExportFormat::Xyz;
            else if (v == "geojson")
                inv.exportOptions.format = ExportFormat::GeoJson;
            else if (v == "gpx")
                inv.exportOptions.format = ExportFormat::Gpx;
            else
                return fail("--format needs csv, xyz, geojson or gpx");
        } else if ((exporting || mapping) && (a == "--max-gap" || a == "--lag")) {
            const auto v = value();
            const auto n = v ? Number(*v) : std::nullopt;
            if (!n || (a == "--max-gap" && *n < 0) || std::fabs(*n) > 1e6) {
                return fail(a + " needs a number of seconds");
            }
            (a == "--max-gap" ? inv.exportOptions.maxGapS : inv.exportOptions.lagS) = *n;
        } else if (exporting && a == "--utc-offset") {
            const auto v = value();
            const auto n = v ? Number(*v) : std::nullopt;
            if (!n || *n < -12 || *n > 14) {
                return fail("--utc-offset needs hours from -12 to 14");
            }
            inv.exportOptions.utcOffsetHours = *n;
        } else if (mapping && a == "--channel") {
            const auto v = value();
            const auto n = v ? Number(*v) : std::nullopt;
            if (!n || (*n != 1 && *n != 2 && *n != 3 && *n != 4)) {
                return fail("--channel needs 1, 2, 3 or 4");
            }
            inv.channel = static_cast<int>(*n);
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option \"" + a + "\"");
        } else {
            inv.files.push_back(a);
        }
    }
    if (inv.files.empty()) {
        return fail("no data file given");
    }
    if ((inv.command == Command::Dump || mapping) && inv.files.size() > 1) {
        return fail("one data file only, got \"" + inv.files[1] + "\" too");
    }
    return inv;
}

std::string Usage(Command command) {
    switch (command) {
    case Command::Check:
        return "Usage: r47 check FILE...\n"
               "Checks data files record by record. Prints one line per problem,\n"
               "\"FILE: record N: what\", and one summary line per file.\n"
               "Exit status: 0 all whole and valid, 1 a problem found, 2 a file unreadable.\n";
    case Command::Info:
        return "Usage: r47 info FILE...\n"
               "Summarises each data file: instrument, units, trigger mode, survey lines,\n"
               "comments, markers, nulling and QC records, GPS coverage.\n";
    case Command::Dump:
        return "Usage: r47 dump FILE\n"
               "Prints one line per record: index, kind and its decoded fields.\n";
    case Command::Export:
        return "Usage: r47 export FILE... [--format csv|xyz|geojson|gpx] [-o OUT]\n"
               "                  [--max-gap S] [--lag S] [--utc-offset HOURS]\n"
               "Writes one row or feature per reading, with line, station, local date and\n"
               "time, tick, the four channels and a position interpolated between the GPS\n"
               "fixes around the reading.\n"
               "  --format F        csv (default), xyz, geojson or gpx\n"
               "  -o OUT            write to OUT instead of standard output\n"
               "  --max-gap S       use fixes at most S seconds from a reading (default 5)\n"
               "  --lag S           take positions S seconds before each reading (the sensor\n"
               "                    trails the antenna when S is positive)\n"
               "  --utc-offset H    local time minus UTC in hours, for GPX times (default:\n"
               "                    found from the GPS fixes)\n"
               "Exit status: 0 all read, 1 something skipped, 2 a file unreadable.\n";
    case Command::Map:
        return "Usage: r47 map FILE [-o map.svg] [--channel N] [--max-gap S] [--lag S]\n"
               "Draws a plan view as SVG: each line's GPS track, the readings coloured by\n"
               "channel N (default 1) with a legend, line names, a north arrow and a scale\n"
               "bar.\n";
    case Command::None:
        break;
    }
    return "Usage: r47 COMMAND [ARGS...]\n"
           "Checks, summarises and exports TM47 logger data files (*.R47).\n"
           "Commands:\n"
           "  check FILE...    find damaged or malformed records\n"
           "  info FILE...     summarise files\n"
           "  dump FILE        print every record\n"
           "  export FILE...   readings with positions as csv, xyz, geojson or gpx\n"
           "  map FILE         plan view as SVG\n"
           "r47 COMMAND --help describes a command; r47 --version prints the version.\n";
}

} // namespace r47
