// Bitmaps stored packed among the program's resources (tools/pack_bitmap.py): a bitmap
// file in the LZNT1 format, which the system unpacks. The banner drawings take a third
// of their bitmap files' room this way.
#pragma once

#include <windows.h>

#include <string>

namespace framework {

// The resource type of a packed bitmap.
constexpr const char* kPackedBitmapType = "PACKEDBITMAP";

// The packed bitmap of that name, unpacked, as a bitmap for the screen (as LoadImage
// makes of a bitmap resource); nullptr when it is missing or does not unpack whole.
HBITMAP LoadPackedBitmap(const std::string& name);

} // namespace framework
