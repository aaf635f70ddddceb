#include "engine/TargetPaths.h"

#include "runtime/Text.h"

namespace engine {

using rt::StripBlanks;

std::string DataFolder(const std::string& installDir) {
    return installDir + "\\data";
}

std::string DailyFolder(const std::string& installDir) {
    return installDir + "\\data\\day";
}

std::string ManifestCopyPath(const std::string& installDir) {
    return StripBlanks(installDir) + "\\count1.dat";
}

std::string JournalPath(const std::string& installDir) {
    return StripBlanks(installDir) + "\\Setup.journal";
}

std::string UninstallListPath(const std::string& installDir) {
    return installDir + "\\Unini.dat";
}

std::string EntryPath(const std::string& installDir, LineClass lineClass, const std::string& fileName) {
    switch (lineClass) {
    case LineClass::Daily:
        return StripBlanks(installDir) + "\\data\\day\\" + fileName;
    case LineClass::Data:
        return StripBlanks(installDir + "\\data\\") + fileName;
    default:
        return StripBlanks(installDir + "\\") + fileName;
    }
}

} // namespace engine
