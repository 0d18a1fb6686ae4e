#include "profile/ProfileFile.h"

#include <vector>

#include "keymap/KeyRecordReconcile.h"
#include "keymap/KeymapFile.h"
#include "profile/ProfileStore.h"
#include "util/AtomicFile.h"
#include "util/Utf16.h"

namespace vandrel {

std::filesystem::path profileFilePath(const std::filesystem::path& folder, const std::string& utf8Name) {
    return profileFilePath(folder, utf8ToUtf16(utf8Name));
}

std::filesystem::path profileFilePath(const std::filesystem::path& folder, const std::u16string& name) {
    return folder / PathFromUtf16(name + u".bin");
}

bool namesAFile(const std::string& argument) {
    const bool hasSeparator = argument.find_first_of("/\\") != std::string::npos;
    const bool endsWithBin = argument.size() >= 4 && argument.compare(argument.size() - 4, 4, ".bin") == 0;
    return hasSeparator || endsWithBin;
}

ProfileTarget profileTarget(const std::string& argument, const std::filesystem::path& folder) {
    ProfileTarget t;
    std::filesystem::path file;
    if (namesAFile(argument)) {
        file = std::filesystem::path(argument);  // the bytes as typed, whatever their encoding
    } else {
        if (!IsValidProfileName(utf8ToUtf16(argument))) {
            t.problem = ProfileTargetProblem::NotAName;
            t.error = "'" + argument + "' cannot be a profile name.";
            return t;
        }
        file = profileFilePath(folder, argument);
        t.inProfileFolder = true;
    }
    // The file system takes names of at most 255 bytes; a longer one would
    // only fail later, when the file is opened.
    const size_t nameBytes = file.filename().native().size();
    if (nameBytes > kMaxFileNameBytes) {
        t.problem = ProfileTargetProblem::TooLong;
        t.error = "'" + argument + "' is too long for a file name (" + std::to_string(nameBytes) +
                  " bytes, at most " + std::to_string(kMaxFileNameBytes) + ").";
        t.inProfileFolder = false;
        return t;
    }
    t.file = std::move(file);
    return t;
}

ProfileFileRead readProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                                std::string& error) {
    std::vector<uint8_t> bytes;
    // One byte more than a profile holds, so that a longer file shows itself.
    const FileResult r = readFilePrefix(file, kKeymapFileBytes + 1, bytes);
    if (r == FileResult::Missing) {
        error = "no profile " + file.string();
        return ProfileFileRead::Missing;
    }
    if (r != FileResult::Ok) {
        error = file.string() + " cannot be read";
        return ProfileFileRead::Unreadable;
    }
    // The image alone is a profile too (one made by "new"): it leaves the key
    // records as they are, as loading it in the program does. A truncated or
    // foreign file would leave a mixture of two configurations.
    if (!IsProfileFileSize(bytes.size())) {
        error = file.string() + " is not a profile (" + std::to_string(bytes.size()) + " bytes, a profile has " +
                std::to_string(kKeymapFileBytes) + ", or " + std::to_string(sizeof(DeviceImage)) +
                " when made by \"new\")";
        return ProfileFileRead::NotAProfile;
    }
    ApplyConfigurationBytes(bytes.data(), bytes.size(), &image, records);
    records.restoreHomeCodes();  // a file never decides which key a record belongs to
    ReconcileKeyRecords(image, records);
    return ProfileFileRead::Loaded;
}

bool loadProfileFile(const std::filesystem::path& file, DeviceImage& image, KeyRecordTable& records,
                     std::string& error) {
    return readProfileFile(file, image, records, error) == ProfileFileRead::Loaded;
}

}  // namespace vandrel
