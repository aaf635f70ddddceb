#include "runtime/TextFile.h"

#include "runtime/Errors.h"

namespace rt {

TextFile::~TextFile() {
    os::Close(file_);
}

void TextFile::Reset() {
    if (name_.empty())
        throw IoError(kFileNotAssigned);
    os::Close(file_);
    position_ = end_ = 0;
    if (const unsigned code = os::OpenForReading(name_, file_))
        throw IoError(code);
}

void TextFile::RequireOpen() const {
    if (file_ == os::kNoFile)
        throw IoError(kFileNotOpen);
}

bool TextFile::Fill() {
    if (position_ < end_)
        return true;
    std::size_t read = 0;
    if (const unsigned code = os::Read(file_, buffer_, kBufferSize, read))
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
    os::Close(file_);
    file_ = os::kNoFile;
}

} // namespace rt
