#include "tests/e2e/Installation.h"

#include "engine/Manifest.h"
#include "engine/TargetPaths.h"
#include "runtime/FileSystem.h"
#include "runtime/FileWriter.h"
#include "runtime/OsSeam.h"
#include "runtime/TextFile.h"
#include "shell/ComPtr.h"
#include "shell/ShellServices.h"
#include "tests/support/FolderStore.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <vector>

namespace e2e {

std::string ProductFolder() {
    return shell::SpecialFolderPath(CSIDL_PROGRAMS) + "\\Marluxa";
}

std::string DesktopLink() {
    return shell::SpecialFolderPath(CSIDL_DESKTOPDIRECTORY) + "\\Marluxa.lnk";
}

const char* const kInterruptedRunUndone =
    "上次向此文件夹安装Marluxa时被中断。那次安装已撤销，原有文件均已恢复。\r\n\r\n现在继续安装。";
const char* const kInterruptedRunCompleted =
    "上次向此文件夹安装Marluxa时在最后一步被中断。那次安装已完成。\r\n\r\n现在继续安装。";

void RemoveShortcuts() {
    for (const char* name : {"软件说明文件.lnk", "Marluxa卸载.lnk", "Marluxa.lnk"})
        rt::RemoveFile(ProductFolder() + "\\" + name);
    rt::RemoveDir(ProductFolder());
    rt::RemoveFile(ProductFolder());
    rt::RemoveFile(DesktopLink());
}

namespace {

// A path as the uninstall list holds it: in the system's code page.
std::string Listed(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(os::InSystemCodePage(path, bytes)) << path;
    return bytes;
}

} // namespace

void ExpectCompleteInstallation(const std::string& target) {
    const testing_support::FolderStore payload(PAYLOAD_DIR);
    rt::TextFile manifest(std::string(PAYLOAD_DIR) + "\\Count.dat");
    manifest.Reset();
    manifest.ReadLn();
    std::vector<std::string> expected;
    for (long line = 2; !manifest.Eof(); ++line) {
        const engine::ManifestEntry entry = engine::SplitManifestLine(manifest.ReadLn());
        const std::string path = engine::EntryPath(target, engine::ClassOfLine(line), entry.fileName);
        const engine::Blob blob = payload.Open(entry.name, entry.type);
        const std::string installed = testing_support::FileContent(path);
        ASSERT_EQ(installed.size(), blob.Size()) << path;
        ASSERT_EQ(std::memcmp(installed.data(), blob.Data(), blob.Size()), 0) << path;
        expected.push_back(Listed(path));
    }
    manifest.Close();
    EXPECT_EQ(testing_support::FileLines(target + "\\Unini.dat"), expected);
    EXPECT_FALSE(rt::FileExists(target + "\\count1.dat"));
}

void PlantEarlierInstallation(const std::string& target) {
    rt::ForceDirectories(engine::DailyFolder(target));
    rt::TextFile manifest(std::string(PAYLOAD_DIR) + "\\Count.dat");
    manifest.Reset();
    manifest.ReadLn();
    std::vector<std::string> installed;
    for (long line = 2; !manifest.Eof(); ++line) {
        const std::string name = engine::SplitManifestLine(manifest.ReadLn()).fileName;
        const engine::LineClass lineClass = engine::ClassOfLine(line);
        const std::string path = engine::EntryPath(target, lineClass, name);
        installed.push_back(Listed(path));
        // The payload folder is laid out as an installation is.
        const std::string from = engine::EntryPath(PAYLOAD_DIR, lineClass, name);
        CopyFileW(os::Widened(from).c_str(), os::Widened(path).c_str(), FALSE);
    }
    manifest.Close();
    testing_support::PutFile(engine::UninstallListPath(target), rt::JoinLines(installed));
    rt::CreateDir(ProductFolder());
    for (const char* name : {"软件说明文件.lnk", "Marluxa卸载.lnk", "Marluxa.lnk"})
        testing_support::PutFile(ProductFolder() + "\\" + name, std::string("earlier link ") + name);
    testing_support::PutFile(DesktopLink(), "earlier desktop link");
    for (const std::string& link : {ProductFolder() + "\\Marluxa.lnk", DesktopLink()})
        testing_support::SetLastWriteYear(link, 2001);
}

std::string AccessListOf(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(os::Widened(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return "unreadable";
    char* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                         DACL_SECURITY_INFORMATION, &text, nullptr);
    const std::string list = text ? text : "";
    LocalFree(text);
    LocalFree(descriptor);
    return list;
}

std::string SystemMessage(DWORD code) {
    std::string message = os::SystemMessage(code);
    while (!message.empty() && (static_cast<unsigned char>(message.back()) <= ' ' || message.back() == '.'))
        message.pop_back();
    return message;
}

std::string CannotCreateMessage(const std::string& path, DWORD code) {
    return "Cannot create file \"" + path + "\". " + SystemMessage(code) + ".";
}

} // namespace e2e
