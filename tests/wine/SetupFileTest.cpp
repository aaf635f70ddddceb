// The built Setup.exe as a file: a 32-bit GUI program that imports only system DLLs
// and carries its version record.
#include "ProductInfo.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadSetupExe() {
    std::vector<char> bytes;
    HANDLE file = CreateFileA(SETUP_EXE, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

std::string VersionString(const std::vector<char>& record, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\080403a8\\") + name;
    if (!VerQueryValueA(record.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "<missing>";
    return std::string(value);
}

} // namespace

TEST(SetupFile, IsA32BitGuiProgramImportingOnlySystemDlls) {
    const std::vector<char> bytes = ReadSetupExe();
    ASSERT_GT(bytes.size(), 1000u);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // Import names, found through the image as loaded.
    HMODULE image = LoadLibraryExA(SETUP_EXE, nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    const auto* base = reinterpret_cast<const char*>(image);
    const auto* loaded = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const auto& directory = loaded->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::set<std::string> imported;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         entry->Name; ++entry) {
        std::string name = base + entry->Name;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        imported.insert(name);
    }
    FreeLibrary(image);
    // Known DLLs only: the system never looks for these beside the program.
    const std::set<std::string> known = {"kernel32.dll", "user32.dll",  "gdi32.dll",   "msvcrt.dll",
                                         "ole32.dll",    "shell32.dll", "advapi32.dll"};
    for (const std::string& name : imported)
        EXPECT_TRUE(known.count(name)) << name;
}

TEST(SetupFile, CarriesItsVersionRecord) {
    const DWORD size = GetFileVersionInfoSizeA(SETUP_EXE, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(SETUP_EXE, 0, size, record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020002u);
    for (const char* name : {"FileDescription", "InternalName", "OriginalFilename", "ProductName",
                             "LegalCopyright", "LegalTrademarks"})
        EXPECT_EQ(VersionString(record, name), "Marluxa\xB0\xB2\xD7\xB0")
            << name; // "Marluxa安装" in code page 936
    EXPECT_EQ(VersionString(record, "CompanyName"), AUTHOR_LINE);
    EXPECT_EQ(VersionString(record, "Comments"), AUTHOR_LINE);
    EXPECT_EQ(VersionString(record, "FileVersion"), "2.2.0.0");
    EXPECT_EQ(VersionString(record, "ProductVersion"), "2.2.0.0");
}
