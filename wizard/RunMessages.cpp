#include "wizard/RunMessages.h"

#include "payload/ProductInfo.h"
#include "runtime/Errors.h"

namespace wizard {

namespace {

using Outcome = engine::Recovery::Outcome;

// One line a named entry, with the earlier file's set-aside name under it, or the note
// for an entry without one; "……" when there are more than are named.
std::string EntryLines(const engine::LeftBehind& left, const char* note = "（新文件，无法删除）") {
    std::string lines;
    for (const engine::LeftBehind::Entry& entry : left.first) {
        lines += "    " + entry.path;
        lines += entry.aside.empty() ? std::string(note) : "\r\n        原有文件现为：" + entry.aside;
        lines += "\r\n";
    }
    if (left.count > static_cast<int>(left.first.size()))
        lines += "    ……\r\n";
    return lines;
}

// What the undo moved out of an earlier file's way without proof that the run made it,
// each with where it now is; empty when there is none.
std::string MovedAsideLines(const engine::LeftBehind& left) {
    if (left.movedAside.empty())
        return "";
    std::string lines = "以下文件无法确认是那次安装写入的，已改名保留（确认无用后可删除）：\r\n";
    for (const engine::LeftBehind::Entry& entry : left.movedAside)
        lines += "    " + entry.path + "\r\n        现为：" + entry.aside + "\r\n";
    return lines + "\r\n";
}

// The earlier files whose set-aside names hold something the run cannot confirm as what
// it set aside (on FAT a rename changes a file's identity): left as they are; an undo
// names each with its set-aside name, a completion the set-aside names alone.
std::string UnconfirmedLines(const engine::LeftBehind& left, bool undone) {
    if (left.unconfirmed.empty())
        return "";
    std::string lines =
        undone ? "以下原有文件曾被改名，但无法确认改名后的文件仍是原有文件，因此没有改回，请自行检查：\r\n"
               : "以下文件无法确认是被替换的旧文件，因此没有删除，请自行检查：\r\n";
    for (const engine::LeftBehind::Entry& entry : left.unconfirmed)
        lines += undone ? "    " + entry.path + "\r\n        现为：" + entry.aside + "\r\n"
                        : "    " + entry.aside + "\r\n";
    return undone ? lines + "\r\n" : lines; // an undo's box goes on after a blank line
}

// What a damaged journal's run set aside and left under other names, each with where it
// now is; the first ten of them, "……" for the rest (a box that still fits on the screen).
std::string UnderOtherNamesLines(const std::vector<engine::LeftBehind::Entry>& entries) {
    constexpr std::size_t kNamed = 10;
    std::string lines = "那次安装把以下原有文件改了名，它们仍在新名称下，请自行检查：\r\n";
    for (std::size_t i = 0; i < entries.size() && i < kNamed; ++i)
        lines += "    " + entries[i].path + "\r\n        现为：" + entries[i].aside + "\r\n";
    return entries.size() > kNamed ? lines + "    ……\r\n" : lines;
}

std::string RestartLines(const engine::LeftBehind& left) {
    std::string lines;
    for (const std::string& path : left.atRestart)
        lines += "    " + path + "\r\n";
    return lines;
}

} // namespace

std::string RecoveredText(const engine::Recovery& recovery) {
    switch (recovery.outcome) {
    case Outcome::Undone:
        return std::string("上次向此文件夹安装" PRODUCT_NAME "时被中断。那次安装已撤销") +
               (recovery.left.unconfirmed.empty() ? "，原有文件均已恢复。" : "。") + "\r\n\r\n" +
               MovedAsideLines(recovery.left) + UnconfirmedLines(recovery.left, true) + "现在继续安装。";
    case Outcome::Completed:
        return std::string("上次向此文件夹安装" PRODUCT_NAME "时在最后一步被中断。那次安装已完成。\r\n\r\n") +
               (recovery.left.atRestart.empty() && recovery.left.unconfirmed.empty()
                    ? ""
                    : DroppedLaterText(recovery.left) + "\r\n") +
               "现在继续安装。";
    case Outcome::OpenToOthers:
        return "此文件夹中有一次中断的安装留下的记录，但这台电脑的其他用户可以更改它，因此安装程序没有按它改"
               "动任何文件。"
               "记录已另存为：\r\n    " +
               recovery.keptAs + "\r\n\r\n现在继续安装。";
    default:
        if (!recovery.underOtherNames.empty())
            return "此文件夹中有一次中断的安装留下的记录，但记录已损坏，因此安装程序没有按它改动任何文件。" +
                   UnderOtherNamesLines(recovery.underOtherNames) + "\r\n记录已另存为：\r\n    " +
                   recovery.keptAs + "\r\n\r\n现在继续安装。";
        return "此文件夹中有一次中断的安装留下的记录，但记录无法读取，因此没有改动任何文件。记录已另存为：\r"
               "\n    " +
               recovery.keptAs + "\r\n\r\n现在继续安装。";
    }
}

std::string LinkInTheWayText(const std::string& link) {
    return "安装位置中的以下项目是一个链接（符号链接或目录联接），它指向别处：\r\n    " + link +
           "\r\n\r\n安装程序不会通过链接写入或改名任何文件。请删除该链接，或选择其他文件夹。";
}

std::string FoldersOpenToOthersQuestion(const std::vector<std::string>& folders) {
    std::string text = "这台电脑的其他用户可以更改以下文件夹中的内容：\r\n";
    for (const std::string& folder : folders)
        text += "    " + folder + "\r\n";
    return text + "\r\n安装到这里后，他们可以替换或添加" PRODUCT_NAME
                  "的程序文件，而这些程序以后可能以管理员身份运行。建议安装到“Program "
                  "Files”下的文件夹。\r\n\r\n是否仍要安装到这里？";
}

const char* const kFolderInUseText =
    "另一个安装程序正在向此文件夹安装。请等它结束后再点击“安装”，或选择其他文件夹。";

std::string RecoveryNotFinishedText(const engine::Recovery& recovery) {
    return rt::Format("上次向此文件夹安装" PRODUCT_NAME "时被中断，有 %d 项无法恢复原状：\r\n",
                      recovery.left.count) +
           EntryLines(recovery.left) + "\r\n请关闭正在使用这些文件的程序，然后再点击“安装”。";
}

std::string UndoLeftText(const engine::LeftBehind& left) {
    if (left.Nothing())
        return "安装已撤销。\r\n\r\n" + MovedAsideLines(left) + UnconfirmedLines(left, true);
    return rt::Format("安装已撤销，但有 %d 项无法恢复原状，仍留在原处：\r\n", left.count) + EntryLines(left) +
           "\r\n" + MovedAsideLines(left) + UnconfirmedLines(left, true) +
           "再次安装到此文件夹时，安装程序会先完成撤销。";
}

std::string DroppedLaterText(const engine::LeftBehind& left) {
    std::string text;
    if (!left.atRestart.empty())
        text += "以下旧文件正在被程序使用，将在计算机重新启动后删除：\r\n" + RestartLines(left);
    if (left.count > 0)
        text += rt::Format("以下 %d 个旧文件无法删除，请手动删除：\r\n", left.count) + EntryLines(left, "");
    if (!left.keptAside.empty()) {
        text += "无法确认新安装的文件已全部写入磁盘，因此以下原有文件没有删除，已保留为：\r\n";
        constexpr std::size_t kNamed = 10; // a box that still fits on the screen
        for (std::size_t i = 0; i < left.keptAside.size() && i < kNamed; ++i)
            text += "    " + left.keptAside[i].aside + "\r\n";
        if (left.keptAside.size() > kNamed)
            text += "    ……\r\n";
        text += "确认" PRODUCT_NAME "运行正常后，可以将它们删除。\r\n";
    }
    return text + UnconfirmedLines(left, false);
}

} // namespace wizard
