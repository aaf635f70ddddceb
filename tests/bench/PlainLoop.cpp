#include "tests/bench/PlainLoop.h"

#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"

#include <algorithm>
#include <chrono>

namespace bench {

namespace {

// Creates the file where nothing stands (the loop writes into a fresh folder) and
// writes it whole, with the calls the run makes.
void WriteNew(const std::string& path, const char* data, std::size_t size) {
    rt::NewFile file;
    if (const unsigned code = file.CreateOnly(path))
        throw rt::CannotCreateFile(path, code);
    file.WriteAll(data, size);
}

} // namespace

void PlainLoop(const PayloadToWrite& payload, const std::string& target,
               const std::function<void(const std::string& path)>& perFile) {
    for (const char* folder : {"", "\\data", "\\data\\day"})
        rt::ForceDirectories(target + folder);
    const engine::Blob manifest = payload.Open(engine::kManifestName, engine::kManifestType);
    WriteNew(engine::ManifestCopyPath(target), manifest.Data(), manifest.Size());
    std::vector<std::string> written;
    for (const auto& entry : payload.Entries()) {
        const std::string path = engine::EntryPath(target, entry.lineClass, entry.fileName);
        const engine::Blob blob = payload.Open(entry.name, entry.type);
        WriteNew(path, blob.Data(), blob.Size());
        written.push_back(path);
        if (perFile)
            perFile(path);
    }
    const std::string uninstallList = rt::JoinLines(written);
    WriteNew(engine::UninstallListPath(target), uninstallList.data(), uninstallList.size());
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
