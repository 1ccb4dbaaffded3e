#pragma once
// Shared by the dialog tests: a throw-away device root and the settings file as lines.

#include "platform/device_root.h"

#include <QStringList>
#include <QTemporaryDir>

#include <map>

namespace tm47 {

struct TempRoot {
    QTemporaryDir dir;
    DeviceRoot root{dir.path().toStdString()};

    // Makes "Storage Card" exist under the root.
    void InsertStorageCard() const;
    bool SettingsFileExists() const;
};

// The settings file's lines without their CR LF endings (empty when there is no file).
QStringList SettingsFileLines(const DeviceRoot& root);

// The 47 lines a default record writes, with the given 1-based lines replaced.
QStringList ExpectedFileLines(const std::map<int, QString>& changes);

} // namespace tm47
