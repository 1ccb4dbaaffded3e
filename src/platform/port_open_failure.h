#pragma once
// Why a serial port did not open, said so the operator can act on it: the second line of the
// "Cannot open ... port" message. The device is missing, held by another program (named
// where /proc tells), or closed to this user (with the group to join, read from the node).

#include <string>

namespace tm47 {

struct PortOpenFacts {
    std::string path;
    int sysError = 0;   // errno of the failed open; EBUSY when another open file holds the lock
    std::string holder; // "name (pid N)" of a program that has the device open, or empty
    std::string group;  // the group that owns the device node, or empty
};

// "/dev/ttyUSB0: not found", "...: busy, held by name (pid N)", "...: permission denied; ...".
std::string FormatPortOpenFailure(const PortOpenFacts& facts);

// Gathers the facts for `path` from the system and formats them.
std::string DescribePortOpenFailure(const std::string& path, int sysError);

// Another process that has `path` open, as "name (pid N)"; empty when none can be seen.
std::string PortHolder(const std::string& path);

// Two paths that reach the same device: the same character device number, or the same file
// once links are resolved. Paths that do not exist are the same only when spelled the same.
bool SameDevice(const std::string& a, const std::string& b);

} // namespace tm47
