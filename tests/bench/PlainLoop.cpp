#include "tests/bench/PlainLoop.h"

#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"

#include <algorithm>
#include <chrono>

namespace bench {

void PlainLoop(const PayloadInMemory& payload, const std::string& target,
               const std::function<void(const std::string& path)>& perFile) {
    for (const char* folder : {"", "\\data", "\\data\\day"})
        rt::ForceDirectories(target + folder);
    const engine::Blob manifest = payload.Open(engine::kManifestName, engine::kManifestType);
    rt::NewFile(engine::ManifestCopyPath(target)).WriteAll(manifest.Data(), manifest.Size());
    std::vector<std::string> written;
    for (const auto& entry : payload.Entries()) {
        const std::string path = engine::EntryPath(target, entry.lineClass, entry.fileName);
        const engine::Blob blob = payload.Open(entry.name, entry.type);
        rt::NewFile(path).WriteAll(blob.Data(), blob.Size());
        written.push_back(path);
        if (perFile)
            perFile(path);
    }
    rt::WriteTextsToFile(engine::UninstallListPath(target), written);
}

double MillisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace bench
