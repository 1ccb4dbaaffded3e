#pragma once
// The handheld's file system lives under a root folder. Device paths use '\' as separator:
// "Storage\TALINI\TM47KVB.INI" is <root>/Storage/TALINI/TM47KVB.INI.

#include <filesystem>
#include <string_view>

namespace tm47 {

class DeviceRoot {
public:
    explicit DeviceRoot(std::filesystem::path root) : root_(std::move(root)) {}

    // $TM47_ROOT, else $XDG_DATA_HOME/tm47logger, else ~/.local/share/tm47logger.
    static std::filesystem::path DefaultPath();

    const std::filesystem::path& Root() const { return root_; }
    // Maps a device path ("Storage\TALINI\LINE.TMP") to the host path under the root.
    std::filesystem::path Map(std::string_view devicePath) const;

private:
    std::filesystem::path root_;
};

} // namespace tm47
