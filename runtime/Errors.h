// Error objects raised by the installer. Every failure that is not reported by a
// result travels as one of these to the handler that catches it.
#pragma once

#include <exception>
#include <string>

namespace rt {

// An error with a message text (UTF-8).
class Error : public std::exception {
  public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }

  private:
    std::string message_;
};

// An I/O error: the message that the I/O error table gives for the system's error code
// (or a reader code, 100 to 106), which tells the code.
class IoError : public Error {
  public:
    explicit IoError(unsigned code);
};

// Reader codes raised by the text reader itself.
constexpr unsigned kFileNotAssigned = 102;
constexpr unsigned kFileNotOpen = 103;

// The I/O error table: "File not found" for 2, ... "I/O error %d" for any other code.
std::string IoErrorMessage(unsigned code);

// A system message with every trailing byte of value 0x20 or less and every trailing
// "." cut off, as file-creation errors quote it.
std::string TrimSystemMessage(const std::string& message);

// printf-style formatting into a std::string of any length.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace rt
