#include "shell/Shortcuts.h"

#include "payload/ProductInfo.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"
#include "shell/ComPtr.h"
#include "shell/ShellServices.h"

#include <vector>

namespace shell {

namespace {

// One shell link object: made with its target path and working directory set, or
// empty, to read a saved link into.
class LinkObject {
  public:
    explicit LinkObject(const std::string& target) : LinkObject() {
        link_->SetPath(os::Widened(target).c_str());
        link_->SetWorkingDirectory(os::Widened(rt::FolderPart(target)).c_str());
    }

    LinkObject() {
        const HRESULT created =
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                             IID_IUnknown, object_.ReceiveVoid());
        if (FAILED(created))
            throw rt::Error(OleErrorMessage(created));
        if (FAILED(object_->QueryInterface(IID_IShellLinkW, link_.ReceiveVoid())) ||
            FAILED(object_->QueryInterface(IID_IPersistFile, file_.ReceiveVoid())))
            throw rt::Error("Interface not supported");
    }

    // The target path of the link saved at path, as it was set; "" when the file cannot
    // be read as a link.
    std::string TargetOfSaved(const std::string& path) {
        wchar_t target[MAX_PATH] = {};
        if (FAILED(file_->Load(os::Widened(path).c_str(), STGM_READ)) ||
            link_->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH) != S_OK)
            return "";
        return os::Narrowed(target);
    }

    // Saves the link under its path, recorded. A file there is set
    // aside first; where that cannot be done nothing is saved, as if the save had failed
    // (its result is not looked at).
    void SaveAs(const std::string& path, rt::UndoableCreation& creation) {
        if (!creation.PrepareForeignFile(path))
            return;
        file_->Save(os::Widened(path).c_str(), FALSE);
        creation.AdoptWrittenFile(path);
    }

  private:
    // Released in reverse order: the persist-file and link interfaces, then the object.
    ComPtr<IUnknown> object_;
    ComPtr<IShellLinkW> link_;
    ComPtr<IPersistFile> file_;
};

} // namespace

void CreateDesktopShortcut(const std::string& target, const std::string& linkName,
                           rt::UndoableCreation& creation) {
    if (!rt::FileExists(target))
        return;
    LinkObject link(target);
    const std::string desktop = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    // Without a desktop folder the link would land in the current drive's root.
    if (!desktop.empty())
        link.SaveAs(desktop + "\\" + linkName + ".lnk", creation);
}

void CreateProgramsShortcut(const std::string& target, const std::string& linkName,
                            rt::UndoableCreation& creation) {
    if (!rt::FileExists(target))
        return;
    LinkObject link(target);
    const std::string folder = ProductProgramsFolder();
    if (folder.empty())
        return; // no Programs folder: nothing sound to write into
    if (!rt::DirectoryExists(folder))
        creation.CreateFolder(folder);
    link.SaveAs(folder + "\\" + linkName + ".lnk", creation);
}

std::string LinkTarget(const std::string& linkPath) {
    try {
        return LinkObject().TargetOfSaved(linkPath);
    } catch (const rt::Error&) {
        return ""; // no link object to read it with: nothing is proven
    }
}

std::string ProductProgramsFolder() {
    const std::string programs = SpecialFolderPath(CSIDL_PROGRAMS);
    return programs.empty() ? "" : programs + "\\" PRODUCT_NAME;
}

std::vector<std::string> LinkPlaces() {
    std::vector<std::string> places;
    const std::string programs = ProductProgramsFolder();
    if (!programs.empty())
        places.push_back(programs);
    const std::string desktop = SpecialFolderPath(CSIDL_DESKTOPDIRECTORY);
    if (!desktop.empty())
        places.push_back(desktop);
    return places;
}

} // namespace shell
