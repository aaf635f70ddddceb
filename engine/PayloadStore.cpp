#include "engine/PayloadStore.h"

#include "runtime/Errors.h"
#include "runtime/FileWriter.h"

namespace engine {

void WriteBlobToFile(const Blob& blob, const std::string& path) {
    rt::WriteBytesToFile(path, blob.Data(), blob.Size());
}

void ThrowResourceNotFound(const std::string& name) {
    throw rt::Error(rt::Format("Resource %s not found", name.c_str()));
}

std::string UpperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace engine
