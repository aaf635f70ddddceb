// The built Setup.exe as a file: a 32-bit GUI program that imports only system DLLs
// and carries its application manifest and version record.
#include "ProductInfo.h"
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <xmllite.h>

#include <algorithm>
#include <cctype>
#include <cstring>
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
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\080403a8\\") + name;
    if (!VerQueryValueW(record.data(), os::Widened(key).c_str(), reinterpret_cast<void**>(&value), &length) ||
        !value)
        return "<missing>";
    return os::Narrowed(value);
}

// The elements of an XML text, each as its name followed by " name=value" for every
// attribute, in document order; empty when the text is not well-formed.
std::vector<std::string> XmlElements(const std::string& xml) {
    using Create = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
    const auto create = os::SystemFunction<Create>(LoadLibraryA("xmllite.dll"), "CreateXmlReader");
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, xml.size());
    std::memcpy(GlobalLock(memory), xml.data(), xml.size());
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    IXmlReader* reader = nullptr;
    std::vector<std::string> elements;
    if (create && SUCCEEDED(CreateStreamOnHGlobal(memory, TRUE, &stream)) &&
        SUCCEEDED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader), nullptr)) &&
        SUCCEEDED(reader->SetInput(stream))) {
        auto text = [](const wchar_t* wide) {
            char bytes[512] = {};
            WideCharToMultiByte(CP_UTF8, 0, wide, -1, bytes, sizeof bytes - 1, nullptr, nullptr);
            return std::string(bytes);
        };
        XmlNodeType node;
        HRESULT read;
        while ((read = reader->Read(&node)) == S_OK) {
            if (node != XmlNodeType_Element)
                continue;
            const wchar_t* name = nullptr;
            reader->GetLocalName(&name, nullptr);
            std::string element = text(name);
            for (HRESULT more = reader->MoveToFirstAttribute(); more == S_OK;
                 more = reader->MoveToNextAttribute()) {
                const wchar_t* value = nullptr;
                reader->GetLocalName(&name, nullptr);
                reader->GetValue(&value, nullptr);
                element += " " + text(name) + "=" + text(value);
            }
            elements.push_back(element);
        }
        if (FAILED(read))
            elements.clear();
    }
    if (reader)
        reader->Release();
    if (stream)
        stream->Release();
    return elements;
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
    const std::set<std::string> known = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "msvcrt.dll",
                                         "ole32.dll",    "oleaut32.dll", "shell32.dll", "advapi32.dll"};
    for (const std::string& name : imported)
        EXPECT_TRUE(known.count(name)) << name;
}

TEST(SetupFile, CarriesItsVersionRecord) {
    const DWORD size = GetFileVersionInfoSizeW(L"" SETUP_EXE, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> record(size);
    ASSERT_TRUE(GetFileVersionInfoW(L"" SETUP_EXE, 0, size, record.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020002u);
    for (const char* name : {"FileDescription", "InternalName", "OriginalFilename", "ProductName",
                             "LegalCopyright", "LegalTrademarks"})
        EXPECT_EQ(VersionString(record, name), "Marluxa安装") << name;
    EXPECT_EQ(VersionString(record, "CompanyName"), AUTHOR_LINE);
    EXPECT_EQ(VersionString(record, "Comments"), AUTHOR_LINE);
    EXPECT_EQ(VersionString(record, "FileVersion"), "2.2.0.0");
    EXPECT_EQ(VersionString(record, "ProductVersion"), "2.2.0.0");
}

TEST(SetupFile, CarriesAWellFormedApplicationManifest) {
    HMODULE image = LoadLibraryExA(SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // the one read at start
    ASSERT_NE(found, nullptr);
    const std::string xml(static_cast<const char*>(LockResource(LoadResource(image, found))),
                          SizeofResource(image, found));
    FreeLibrary(image);
    const std::vector<std::string> elements = XmlElements(xml);
    ASSERT_FALSE(elements.empty()) << xml;
    EXPECT_EQ(elements.front(), "assembly xmlns=urn:schemas-microsoft-com:asm.v1 manifestVersion=1.0");
    auto count = [&](const std::string& element) {
        return std::count(elements.begin(), elements.end(), element);
    };
    EXPECT_EQ(count("requestedExecutionLevel level=requireAdministrator uiAccess=false"), 1);
    EXPECT_EQ(count("supportedOS Id={8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), 1); // 10 and later
    EXPECT_EQ(std::count_if(elements.begin(), elements.end(),
                            [](const std::string& e) { return e.rfind("supportedOS ", 0) == 0; }),
              5); // Vista to 10
    // No side-by-side dependency, so no newer common controls: the classic look stays.
    EXPECT_EQ(std::count_if(elements.begin(), elements.end(),
                            [](const std::string& e) { return e.rfind("dependen", 0) == 0; }),
              0);
    // Aware of each monitor's DPI, so that the system never stretches the pages.
    EXPECT_EQ(count("dpiAware xmlns=http://schemas.microsoft.com/SMI/2005/WindowsSettings"), 1);
    EXPECT_EQ(count("dpiAwareness xmlns=http://schemas.microsoft.com/SMI/2016/WindowsSettings"), 1);
    EXPECT_NE(xml.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(xml.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_TRUE(XmlElements(xml.substr(0, xml.size() - 3)).empty()); // the reader does tell a broken text
}
