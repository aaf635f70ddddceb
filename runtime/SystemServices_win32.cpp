// Texts, messages and the hash over the Win32 seam: wide texts for the calls that take
// only those, full paths, formatting, the system's error descriptions, and SHA-256 by
// the system's own provider (advapi32).
#include "runtime/OsSeam.h"

#include <windows.h>

#include <wincrypt.h> // after windows.h, which it needs

// SHA-256 is offered from Windows XP SP3 on; the headers name it only for later targets.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace os {

WideText Widened(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    WideText wide;
    if (length > 0) {
        wide.chars.resize(static_cast<std::size_t>(length) + 1);
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.chars.data(), length);
    }
    return wide;
}

std::string FullPathName(const std::string& path) {
    char buffer[MAX_PATH];
    char* filePart = nullptr;
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &filePart);
    // A result that does not fit (or a failure) leaves the path as it was given:
    // the message that quotes it must not be cut short.
    if (length == 0 || length >= sizeof buffer)
        return path;
    return std::string(buffer, length);
}

std::string FormattedV(const char* format, std::va_list args) {
    std::va_list measure;
    va_copy(measure, args);
    const int length = _vscprintf(format, measure);
    va_end(measure);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0, '\0');
    if (length > 0)
        _vsnprintf(&text[0], text.size(), format, args);
    return text;
}

std::string SystemMessage(unsigned code) {
    char buffer[256];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                            FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, buffer, sizeof buffer, nullptr);
    return std::string(buffer, length);
}

namespace {

// The system's hash provider, acquired on first use and released at the program's end.
class HashProvider {
  public:
    ~HashProvider() {
        if (handle_)
            CryptReleaseContext(handle_, 0);
    }
    unsigned Acquire() {
        if (!handle_ && !CryptAcquireContextA(&handle_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            return GetLastError();
        return 0;
    }
    HCRYPTPROV Handle() const { return handle_; }

  private:
    HCRYPTPROV handle_ = 0;
};

} // namespace

unsigned Sha256(const void* data, std::size_t size, Sha256Digest& digest) {
    static HashProvider provider;
    if (const unsigned code = provider.Acquire())
        return code;
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(provider.Handle(), CALG_SHA_256, 0, 0, &hash))
        return GetLastError();
    DWORD length = static_cast<DWORD>(digest.size());
    const bool hashed = CryptHashData(hash, static_cast<const BYTE*>(data), static_cast<DWORD>(size), 0) &&
                        CryptGetHashParam(hash, HP_HASHVAL, digest.data(), &length, 0);
    const unsigned code = hashed ? 0 : GetLastError();
    CryptDestroyHash(hash);
    return code;
}

} // namespace os
