#include "survey_test_support.h"

#include <QFile>

#include <fstream>
#include <iterator>

#include "datafile/records.h"

namespace tm47 {

Bench::Bench() : root(dir.path().toStdString()) {
    ctx.inputPanel = [this](bool before) { inputPanelCalls.push_back(before); };
}

std::string Bench::HostPath(const std::string& relative) const {
    return (root.Root() / relative).string();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ReadRecords(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> out;
    for (std::size_t at = 0; at < bytes.size(); at += kRecordLength) {
        out.push_back(bytes.substr(at, kRecordLength));
    }
    return out;
}

QStringList SettingsLines(const DeviceRoot& root) {
    QFile file(QString::fromStdString(root.Map("Storage\\TALINI\\TM47KVB.INI").string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLatin1(file.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

} // namespace tm47
