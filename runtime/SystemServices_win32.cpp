// Texts, messages and the hash over the Win32 seam: UTF-8 to and from the wide form and
// the code pages, full paths, formatting, the system's error descriptions, and SHA-256
// by the system's own provider (advapi32).
#include "runtime/OsSeam.h"

#include <windows.h>

#include <algorithm>

#include <wincrypt.h> // after windows.h, which it needs

// SHA-256 is offered from Windows XP SP3 on; the headers name it only for later targets.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace os {

namespace {

// The bytes in codePage as wide text; not valid when they are not text of that code page.
WideText WidenedFrom(UINT codePage, const std::string& bytes) {
    WideText wide;
    if (bytes.empty())
        return wide;
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    wide.valid = length > 0;
    if (wide.valid) {
        wide.chars.resize(static_cast<std::size_t>(length) + 1);
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, wide.chars.data(), length);
    }
    return wide;
}

} // namespace

WideText Widened(const std::string& text) {
    return WidenedFrom(CP_UTF8, text);
}

std::string Narrowed(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return "";
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, &narrow[0], size, nullptr, nullptr);
    if (length < 0)
        narrow.pop_back(); // the zero the call converted too
    return narrow;
}

bool InSystemCodePage(const std::string& text, std::string& bytes) {
    bytes.clear();
    const WideText wide = Widened(text);
    if (!wide.valid)
        return false;
    if (GetACP() == CP_UTF8) { // a system set to use UTF-8 for every program
        bytes = text;
        return true;
    }
    // No look-alike for a character the code page lacks, and no default character:
    // either marks a text the code page cannot hold.
    BOOL defaulted = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), wide.length(), nullptr,
                                         0, nullptr, &defaulted);
    if (defaulted || (size <= 0 && !wide.empty()))
        return false;
    bytes.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), wide.length(), &bytes[0], size, nullptr,
                        &defaulted);
    return !defaulted;
}

namespace {

// The bytes in codePage as UTF-8. ASCII is the same in every code page the program meets,
// and needs no table of the code page on the system.
bool FromCodePage(UINT codePage, const std::string& bytes, std::string& text) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char byte) { return byte >= 0; })) {
        text = bytes;
        return true;
    }
    const WideText wide = WidenedFrom(codePage, bytes);
    text = wide.valid ? Narrowed(wide.c_str(), wide.length()) : "";
    return wide.valid;
}

} // namespace

bool FromCodePage936(const std::string& bytes, std::string& text) {
    return FromCodePage(936, bytes, text);
}

bool FromSystemCodePage(const std::string& bytes, std::string& text) {
    return FromCodePage(CP_ACP, bytes, text);
}

std::string FullPathName(const std::string& path) {
    const WideText wide = Widened(path);
    wchar_t buffer[MAX_PATH];
    wchar_t* filePart = nullptr;
    const DWORD length = wide.valid ? GetFullPathNameW(wide.c_str(), MAX_PATH, buffer, &filePart) : 0;
    // A result that does not fit (or a failure) leaves the path as it was given:
    // the message that quotes it must not be cut short.
    if (length == 0 || length >= MAX_PATH)
        return path;
    return Narrowed(buffer, static_cast<int>(length));
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
    wchar_t buffer[256];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                            FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        nullptr, code, 0, buffer, sizeof buffer / sizeof buffer[0], nullptr);
    return length ? Narrowed(buffer, static_cast<int>(length)) : "";
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
