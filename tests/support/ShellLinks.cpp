#include "tests/support/ShellLinks.h"

#include "shell/ComPtr.h"

#include <vector>

namespace testing_support {

LinkContent ReadLink(const std::string& linkPath) {
    shell::ComPtr<IShellLinkA> link;
    shell::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return {"<no shell link class>", ""};
    std::vector<wchar_t> wide(linkPath.size() + 1);
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    if (FAILED(file->Load(wide.data(), STGM_READ)))
        return {"<no link>", ""};
    char path[MAX_PATH + 1] = {};
    char directory[MAX_PATH + 1] = {};
    link->GetPath(path, sizeof path, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(directory, sizeof directory);
    return {path, directory};
}

} // namespace testing_support
