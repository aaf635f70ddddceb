#include "runtime/TextFile.h"

#include "runtime/Errors.h"

namespace rt {

void TextFile::Reset() {
    if (name_.empty())
        throw IoError(kFileNotAssigned);
    position_ = end_ = 0;
    if (const unsigned code = file_.OpenForReading(name_))
        throw IoError(code);
}

void TextFile::RequireOpen() const {
    if (!file_.IsOpen())
        throw IoError(kFileNotOpen);
}

bool TextFile::Fill() {
    if (position_ < end_)
        return true;
    std::size_t read = 0;
    if (const unsigned code = os::Read(file_.Handle(), buffer_, kBufferSize, read))
        throw IoError(code);
    position_ = 0;
    end_ = read;
    return read > 0;
}

bool TextFile::Eof() {
    RequireOpen();
    return !Fill() || buffer_[position_] == kEndOfText;
}

std::string TextFile::ReadLn() {
    RequireOpen();
    std::string line;
    while (Fill()) {
        const char c = buffer_[position_];
        if (c == kEndOfText)
            break;
        ++position_;
        if (c == '\n')
            break;
        if (c != '\r')
            line += c;
    }
    return line;
}

void TextFile::Close() {
    RequireOpen();
    file_.Close();
}

} // namespace rt
