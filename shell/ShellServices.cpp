#include "shell/ShellServices.h"

#include "payload/ProductInfo.h"
#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "shell/ComPtr.h"

namespace shell {

namespace {

constexpr int kPathBufferSize = MAX_PATH + 1; // 260 characters and the final zero

std::string PathOf(LPCITEMIDLIST list) {
    wchar_t buffer[kPathBufferSize] = {};
    if (list)
        SHGetPathFromIDListW(list, buffer);
    return os::Narrowed(buffer);
}

} // namespace

std::string SystemDriveLetter() {
    wchar_t buffer[256] = {};
    const UINT length = GetSystemDirectoryW(buffer, 255);
    if (length == 0 || length > 255 || buffer[0] >= 0x80 || buffer[0] == L'\0')
        return "C";
    return std::string(1, static_cast<char>(buffer[0]));
}

std::string DefaultInstallFolder(const std::string& driveLetter) {
    return driveLetter + DEFAULT_FOLDER_TAIL;
}

std::string BrowseForFolder(HWND owner) {
    const os::WideText title = os::Widened("请选择目录");
    BROWSEINFOW request = {};
    request.hwndOwner = owner;
    request.pidlRoot = nullptr;
    request.pszDisplayName = nullptr;
    request.lpszTitle = title.c_str();
    request.ulFlags = 0;
    request.lpfn = nullptr;
    request.lParam = 0;
    request.iImage = 0;
    const IdList chosen(SHBrowseForFolderW(&request));
    return PathOf(chosen.Get());
}

std::string SpecialFolderPath(int folder) {
    IdList list;
    SHGetSpecialFolderLocation(nullptr, folder, list.Receive());
    return PathOf(list.Get());
}

std::string OleErrorMessage(HRESULT code) {
    const std::string text = rt::TrimSystemMessage(os::SystemMessage(static_cast<unsigned>(code)));
    return text.empty() ? rt::Format("OLE error %.8lx", static_cast<unsigned long>(code)) : text;
}

} // namespace shell
