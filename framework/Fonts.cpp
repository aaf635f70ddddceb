#include "framework/Fonts.h"

namespace framework {

HFONT FontForChinese(const wchar_t* face, int height, int weight, bool italic, BYTE charset) {
    constexpr UINT kSimplifiedChinese = 936;
    if (GetACP() != kSimplifiedChinese)
        charset = GB2312_CHARSET;
    return CreateFontW(height, 0, 0, 0, weight, italic, FALSE, FALSE, charset, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

} // namespace framework
