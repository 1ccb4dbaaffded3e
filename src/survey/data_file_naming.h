#pragma once
// Naming and creating a data file. The proposal is month, day and hour ("%02d" each) and the
// first letter A to Z whose file does not exist yet in the data folder; the operator may type
// "$$$" into the name to turn the test file on, "!!!" to turn it off. Files are created new
// (an existing file is never opened), the data file and, when the test file is on, its copy
// with the last character of the path replaced by "D".
//
// The save dialog and the message boxes belong to the Qt side; everything here is plain.

#include <cstdint>
#include <filesystem>
#include <string>

#include "config/settings.h"
#include "datafile/data_file.h"
#include "datafile/record_writers.h"
#include "platform/clock.h"
#include "platform/device_root.h"

namespace tm47 {

inline constexpr const char* kCreateDataFileTitle = "Create Data File";
inline constexpr const char* kDataFileFilter = "TM47KVB Files (*.R47)";
inline constexpr const char* kDataFileExtension = "R47";
inline constexpr const char* kExistsWarningCaption = "WARNING";
inline constexpr const char* kExistsWarningText =
    "The file already exisits. Please enter another name";
// Our own failure message: the data file could not be created.
inline constexpr const char* kCreateFailedCaption = "Create Data File";
inline constexpr const char* kCreateFailedText = "Cannot create data file";

// The device folder for data: "Storage Card\DATA47KVB" when dataStorage is 1, else
// "Storage\DATA47KVB".
const char* DataFolderDevicePath(int32_t dataStorage);
// The host folder under the device root; also the folder the save dialog opens in.
std::filesystem::path DataFolder(const DeviceRoot& root, int32_t dataStorage);

// Month, day and hour: 5 December, 14 o'clock gives "120514".
std::string NameStem(const LocalTime& t);

// Creates the data folder (an existing one is fine) and returns the proposal: stem + the
// first free letter (for example "120514A"), or, when all 26 are taken, the full path of the Z
// file, which the existence check then refuses.
std::string ProposeDataFileName(const DeviceRoot& root, int32_t dataStorage, const LocalTime& t);

// Applies the switches typed into the returned path: "$$$" turns writeTestFile on and its first
// occurrence is removed; then "!!!" turns it off and its first occurrence is removed. True when
// a switch was found.
bool ApplyNameSwitches(std::string& path, int32_t& writeTestFile);

bool DataFileExists(const std::filesystem::path& path);

// Creates the data file (and the test file when writeTestFile is 1) and, when the data file was
// created, writes the opening records: file header, line header, time stamp. `error` gets the
// reason for Failed.
DataFile::CreateResult CreateDataFile(RecordContext& ctx, const std::filesystem::path& path,
                                      const HeaderOffsets& header,
                                      const std::array<float, 4>& previousOffsets,
                                      std::string* error = nullptr);

} // namespace tm47
