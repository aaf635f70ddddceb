// The payload store over the running executable's own resources.
#include "engine/ResourceStore.h"

#include <windows.h>

namespace engine {

Blob ResourceStore::Open(const std::string& name, const std::string& type) const {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, UpperCase(name).c_str(), UpperCase(type).c_str());
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        ThrowResourceNotFound(name);
    // Resources live as long as the module; there is nothing to release.
    return Blob(bytes, SizeofResource(self, found));
}

} // namespace engine
