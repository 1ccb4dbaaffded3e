#include "dialog_test_support.h"

#include <QDir>
#include <QFile>

#include <filesystem>

namespace tm47 {

void TempRoot::InsertStorageCard() const {
    QDir(dir.path()).mkpath(QStringLiteral("Storage Card"));
}

bool TempRoot::SettingsFileExists() const {
    return std::filesystem::exists(root.Map("Storage\\TALINI\\TM47KVB.INI"));
}

QStringList SettingsFileLines(const DeviceRoot& root) {
    QFile file(QString::fromStdString(root.Map("Storage\\TALINI\\TM47KVB.INI").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QString text = QString::fromLatin1(file.readAll());
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast(); // after the last CR LF
    }
    return lines;
}

QStringList ExpectedFileLines(const std::map<int, QString>& changes) {
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
