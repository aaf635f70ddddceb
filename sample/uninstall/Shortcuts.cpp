#include "sample/uninstall/Shortcuts.h"

#include "payload/ProductInfo.h"
#include "shell/ComPtr.h"

#include <initializer_list>

namespace uninstall {
namespace {

// The path a shell link file points to; "" when the file is not a link the shell reads.
void LinkTarget(const wchar_t* linkPath, wchar_t (&target)[kPathSize]) {
    shell::ComPtr<IShellLinkW> link;
    shell::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())) ||
        FAILED(file->Load(linkPath, STGM_READ)) || link->GetPath(target, kPathSize, nullptr, 0) != S_OK)
        target[0] = L'\0';
}

// A link the installer made points into the install folder; one of the same name that
// the user made, or pointed elsewhere since, is theirs and stays.
void RemoveLinkIntoFolder(const wchar_t* folder, const wchar_t* linkName, const InstallFolder& installFolder,
                          Report& report) {
    wchar_t linkPath[kPathSize], target[kPathSize], canonicalTarget[kPathSize];
    if (!Concat(linkPath, folder, linkName))
        return;
    LinkTarget(linkPath, target);
    Canonical(target, canonicalTarget);
    if (IsInside(canonicalTarget, installFolder) && !DeleteFileW(linkPath) && Exists(linkPath))
        report.Add(Report::kNotDeleted, linkPath);
}

} // namespace

void RemoveShortcuts(const InstallFolder& installFolder, Report& report) {
    wchar_t special[kPathSize] = {};
    wchar_t productFolder[kPathSize] = {};
    if (SHGetSpecialFolderPathW(nullptr, special, CSIDL_PROGRAMS, FALSE) &&
        Concat(productFolder, special, L"\\" PRODUCT_NAME)) {
        for (const wchar_t* name :
             {L"\\" README_LINK_NAME ".lnk", L"\\" UNINSTALL_LINK_NAME ".lnk", L"\\" PRODUCT_NAME ".lnk"})
            RemoveLinkIntoFolder(productFolder, name, installFolder, report);
        RemoveDirectoryW(productFolder); // only when empty
    }
    if (SHGetSpecialFolderPathW(nullptr, special, CSIDL_DESKTOPDIRECTORY, FALSE))
        RemoveLinkIntoFolder(special, L"\\" PRODUCT_NAME ".lnk", installFolder, report);
}

} // namespace uninstall
