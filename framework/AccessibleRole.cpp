#include "framework/AccessibleRole.h"

#include "framework/SystemLibraries.h"
#include "runtime/OsSeam.h"
#include "runtime/SystemFunction.h"

#include <oleacc.h>

#include <utility>

namespace framework {

namespace {

// The accessibility library, from the system folder (it is not one of the system's known
// DLLs, so an import would be looked for beside the program first).
struct Oleacc {
    using CreateStandard = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using ResultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    Oleacc() {
        if (HMODULE library = LoadSystemLibrary("oleacc.dll")) {
            createStandard = os::SystemFunction<CreateStandard>(library, "CreateStdAccessibleObject");
            resultFromObject = os::SystemFunction<ResultFromObject>(library, "LresultFromObject");
        }
    }
    CreateStandard createStandard = nullptr;
    ResultFromObject resultFromObject = nullptr;
};

const Oleacc& Library() {
    static const Oleacc library;
    return library;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The standard object, every call passed on to it but the role of the control itself.
// Its life is counted by references: it goes with the last Release, never through a
// pointer to the interface, which (as every COM interface) has no virtual destructor.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class AccessibleWithRole final : public IAccessible {
  public:
    AccessibleWithRole(IAccessible* standard, long role, os::WideText name)
        : standard_(standard), role_(role), name_(std::move(name)) {}
    AccessibleWithRole(const AccessibleWithRole&) = delete;
    AccessibleWithRole& operator=(const AccessibleWithRole&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == IID_IUnknown || id == IID_IDispatch || id == IID_IAccessible) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        return standard_->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
        return standard_->GetTypeInfo(index, locale, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID id, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override {
        return standard_->GetIDsOfNames(id, names, count, locale, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID id, LCID locale, WORD flags,
                                     DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override {
        return standard_->Invoke(member, id, locale, flags, parameters, result, exception, argument);
    }

    // IAccessible: the role is ours, the rest the standard object's.
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child))
            return standard_->get_accRole(child, role);
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = role_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child) || name_.empty())
            return standard_->get_accName(child, name);
        *name = SysAllocString(name_.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return standard_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return standard_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return standard_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long left, long top, VARIANT* child) override {
        return standard_->accHitTest(left, top, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return standard_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return standard_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return standard_->put_accValue(child, value);
    }

  private:
    ~AccessibleWithRole() { standard_->Release(); }

    IAccessible* standard_;
    long role_;
    os::WideText name_;
    LONG references_ = 1;
};
#pragma GCC diagnostic pop

} // namespace

LRESULT AccessibleObjectWithRole(HWND window, WPARAM flags, LPARAM objectId, long role,
                                 const std::string& name) {
    const Oleacc& library = Library();
    if (static_cast<LONG>(objectId) != OBJID_CLIENT || !library.createStandard || !library.resultFromObject)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(library.createStandard(window, OBJID_CLIENT, IID_IAccessible,
                                      reinterpret_cast<void**>(&standard))))
        return 0;
    AccessibleWithRole* ours = new AccessibleWithRole(standard, role, os::Widened(name));
    const LRESULT result = library.resultFromObject(IID_IAccessible, flags, ours); // holds its own reference
    ours->Release();
    return result;
}

} // namespace framework
