// Texts, messages and the hash over the POSIX seam, for the host's tests: code pages by
// iconv, with code page 936 standing for the system's, messages are the system's English
// ones, SHA-256 is OpenSSL's.
#include "runtime/OsSeam.h"

#include <openssl/sha.h>

#include <cstdio>
#include <cwchar>
#include <iconv.h>
#include <unistd.h>

namespace os {

namespace {

// The bytes converted from one encoding to another; false when some cannot be.
bool Converted(const char* from, const char* to, const std::string& bytes, std::string& converted) {
    converted.clear();
    iconv_t conversion = iconv_open(to, from);
    if (conversion == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string in = bytes;
    std::string out(bytes.size() * 4 + 4, '\0');
    char* inNext = &in[0];
    char* outNext = &out[0];
    std::size_t inLeft = in.size(), outLeft = out.size();
    const bool whole =
        iconv(conversion, &inNext, &inLeft, &outNext, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(conversion);
    if (whole)
        converted.assign(&out[0], out.size() - outLeft);
    return whole;
}

} // namespace

WideText Widened(const std::string& text) {
    WideText wide;
    std::string units;
    wide.valid = Converted("UTF-8", "WCHAR_T", text, units);
    if (wide.valid)
        wide.chars.insert(wide.chars.begin(), reinterpret_cast<const wchar_t*>(units.data()),
                          reinterpret_cast<const wchar_t*>(units.data() + units.size()));
    return wide;
}

std::string Narrowed(const wchar_t* text, int length) {
    const std::size_t count = length < 0 ? std::wcslen(text) : static_cast<std::size_t>(length);
    std::string narrow;
    Converted("WCHAR_T", "UTF-8", std::string(reinterpret_cast<const char*>(text), count * sizeof(wchar_t)),
              narrow);
    return narrow;
}

bool InSystemCodePage(const std::string& text, std::string& bytes) {
    return Converted("UTF-8", "CP936", text, bytes);
}

bool FromCodePage936(const std::string& bytes, std::string& text) {
    return Converted("CP936", "UTF-8", bytes, text);
}

bool FromSystemCodePage(const std::string& bytes, std::string& text) {
    return FromCodePage936(bytes, text);
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
