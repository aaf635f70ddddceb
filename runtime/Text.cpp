#include "runtime/Text.h"

#include <cctype>

namespace rt {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Index of the byte just after the last path separator, or 0 when there is none.
std::size_t EndOfFolderPart(const std::string& path) {
    const std::size_t last = path.find_last_of("\\:");
    return last == std::string::npos ? 0 : last + 1;
}

} // namespace

std::string FoldCase(const std::string& text) {
    std::string folded = text;
    for (char& byte : folded)
        if (byte >= 'A' && byte <= 'Z')
            byte = static_cast<char>(byte - 'A' + 'a');
    return folded;
}

std::string StripBlanks(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string FolderPart(const std::string& path) {
    return path.substr(0, EndOfFolderPart(path));
}

std::string ContainingFolder(const std::string& path) {
    std::string folder = FolderPart(path);
    if (folder.size() > 3 && EndsWithSeparator(folder))
        folder.pop_back();
    return folder;
}

std::string FileNamePart(const std::string& path) {
    return path.substr(EndOfFolderPart(path));
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path.back() == '\\';
}

bool IsRootedPath(const std::string& path) {
    const bool driveRoot = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                           path[1] == ':' && IsSeparator(path[2]);
    if (driveRoot || path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1]))
        return driveRoot;
    // "\\server\share": two names of at least one byte each after the leading pair.
    std::size_t names = 0, length = 0;
    for (std::size_t i = 2; i < path.size() && names < 2; ++i) {
        if (IsSeparator(path[i])) {
            names += length > 0;
            length = 0;
            continue;
        }
        ++length;
    }
    return names + (length > 0) >= 2;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false; // a line has begun and not yet ended
    for (const char c : text) {
        if (c == 0x1A)
            break;
        open = true;
        if (c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            open = false;
        } else if (c != '\r') {
            line += c;
        }
    }
    if (open)
        lines.push_back(std::move(line));
    return lines;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
    const bool closed = EndsWithSeparator(folder);
    return path.size() > folder.size() + (closed ? 0 : 1) && path.compare(0, folder.size(), folder) == 0 &&
           (closed || path[folder.size()] == '\\');
}

} // namespace rt
