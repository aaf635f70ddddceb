#include "engine/Manifest.h"

#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

namespace engine {

void SplitToken(std::string& line, char separator, std::string& token) {
    const std::size_t at = line.find(separator);
    if (at == std::string::npos) {
        token.clear();
        return;
    }
    token = line.substr(0, at);
    line.erase(0, at + 1);
}

ManifestEntry SplitManifestLine(std::string line) {
    ManifestEntry entry;
    SplitToken(line, ' ', entry.name);
    SplitToken(line, ' ', entry.type);
    // Converted before it is split: in code page 936 a character's second byte may be "\".
    std::string path;
    if (!os::FromCodePage936(line, path))
        throw rt::Error("The payload's manifest names a file in bytes that are not code page 936");
    entry.fileName = rt::FileNamePart(path);
    return entry;
}

LineClass ClassOfLine(long lineNumber) {
    if (lineNumber <= 1)
        return LineClass::Manifest;
    if (lineNumber <= 5)
        return LineClass::Root;
    if (lineNumber == 6)
        return LineClass::Data;
    return LineClass::Daily;
}

} // namespace engine
