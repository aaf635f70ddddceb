#include "tests/support/FolderStore.h"

#include "engine/Manifest.h"
#include "engine/PayloadCheck.h"
#include "runtime/Digest.h"
#include "runtime/OwnedFile.h"
#include "runtime/TextFile.h"

namespace testing_support {

namespace {

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
    rt::OwnedFile file;
    if (file.OpenForReading(path) != 0)
        return false;
    char chunk[65536];
    std::size_t read = 0;
    unsigned code;
    while ((code = os::Read(file.Handle(), chunk, sizeof chunk, read)) == 0 && read > 0)
        bytes.insert(bytes.end(), chunk, chunk + read);
    return code == 0;
}

// Folder of a line's file relative to the payload folder: "", "data\" or "data\day\".
const char* InstalledSubfolder(long lineNumber) {
    switch (engine::ClassOfLine(lineNumber)) {
    case engine::LineClass::Data:
        return "data\\";
    case engine::LineClass::Daily:
        return "data\\day\\";
    default:
        return "";
    }
}

} // namespace

FolderStore::FolderStore(std::string folder) : folder_(std::move(folder)) {
    rt::TextFile manifest(folder_ + "\\Count.dat");
    manifest.Reset();
    std::vector<std::string> blobsInOrder = {folder_ + "\\Count.dat"};
    for (long number = 1; !manifest.Eof(); ++number) {
        const engine::ManifestEntry entry = engine::SplitManifestLine(manifest.ReadLn());
        blobsInOrder.push_back(folder_ + "\\" + InstalledSubfolder(number) + entry.fileName);
        files_[{engine::UpperCase(entry.type), engine::UpperCase(entry.name)}] = blobsInOrder.back();
    }
    manifest.Close();
    std::string digests;
    for (const std::string& path : blobsInOrder) {
        std::vector<char> content;
        os::Sha256Digest digest = {}; // a blob that cannot be read has none
        if (ReadWholeFile(path, content))
            digest = rt::Sha256Of(content.data(), content.size());
        digests.append(reinterpret_cast<const char*>(digest.data()), digest.size());
    }
    const os::Sha256Digest whole = rt::Sha256Of(digests.data(), digests.size());
    digest_.assign(reinterpret_cast<const char*>(whole.data()), whole.size());
}

engine::Blob FolderStore::Open(const std::string& name, const std::string& type) const {
    const Key key{engine::UpperCase(type), engine::UpperCase(name)};
    if (key == Key{engine::kDigestsType, engine::kDigestsName})
        return engine::Blob(digest_.data(), digest_.size());
    auto bytes = read_.find(key);
    if (bytes == read_.end()) {
        const auto file = files_.find(key);
        std::vector<char> content;
        if (file == files_.end() || !ReadWholeFile(file->second, content))
            engine::ThrowResourceNotFound(name);
        bytes = read_.emplace(key, std::move(content)).first;
    }
    return engine::Blob(bytes->second.data(), bytes->second.size());
}

} // namespace testing_support
