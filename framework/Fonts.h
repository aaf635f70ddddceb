// The fonts the pages' Chinese texts are shown in.
#pragma once

#include <windows.h>

namespace framework {

// A font of the face, asked for by its wide name, height as CreateFont takes it. The
// character set is the one asked for where the system's code page is 936, where the
// program has always been shown; elsewhere the system's own set (DEFAULT_CHARSET) would
// pick a face without Chinese characters, so GB2312's is asked for, which makes the
// system choose a face that has them when the named one is missing or lacks them.
HFONT FontForChinese(const wchar_t* face, int height, int weight, bool italic, BYTE charset);

} // namespace framework
