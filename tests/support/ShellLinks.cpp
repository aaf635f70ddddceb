#include "tests/support/ShellLinks.h"

#include "runtime/OsSeam.h"
#include "shell/ComPtr.h"

namespace testing_support {

LinkContent ReadLink(const std::string& linkPath) {
    shell::ComPtr<IShellLinkW> link;
    shell::ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.ReceiveVoid())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid())))
        return {"<no shell link class>", ""};
    if (FAILED(file->Load(os::Widened(linkPath).c_str(), STGM_READ)))
        return {"<no link>", ""};
    wchar_t path[MAX_PATH + 1] = {};
    wchar_t directory[MAX_PATH + 1] = {};
    link->GetPath(path, MAX_PATH + 1, nullptr, SLGP_RAWPATH);
    link->GetWorkingDirectory(directory, MAX_PATH + 1);
    return {os::Narrowed(path), os::Narrowed(directory)};
}

} // namespace testing_support
