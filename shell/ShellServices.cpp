#include "shell/ShellServices.h"

#include "payload/ProductInfo.h"
#include "shell/ComPtr.h"

namespace shell {

namespace {

constexpr int kPathBufferSize = MAX_PATH + 1; // 260 characters and the final zero

std::string PathOf(LPCITEMIDLIST list) {
    char buffer[kPathBufferSize] = {};
    if (list)
        SHGetPathFromIDListA(list, buffer);
    return buffer;
}

} // namespace

std::string SystemDriveLetter() {
    char buffer[256] = {};
    const UINT length = GetSystemDirectoryA(buffer, 255);
    if (length == 0 || length > 255 || buffer[0] == '\0')
        return "C";
    return std::string(1, buffer[0]);
}

std::string DefaultInstallFolder(const std::string& driveLetter) {
    return driveLetter + DEFAULT_FOLDER_TAIL;
}

std::string BrowseForFolder(HWND owner) {
    BROWSEINFOA request = {};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = nullptr;
    request.lpszTitle = "请选择目录";
    request.ulFlags = 0;
    request.lpfn = nullptr;
    request.lParam = 0;
    request.iImage = 0;
    const IdList chosen(SHBrowseForFolderA(&request));
    return PathOf(chosen.Get());
}

std::string SpecialFolderPath(int folder) {
    IdList list;
    SHGetSpecialFolderLocation(nullptr, folder, list.Receive());
    return PathOf(list.Get());
}

} // namespace shell
