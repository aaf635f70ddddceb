// A payload folder too large to hold in a 32-bit process's memory, served a file at a
// time from a mapped view of it, as the installer's own image serves its resources: a
// blob is valid until the next one is opened. For the plain loop over the large payloads.
#pragma once

#include "engine/TargetPaths.h"
#include "runtime/OsSeam.h"
#include "tests/bench/PayloadInMemory.h"

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace bench {

class MappedPayload : public PayloadToWrite {
  public:
    explicit MappedPayload(const std::string& folder) {
        ReadManifest(folder, [&](const engine::ManifestEntry&) {});
        paths_[{engine::UpperCase(engine::kManifestType), engine::UpperCase(engine::kManifestName)}] =
            folder + "\\Count.dat";
        for (const Entry& entry : Entries())
            paths_[{engine::UpperCase(entry.type), engine::UpperCase(entry.name)}] =
                engine::EntryPath(folder, entry.lineClass, entry.fileName);
    }

    engine::Blob Open(const std::string& name, const std::string& type) const override {
        const auto found = paths_.find({engine::UpperCase(type), engine::UpperCase(name)});
        if (found == paths_.end())
            engine::ThrowResourceNotFound(name);
        view_.reset(); // one view at a time: the whole payload may not fit in the address space
        const HANDLE file = CreateFileW(os::Widened(found->second).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            engine::ThrowResourceNotFound(name);
        LARGE_INTEGER size = {};
        GetFileSizeEx(file, &size);
        const HANDLE mapping =
            size.QuadPart ? CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
        CloseHandle(file);
        if (mapping) {
            view_.reset(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
            CloseHandle(mapping); // the view keeps the mapping
        }
        return engine::Blob(view_.get(), static_cast<std::size_t>(size.QuadPart));
    }

  private:
    struct Unmap {
        void operator()(void* view) const { UnmapViewOfFile(view); }
    };
    std::map<std::pair<std::string, std::string>, std::string> paths_;
    mutable std::unique_ptr<void, Unmap> view_;
};

} // namespace bench
