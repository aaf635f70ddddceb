#include "framework/ErrorReport.h"

#include "runtime/Text.h"

namespace framework {

namespace {

// First byte of the last character: a lead byte when the text ends in a two-byte one.
unsigned char FirstByteOfLastCharacter(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        start = i;
        if (rt::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
            ++i;
    }
    return static_cast<unsigned char>(text[start]);
}

} // namespace

std::string ErrorReportText(const std::string& message) {
    if (!message.empty() && FirstByteOfLastCharacter(message) > '.')
        return message + ".";
    return message;
}

} // namespace framework
