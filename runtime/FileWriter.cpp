#include "runtime/FileWriter.h"

#include "runtime/Errors.h"

#include <algorithm>

namespace rt {

Error CannotCreateFile(const std::string& path, unsigned code) {
    return Error(Format("Cannot create file \"%s\". %s", os::FullPathName(path).c_str(),
                        TrimSystemMessage(os::SystemMessage(code)).c_str()));
}

unsigned NewFile::CreateOnly(const std::string& path) {
    path_ = path;
    return file_.CreateNewForWriting(path);
}

bool NewFile::ReadIdentity(os::Identity& identity) const {
    return file_.IsOpen() && os::ReadIdentity(file_.Handle(), path_, identity) == 0;
}

void NewFile::WriteAll(const void* data, std::size_t size, const std::function<void()>& betweenParts) {
    const char* next = static_cast<const char*>(data);
    for (std::size_t left = size; left > 0;) {
        const std::size_t part = std::min(left, kWritePart);
        std::size_t written = 0;
        if (os::Write(file_.Handle(), next, part, written) != 0 || written != part)
            throw Error("Stream write error");
        next += part;
        left -= part;
        if (left > 0 && betweenParts)
            betweenParts();
    }
}

std::string JoinLines(const std::vector<std::string>& texts) {
    std::string content;
    for (const std::string& text : texts)
        content.append(text).append("\r\n");
    return content;
}

} // namespace rt
