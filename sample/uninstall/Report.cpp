#include "sample/uninstall/Report.h"

#include "payload/ProductInfo.h"

#include <cstring>

namespace uninstall {

int ShowMessage(const wchar_t* text, UINT buttonsAndIcon) {
    return MessageBoxW(nullptr, text, L"" UNINSTALL_LINK_NAME, buttonsAndIcon);
}

// Cleared by hand: an initialiser would cost the program a zero image of its size.
Report::Report() {
    std::memset(kept_, 0, sizeof kept_);
}

void Report::Add(Kind kind, const wchar_t* path) {
    Kept& kept = kept_[kind];
    if (++kept.count <= kNamed) {
        Append(kept.names, L"\n");
        Append(kept.names, path);
    }
}

void Report::Show() const {
    static const wchar_t* const kHeadings[kKinds] = {
        L"以下文件未能删除，请手动删除：", L"以下文件将在计算机重新启动时删除：",
        L"卸载信息文件列出的以下文件不在安装文件夹内，未删除：",
        L"卸载信息文件列出的以下文件的路径经过安装文件夹内的链接，未删除：",
        L"安装文件夹或其中的卸载信息文件可被本计算机的其他用户更改，或者安装文件夹可被他们移走或替换，"
        L"因此卸载程序没有删除其中的任何内容。请检查该文件夹后手动删除："};
    wchar_t text[kKinds * (kNamed * kPathSize + 192)] = {};
    Append(text,
           kept_[kFolderUnsafe].count ? L"" PRODUCT_NAME "未能完全卸载：" : L"" PRODUCT_NAME "已卸载，但");
    bool any = false;
    for (int kind = 0; kind < kKinds; ++kind) {
        const Kept& kept = kept_[kind];
        if (kept.count == 0)
            continue;
        if (any)
            Append(text, L"\n");
        any = true;
        Append(text, kHeadings[kind]);
        Append(text, kept.names);
        if (kept.count > kNamed) {
            wchar_t more[32];
            wsprintfW(more, L"\n……共%d个", kept.count);
            Append(text, more);
        }
    }
    if (any)
        ShowMessage(text, MB_OK | MB_ICONWARNING);
    else
        ShowMessage(L"" PRODUCT_NAME "已成功卸载。", MB_OK | MB_ICONINFORMATION);
}

} // namespace uninstall
