#include "engine/ResourceStore.h"
#include "engine/Manifest.h"
#include "engine/PayloadCheck.h"
#include "runtime/Errors.h"
#include "runtime/TextFile.h"
#include "tests/support/FolderStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

using namespace engine;
using testing_support::FolderStore;

TEST(ResourceStore, EveryManifestBlobEqualsItsPayloadFile) {
    const ResourceStore resources;
    const FolderStore folder(PAYLOAD_DIR);
    rt::TextFile manifest(std::string(PAYLOAD_DIR) + "\\Count.dat");
    manifest.Reset();
    long lines = 0;
    while (!manifest.Eof()) {
        const ManifestEntry entry = SplitManifestLine(manifest.ReadLn());
        ++lines;
        const Blob stored = resources.Open(entry.name, entry.type);
        const Blob expected = folder.Open(entry.name, entry.type);
        ASSERT_EQ(stored.Size(), expected.Size()) << entry.name;
        ASSERT_EQ(std::memcmp(stored.Data(), expected.Data(), stored.Size()), 0) << entry.name;
    }
    manifest.Close();
    EXPECT_GE(lines, kMinimumManifestLines);
}

TEST(ResourceStore, LookupIgnoresCaseAndReportsMissingBlobs) {
    const ResourceStore resources;
    EXPECT_EQ(resources.Open("FCOUNT", "DATFILE").Data(), resources.Open("fCount", "datfile").Data());
    try {
        resources.Open("f000000", "dayfile");
        FAIL();
    } catch (const rt::Error& e) {
        EXPECT_STREQ(e.what(), "Resource f000000 not found");
    }
}

namespace {

struct ResourceCensus {
    long blobs = 0;
    long digestLists = 0;
    std::vector<std::string> problems;
};

BOOL CALLBACK CountLanguage(HMODULE, LPCSTR, LPCSTR name, WORD language, LONG_PTR state) {
    auto* census = reinterpret_cast<ResourceCensus*>(state);
    if (language != MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED))
        census->problems.push_back(std::string(name) + ": language " + std::to_string(language));
    return TRUE;
}

BOOL CALLBACK CountName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR state) {
    auto* census = reinterpret_cast<ResourceCensus*>(state);
    ++census->blobs;
    if (IS_INTRESOURCE(name) || engine::UpperCase(name) != name)
        census->problems.push_back("a name not in upper case");
    EnumResourceLanguagesA(module, type, name, CountLanguage, state);
    return TRUE;
}

BOOL CALLBACK CountType(HMODULE module, LPSTR type, LONG_PTR state) {
    if (IS_INTRESOURCE(type)) // the payload's types are strings; icons and the like are numbered
        return TRUE;
    if (std::string(type) == engine::kDigestsType)
        ++reinterpret_cast<ResourceCensus*>(state)->digestLists;
    else
        EnumResourceNamesA(module, type, CountName, state);
    return TRUE;
}

} // namespace

TEST(ResourceStore, EveryBlobIsAnUpperCaseStringResourceInSimplifiedChinese) {
    ResourceCensus census;
    EnumResourceTypesA(GetModuleHandleA(nullptr), CountType, reinterpret_cast<LONG_PTR>(&census));
    rt::TextFile manifest(std::string(PAYLOAD_DIR) + "\\Count.dat");
    manifest.Reset();
    long lines = 0;
    for (; !manifest.Eof(); ++lines)
        manifest.ReadLn();
    manifest.Close();
    EXPECT_EQ(census.blobs, lines);   // one blob a manifest line, and no other
    EXPECT_EQ(census.digestLists, 1); // and the digests of them all, in a type of its own

    EXPECT_TRUE(census.problems.empty()) << census.problems.front();
}
