#include "runtime/FileWriter.h"

#include "runtime/Errors.h"

namespace rt {

NewFile::NewFile(const std::string& path) {
    if (const unsigned code = os::CreateForWriting(path, file_)) {
        throw Error(Format("Cannot create file \"%s\". %s", os::FullPathName(path).c_str(),
                           TrimSystemMessage(os::SystemMessage(code)).c_str()));
    }
}

void NewFile::WriteAll(const void* data, std::size_t size) {
    if (size == 0)
        return;
    std::size_t written = 0;
    if (os::Write(file_, data, size, written) != 0 || written != size)
        throw Error("Stream write error");
}

void WriteBytesToFile(const std::string& path, const void* data, std::size_t size) {
    NewFile(path).WriteAll(data, size);
}

void WriteTextsToFile(const std::string& path, const std::vector<std::string>& texts) {
    std::string content;
    for (const std::string& text : texts)
        content.append(text).append("\r\n");
    WriteBytesToFile(path, content.data(), content.size());
}

} // namespace rt
