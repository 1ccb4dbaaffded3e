#pragma once
// Shared by the dialog tests: a throw-away device root and the settings file as lines.

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <filesystem>
#include <map>

#include "platform/device_root.h"

namespace tm47 {

struct TempRoot {
    QTemporaryDir dir;
    DeviceRoot root{dir.path().toStdString()};

    void InsertStorageCard() const { QDir(dir.path()).mkpath(QStringLiteral("Storage Card")); }
    bool SettingsFileExists() const {
        return std::filesystem::exists(root.Map("Storage\\TALINI\\TM47KVB.INI"));
    }
};

// The settings file's lines without their CR LF endings (empty when there is no file).
inline QStringList SettingsFileLines(const DeviceRoot& root) {
    QFile file(QString::fromStdString(root.Map("Storage\\TALINI\\TM47KVB.INI").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // after the last CR LF
    }
    return lines;
}

// The 47 lines a default record writes, with the given 1-based lines replaced.
inline QStringList ExpectedFileLines(const std::map<int, QString>& changes) {
    QStringList lines{"CEVer2.31",  "0",        "0",        "0",        "0",        "0", "0",
                      "1",          "1",        "1",        "1",        "2",        "3", "4",
                      "1",          "16711680", "65280",    "255",      "16711935", "0", "0.000000",
                      "500.000000", "0",        "1",        "1",        "1",        "0", "0",
                      "0",          "1.000000", "0.200000", "2.000000", "0.200000", "0", "1.000000",
                      "0",          "1",        "0.000000", "0",        "0",        "0", "1",
                      "3",          "1",        "0",        "0",        "0"};
    for (const auto& [line, value] : changes) {
        lines[line - 1] = value;
    }
    return lines;
}

} // namespace tm47
