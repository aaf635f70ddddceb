#include "framework/ErrorReport.h"

namespace framework {

// In UTF-8 the last byte of a longer character is 0x80 or above, so the last byte sorts
// above "." exactly when the last character does.
std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

} // namespace framework
