#include "engine/PayloadStore.h"

#include "runtime/Errors.h"

namespace engine {

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
