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

std::string PartEndingInBlankOrDot(const std::string& installDir) {
    const std::string folder = StripBlanks(installDir);
    std::size_t start = 0;
    while (start <= folder.size()) {
        std::size_t end = folder.find_first_of("\\/", start);
        end = end == std::string::npos ? folder.size() : end;
        const std::string part = folder.substr(start, end - start);
        if (!part.empty() && (part.back() == '.' || part.back() == ' '))
            return part;
        start = end + 1;
    }
    return "";
}

} // namespace engine
