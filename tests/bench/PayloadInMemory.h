// Payload folders served as stores for the benchmarks' plain loops and runs.
#pragma once

#include "engine/Manifest.h"
#include "engine/PayloadCheck.h"
#include "engine/TargetPaths.h"
#include "runtime/TextFile.h"
#include "tests/support/FolderStore.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// A payload folder's entries to install (the manifest's own line left out), in order,
// with the bytes of each served as a store's blobs.
class PayloadToWrite : public engine::PayloadStore {
  public:
    struct Entry {
        std::string name, type, fileName;
        engine::LineClass lineClass;
    };

    const std::vector<Entry>& Entries() const { return entries_; }

  protected:
    // Reads the folder's manifest; calls onLine for each of its entries, its own first.
    template <class OnLine> void ReadManifest(const std::string& folder, OnLine onLine) {
        rt::TextFile manifest(folder + "\\Count.dat");
        manifest.Reset();
        for (long line = 1; !manifest.Eof(); ++line) {
            const engine::ManifestEntry entry = engine::SplitManifestLine(manifest.ReadLn());
            onLine(entry);
            if (line > 1)
                entries_.push_back({entry.name, entry.type, entry.fileName, engine::ClassOfLine(line)});
        }
        manifest.Close();
    }

  private:
    std::vector<Entry> entries_;
};

// The payload read once into memory, with its digests, so that timing compares writing
// and bookkeeping, not reading the payload folder.
class PayloadInMemory : public PayloadToWrite {
  public:
    explicit PayloadInMemory(const std::string& folder) {
        const testing_support::FolderStore files(folder);
        ReadManifest(folder, [&](const engine::ManifestEntry& entry) {
            const engine::Blob blob = files.Open(entry.name, entry.type);
            bytes_[{engine::UpperCase(entry.type), engine::UpperCase(entry.name)}] =
                std::string(blob.Data(), blob.Size());
        });
        const engine::Blob digests = files.Open(engine::kDigestsName, engine::kDigestsType);
        bytes_[{engine::kDigestsType, engine::kDigestsName}] = std::string(digests.Data(), digests.Size());
    }

    engine::Blob Open(const std::string& name, const std::string& type) const override {
        const auto found = bytes_.find({engine::UpperCase(type), engine::UpperCase(name)});
        if (found == bytes_.end())
            engine::ThrowResourceNotFound(name);
        return engine::Blob(found->second.data(), found->second.size());
    }

  private:
    std::map<std::pair<std::string, std::string>, std::string> bytes_;
};

} // namespace bench
