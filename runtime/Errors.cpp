#include "runtime/Errors.h"

#include "runtime/OsSeam.h"

#include <cstdarg>

namespace rt {

IoError::IoError(unsigned code) : Error(IoErrorMessage(code)) {}

std::string IoErrorMessage(unsigned code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    case 100:
        return "Read beyond end of file";
    case 101:
        return "Disk full";
    case 106:
        return "Invalid numeric input";
    default:
        return Format("I/O error %u", code);
    }
}

std::string TrimSystemMessage(const std::string& message) {
    std::size_t end = message.size();
    while (end > 0) {
        const auto c = static_cast<unsigned char>(message[end - 1]);
        if (c > 0x20 && c != '.')
            break;
        --end;
    }
    return message.substr(0, end);
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = os::FormattedV(format, args);
    va_end(args);
    return text;
}

} // namespace rt
