// Texts, messages and the hash over the POSIX seam, for the host's tests: each byte
// stands for itself, messages are the system's English ones, SHA-256 is OpenSSL's.
#include "runtime/OsSeam.h"

#include <openssl/sha.h>

#include <cstdio>
#include <unistd.h>

namespace os {

// The host's tests use ASCII texts only: each byte stands for itself.
WideText Widened(const std::string& text) {
    WideText wide;
    wide.chars.insert(wide.chars.begin(), text.begin(), text.end());
    return wide;
}

std::string FormattedV(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, args);
    return text;
}

std::string FullPathName(const std::string& path) {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/' || (path.size() >= 2 && path[1] == ':')))
        return path;
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) + "/" + path : path;
}

std::string SystemMessage(unsigned code) {
    switch (code) {
    case kErrorFileNotFound:
        return "The system cannot find the file specified.\r\n";
    case kErrorPathNotFound:
        return "The system cannot find the path specified.\r\n";
    case kErrorAccessDenied:
        return "Access is denied.\r\n";
    case kErrorSharingViolation:
        return "The process cannot access the file because it is being used by another process.\r\n";
    case kErrorDiskFull:
        return "There is not enough space on the disk.\r\n";
    case kErrorAlreadyExists:
        return "Cannot create a file when that file already exists.\r\n";
    case kErrorFilenameTooLong:
        return "The filename or extension is too long.\r\n";
    default:
        return "";
    }
}

unsigned Sha256(const void* data, std::size_t size, Sha256Digest& digest) {
    SHA256(static_cast<const unsigned char*>(data), size, digest.data());
    return 0;
}

} // namespace os
