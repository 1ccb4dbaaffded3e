#include "survey/data_file_naming.h"

#include <system_error>

#include "platform/c_numbers.h"

namespace tm47 {

const char* DataFolderDevicePath(int32_t dataStorage) {
    return dataStorage == 1 ? "Storage Card\\DATA47KVB" : "Storage\\DATA47KVB";
}

std::filesystem::path DataFolder(const DeviceRoot& root, int32_t dataStorage) {
    return root.Map(DataFolderDevicePath(dataStorage));
}

std::string NameStem(const LocalTime& t) {
    return PrintfZeroPadded(t.month, 2) + PrintfZeroPadded(t.day, 2) + PrintfZeroPadded(t.hour, 2);
}

bool DataFileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec)) && !ec;
}

std::string ProposeDataFileName(const DeviceRoot& root, int32_t dataStorage, const LocalTime& t) {
    const std::filesystem::path folder = DataFolder(root, dataStorage);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec); // a missing folder shows up at creation
    const std::string stem = NameStem(t);
    std::filesystem::path candidate;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string name = stem + letter;
        candidate = folder / (name + ".R47");
        if (!DataFileExists(candidate)) {
            return name;
        }
    }
    return candidate.string();
}

bool ApplyNameSwitches(std::string& path, int32_t& writeTestFile) {
    bool found = false;
    if (std::size_t at = path.find("$$$"); at != std::string::npos) {
        writeTestFile = 1;
        path.erase(at, 3);
        found = true;
    }
    if (std::size_t at = path.find("!!!"); at != std::string::npos) {
        writeTestFile = 0;
        path.erase(at, 3);
        found = true;
    }
    return found;
}

DataFile::CreateResult CreateDataFile(RecordContext& ctx, const std::filesystem::path& path,
                                      const HeaderOffsets& header,
                                      const std::array<float, 4>& previousOffsets,
                                      std::string* error) {
    const auto result = ctx.dataFile.Create(path, ctx.settings.writeTestFile == 1, error);
    if (result != DataFile::CreateResult::Created) {
        return result;
    }
    WriteFileHeader(ctx, header);
    WriteLineHeader(ctx, header.nullOffsets, previousOffsets);
    WriteTimeStamp(ctx);
    return result;
}

} // namespace tm47
