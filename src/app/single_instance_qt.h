#pragma once
// One running logger per device root. The first copy holds a lock file in the root's settings
// folder and listens on a local socket named after that folder; a second copy finds the lock
// held, asks the first over the socket to come to the front, and ends. A lock left by a
// copy that crashed is taken over (the lock file names its process).

#include <QLocalServer>
#include <QLockFile>
#include <QObject>

#include <filesystem>
#include <memory>

namespace tm47 {

class SingleInstance final : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const std::filesystem::path& settingsFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this is the only copy for the folder. False when another copy runs; it has
    // then been asked to come to the front.
    bool Acquire();

signals:
    void activationRequested();

private:
    std::filesystem::path folder_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
};

} // namespace tm47
