// Owners of the shell's COM resources: interface pointers, identifier lists, and the
// thread's COM initialisation. Each releases what it holds on every way out.
#pragma once

#include <objbase.h>
#include <shlobj.h>

namespace shell {

template <class Interface> class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface* Get() const { return pointer_; }
    // For calls that hand out a new reference; releases what was held before.
    Interface** Receive() {
        Reset();
        return &pointer_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    void Reset() {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }

  private:
    Interface* pointer_ = nullptr;
};

// An item identifier list that the shell allocated; freed with CoTaskMemFree.
class IdList {
  public:
    IdList() = default;
    explicit IdList(LPITEMIDLIST list) : list_(list) {}
    ~IdList() { CoTaskMemFree(list_); }
    IdList(const IdList&) = delete;
    IdList& operator=(const IdList&) = delete;

    LPITEMIDLIST Get() const { return list_; }
    LPITEMIDLIST* Receive() {
        CoTaskMemFree(list_);
        list_ = nullptr;
        return &list_;
    }

  private:
    LPITEMIDLIST list_ = nullptr;
};

// COM on this thread as a single-threaded apartment, uninitialised at the end of the
// owner's life when the initialisation succeeded (S_OK or S_FALSE).
class ComInitialization {
  public:
    ComInitialization() : succeeded_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComInitialization() {
        if (succeeded_)
            CoUninitialize();
    }
    ComInitialization(const ComInitialization&) = delete;
    ComInitialization& operator=(const ComInitialization&) = delete;

  private:
    bool succeeded_;
};

} // namespace shell
