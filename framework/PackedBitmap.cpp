#include "framework/PackedBitmap.h"

#include "framework/GdiObjects.h"
#include "runtime/SystemFunction.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace framework {

namespace {

constexpr USHORT kFormatLznt1 = 2; // COMPRESSION_FORMAT_LZNT1

// The resource's bytes; empty when it is missing.
std::vector<std::uint8_t> ResourceBytes(const std::string& name) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, name.c_str(), kPackedBitmapType);
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const auto* bytes = static_cast<const std::uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    return bytes ? std::vector<std::uint8_t>(bytes, bytes + SizeofResource(self, found))
                 : std::vector<std::uint8_t>();
}

// The bitmap file packed in the resource: its size (4 bytes), then its LZNT1 stream.
// The unpacker is ntdll's, which every process has loaded (from Windows XP on).
std::vector<std::uint8_t> Unpacked(const std::vector<std::uint8_t>& packed) {
    using Decompress = LONG(WINAPI*)(USHORT, PUCHAR, ULONG, PUCHAR, ULONG, PULONG);
    const auto decompress = os::SystemFunction<Decompress>("ntdll.dll", "RtlDecompressBuffer");
    std::uint32_t size = 0;
    if (!decompress || packed.size() < sizeof size)
        return {};
    std::memcpy(&size, packed.data(), sizeof size);
    std::vector<std::uint8_t> file(size);
    ULONG unpacked = 0;
    const LONG status =
        decompress(kFormatLznt1, file.data(), size, const_cast<PUCHAR>(packed.data() + sizeof size),
                   static_cast<ULONG>(packed.size() - sizeof size), &unpacked);
    return status == 0 && unpacked == size ? file : std::vector<std::uint8_t>();
}

} // namespace

HBITMAP LoadPackedBitmap(const std::string& name) {
    const std::vector<std::uint8_t> file = Unpacked(ResourceBytes(name));
    if (file.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))
        return nullptr;
    BITMAPFILEHEADER header;
    std::memcpy(&header, file.data(), sizeof header);
    if (header.bfOffBits >= file.size())
        return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + sizeof header);
    const ScreenDc screen;
    return CreateDIBitmap(screen.Get(), &info->bmiHeader, CBM_INIT, file.data() + header.bfOffBits, info,
                          DIB_RGB_COLORS);
}

} // namespace framework
