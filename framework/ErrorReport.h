// The text of the default error report.
#pragma once

#include <string>

namespace framework {

// The message with a full stop appended when it is not empty and its last character
// sorts above "." (letters, digits, every character beyond ASCII); unchanged when it ends
// in "." or in a character that sorts below it (space, "!", ")", ",", "-" and the like).
std::string ErrorReportText(const std::string& message);

} // namespace framework
