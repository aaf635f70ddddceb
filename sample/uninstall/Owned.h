// Owners of what the uninstaller takes from the system: a kernel handle, memory the
// system allocated with LocalAlloc, and a file's bytes read into the process heap. Each
// gives back what it holds on every way out of a function.
#pragma once

#include <windows.h>

namespace uninstall {

// One kernel handle, closed when the owner goes.
class Handle {
  public:
    explicit Handle(HANDLE handle = nullptr) { Reset(handle); }
    ~Handle() { Reset(nullptr); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE Get() const { return handle_; }
    // Hands the handle over to the caller, who closes it.
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }
    // Takes handle, closing the one held before; INVALID_HANDLE_VALUE, what CreateFile
    // answers on failure, is held as none.
    void Reset(HANDLE handle) {
        if (handle_)
            CloseHandle(handle_);
        handle_ = handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

  private:
    HANDLE handle_ = nullptr;
};

// Memory the system allocated for the caller with LocalAlloc (security descriptors, the
// split command line), freed when the owner goes.
class LocalMemory {
  public:
    explicit LocalMemory(void* memory) : memory_(memory) {}
    ~LocalMemory() { LocalFree(memory_); }
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;

  private:
    void* memory_;
};

// A file's bytes in memory, read through an open handle from its start, with a final
// zero byte so that text in it ends; freed when the owner goes.
class FileBytes {
  public:
    explicit FileBytes(HANDLE file) {
        const DWORD size = file ? GetFileSize(file, nullptr) : INVALID_FILE_SIZE;
        if (size == INVALID_FILE_SIZE || SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0)
            return;
        bytes_ = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size + 1));
        DWORD read = 0;
        if (bytes_ && !(ReadFile(file, bytes_, size, &read, nullptr) && read == size)) {
            HeapFree(GetProcessHeap(), 0, bytes_);
            bytes_ = nullptr;
        }
        size_ = bytes_ ? size : 0;
    }
    ~FileBytes() {
        if (bytes_)
            HeapFree(GetProcessHeap(), 0, bytes_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    char* Get() const { return bytes_; } // nullptr when the file could not be read
    DWORD Size() const { return size_; }

  private:
    char* bytes_ = nullptr;
    DWORD size_ = 0;
};

} // namespace uninstall
