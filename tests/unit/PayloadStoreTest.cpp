#include "engine/FolderStore.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace engine;
using testing_support::ErrorMessageOf;
using testing_support::PutFile;
using testing_support::TempFolder;

TEST(FolderStore, FindsBlobsWithoutRegardToCase) {
    TempFolder dir;
    PutFile(dir / "Count.dat",
            "fCount datfile D:\\Q\\Count.dat\r\nfQuenvale exefile D:\\Q\\Quenvale.exe\r\n");
    PutFile(dir / "Quenvale.exe", "MZprogram");
    FolderStore store(dir.Path());
    EXPECT_EQ(std::string(store.Open("FQUENVALE", "EXEFILE").Data(), 9), "MZprogram");
    EXPECT_EQ(store.Open("fquenvale", "exefile").Size(), 9u);
    EXPECT_EQ(store.Open("FCOUNT", "DATFILE").Size(), store.Open("fcount", "datfile").Size());
}

TEST(FolderStore, AMissingBlobIsResourceNotFoundWithTheNameAsAsked) {
    TempFolder dir;
    PutFile(dir / "Count.dat", "fCount datfile D:\\Q\\Count.dat\r\nfgone exefile D:\\Q\\gone.exe\r\n");
    FolderStore store(dir.Path());
    EXPECT_EQ(ErrorMessageOf([&] { store.Open("fgone", "exefile"); }), "Resource fgone not found");
    EXPECT_EQ(ErrorMessageOf([&] { store.Open("f000001", "dayfile"); }), "Resource f000001 not found");
    EXPECT_EQ(ErrorMessageOf([&] { store.Open("", ""); }), "Resource  not found");
    EXPECT_EQ(ErrorMessageOf([&] { store.Open("fcount", "exefile"); }), "Resource fcount not found");
}
