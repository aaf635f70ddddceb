#include "engine/ResourceStore.h"
#include "engine/FolderStore.h"
#include "engine/Manifest.h"
#include "runtime/Errors.h"
#include "runtime/TextFile.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace engine;

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
        EXPECT_EQ(e.Message(), "Resource f000000 not found");
    }
}
