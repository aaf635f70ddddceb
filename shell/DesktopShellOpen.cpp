#include "shell/DesktopShellOpen.h"

#include "runtime/OsSeam.h"
#include "shell/ComPtr.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>

namespace shell {

namespace {

// A text for COM, from UTF-8; freed on every way out.
class ComText {
  public:
    explicit ComText(const std::string& text) : text_(SysAllocString(os::Widened(text).c_str())) {}
    ~ComText() { SysFreeString(text_); }
    ComText(const ComText&) = delete;
    ComText& operator=(const ComText&) = delete;
    BSTR Get() const { return text_; }

  private:
    BSTR text_;
};

// A variant holding a text, a number or nothing; cleared on every way out.
class Variant {
  public:
    Variant() { VariantInit(&value_); }
    explicit Variant(const ComText& text) : Variant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocString(text.Get());
    }
    explicit Variant(long number) : Variant() {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT& Get() { return value_; }

  private:
    VARIANT value_;
};

// The desktop window's shell view, and from it the desktop's shell object.
bool DesktopShell(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.ReceiveVoid())))
        return false;
    Variant desktop(static_cast<long>(CSIDL_DESKTOP)), none;
    long window = 0;
    ComPtr<IDispatch> found;
    if (windows->FindWindowSW(&desktop.Get(), &none.Get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                              found.Receive()) != S_OK ||
        !found.Get())
        return false;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IDispatch> background;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IDispatch> application;
    return SUCCEEDED(found->QueryInterface(IID_IServiceProvider, services.ReceiveVoid())) &&
           SUCCEEDED(
               services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.ReceiveVoid())) &&
           SUCCEEDED(browser->QueryActiveShellView(view.Receive())) &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.ReceiveVoid())) &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.ReceiveVoid())) &&
           SUCCEEDED(folderView->get_Application(application.Receive())) &&
           SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.ReceiveVoid()));
}

} // namespace

bool OpenAsTheDesktopsUser(const std::string& target, const std::string& workingFolder) {
    ComPtr<IShellDispatch2> shell;
    if (!DesktopShell(shell))
        return false;
    const ComText file(target), folder(workingFolder), verb("open");
    Variant none, directory(folder), operation(verb), show(static_cast<long>(SW_SHOWNORMAL));
    VARIANT& where = workingFolder.empty() ? none.Get() : directory.Get();
    return SUCCEEDED(shell->ShellExecute(file.Get(), none.Get(), where, operation.Get(), show.Get()));
}

} // namespace shell
