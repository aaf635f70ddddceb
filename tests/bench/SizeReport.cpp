#include "tests/bench/SizeReport.h"

#include "engine/Manifest.h"
#include "engine/PayloadStore.h"
#include "runtime/Text.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace bench {

namespace {

struct Section {
    std::string name;
    unsigned long fileBytes; // raw size in the file
};

// The section table of the PE file's header, or nothing when the file is not one.
std::vector<Section> SectionsOf(const std::vector<char>& file) {
    std::vector<Section> sections;
    if (file.size() < sizeof(IMAGE_DOS_HEADER))
        return sections;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(file.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(file.data() + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        sections.push_back({std::string(reinterpret_cast<const char*>(section->Name),
                                        strnlen(reinterpret_cast<const char*>(section->Name), 8)),
                            section->SizeOfRawData});
    return sections;
}

struct TypeWeight {
    unsigned long count = 0;
    unsigned long bytes = 0;
};

struct ResourceWeights {
    std::set<std::string> payloadKeys;        // "TYPE NAME" of the manifest and each blob it names
    std::map<std::string, TypeWeight> byType; // beyond the payload
    TypeWeight payload;                       // the payload's own blobs
};

std::string KeyOf(const std::string& type, const std::string& name) {
    return engine::UpperCase(type) + " " + engine::UpperCase(name);
}

// The manifest among the executable's resources, and every blob it names.
std::set<std::string> PayloadKeys(HMODULE module) {
    std::set<std::string> keys = {KeyOf(engine::kManifestType, engine::kManifestName)};
    HRSRC found = FindResourceA(module, engine::UpperCase(engine::kManifestName).c_str(),
                                engine::UpperCase(engine::kManifestType).c_str());
    const char* bytes = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : nullptr;
    if (!bytes)
        return keys;
    for (const std::string& line : rt::SplitLines(std::string(bytes, SizeofResource(module, found)))) {
        const engine::ManifestEntry entry = engine::SplitManifestLine(line);
        keys.insert(KeyOf(entry.type, entry.name));
    }
    return keys;
}

std::string TypeName(LPCSTR type) {
    static const std::map<ULONG_PTR, const char*> kNumbered = {
        {2, "BITMAP"}, {3, "ICON"}, {14, "GROUP_ICON"}, {16, "VERSION"}, {24, "MANIFEST"}};
    if (!IS_INTRESOURCE(type))
        return type;
    const auto known = kNumbered.find(reinterpret_cast<ULONG_PTR>(type));
    return known != kNumbered.end() ? known->second : "#" + std::to_string(reinterpret_cast<ULONG_PTR>(type));
}

BOOL CALLBACK WeighLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR state) {
    auto* weights = reinterpret_cast<ResourceWeights*>(state);
    const bool payload =
        !IS_INTRESOURCE(type) && !IS_INTRESOURCE(name) && weights->payloadKeys.count(KeyOf(type, name));
    TypeWeight& weight = payload ? weights->payload : weights->byType[TypeName(type)];
    ++weight.count;
    weight.bytes += SizeofResource(module, FindResourceExA(module, type, name, language));
    return TRUE;
}

BOOL CALLBACK WeighName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR state) {
    EnumResourceLanguagesA(module, type, name, WeighLanguage, state);
    return TRUE;
}

BOOL CALLBACK WeighType(HMODULE module, LPSTR type, LONG_PTR state) {
    EnumResourceNamesA(module, type, WeighName, state);
    return TRUE;
}

ResourceWeights WeighResources(const char* path) {
    ResourceWeights weights;
    if (HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        weights.payloadKeys = PayloadKeys(module);
        EnumResourceTypesA(module, WeighType, reinterpret_cast<LONG_PTR>(&weights));
        FreeLibrary(module);
    }
    return weights;
}

} // namespace

void PrintSizeReport(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<Section> sections = SectionsOf(file);
    if (sections.empty()) {
        std::printf("  size report: %s cannot be read as a PE file\n", path);
        return;
    }
    const ResourceWeights resources = WeighResources(path);
    const unsigned long beyond = file.size() - resources.payload.bytes;
    std::printf("  %s: %zu bytes; the payload's own %lu blobs: %lu bytes; beyond them: %lu bytes (%.1f KB, "
                "target at most 400 KB)\n",
                path, file.size(), resources.payload.count, resources.payload.bytes, beyond, beyond / 1024.0);
    unsigned long inSections = 0;
    for (const Section& section : sections) {
        inSections += section.fileBytes;
        if (section.name != ".rsrc") {
            std::printf("    section %-8s %9lu\n", section.name.c_str(), section.fileBytes);
            continue;
        }
        unsigned long weighed = resources.payload.bytes;
        std::printf("    section %-8s %9lu beyond the payload, of which:\n", ".rsrc",
                    section.fileBytes - resources.payload.bytes);
        for (const auto& [type, weight] : resources.byType) {
            std::printf("      %-16s %9lu  (%lu)\n", type.c_str(), weight.bytes, weight.count);
            weighed += weight.bytes;
        }
        std::printf("      %-16s %9lu  (the tree of types, names and languages, and alignment)\n",
                    "directory", section.fileBytes - weighed);
    }
    std::printf("    %-16s %9lu\n", "headers, padding", static_cast<unsigned long>(file.size()) - inSections);
}

} // namespace bench
