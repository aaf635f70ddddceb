#!/usr/bin/env python3
"""Makes the sample payload folder, deterministically: a manifest of the shipped shape
and every blob it lists at its exact size.

The folder is laid out as the product installs it (see tests/support/FolderStore.h):
Count.dat, Quenvale.exe, UnInstall.exe, update.exe, readme.txt at the root,
data/sda.d and data/day/<code>.day.
"""
import argparse
import os
import sys

MAIN_PROGRAM_SIZE = 426_496
UNINSTALLER_SIZE = 171_520
UPDATER_SIZE = 276_480
README_SIZE = 3_545
DATA_FILE_SIZE = 742_152
DAILY_MIN, DAILY_MAX, DAILY_TOTAL = 17, 5_882, 9_190_028

# (first code, last code, how many codes of the range are present)
CODE_RANGES = [
    (1, 999, 453),
    (1696, 1896, 2),
    (2001, 2901, 423),
    (600000, 600999, 806),
    (601001, 601999, 64),
    (999999, 999999, 1),
]

ROOT_ENTRIES = [
    ("fQuenvale", "exefile", "Quenvale.exe"),
    ("fUnInstall", "exefile", "UnInstall.exe"),
    ("fupdate", "exefile", "update.exe"),
    ("freadme", "txtfile", "readme.txt"),
]

README_TEXT = """Marluxa 证券分析系统 使用说明

一、软件简介
    Marluxa 是一套面向个人投资者的证券行情分析软件，提供日线行情浏览、技术指标计算、
条件选股和自选股管理等功能。本安装程序附带沪深两市部分证券的历史日线数据，安装完成后
即可离线浏览。

二、运行环境
    操作系统：Windows 98/2000/XP 或更高版本（简体中文）。
    显示设置：800×600 以上分辨率，16 位色以上。
    磁盘空间：安装需要约 12MB，随数据更新逐步增加。

三、安装与卸载
    1. 运行安装程序，阅读并同意用户协议。
    2. 选择安装目录，默认为系统盘的 Program Files\\Quenvale。
    3. 安装完成后，可从“开始”菜单的“程序\\Marluxa”中启动本软件。
    4. 卸载时请使用“开始”菜单中的“Marluxa卸载”，不要直接删除安装目录。

四、数据说明
    data\\sda.d        证券代码与名称表。
    data\\day\\*.day    各证券的日线数据，每个文件对应一只证券，文件名为六位证券代码。
    数据更新请运行安装目录下的 update.exe，更新时需要连接互联网。

五、常用操作
    F1          打开帮助
    F5          切换日线与分时图
    Enter       打开所选证券的日线图
    PageUp/Down 在自选股之间切换
    ↑/↓        放大/缩小图形
    ←/→        移动光标查看历史数据

六、风险提示
    本软件提供的所有数据与分析结果仅供参考，不构成任何投资建议。股市有风险，入市需谨慎。

七、技术支持
    如在使用中遇到问题，请与 Marluxa 开发组联系。
"""


class Lcg:
    """A fixed linear congruential generator, so the payload is the same everywhere."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state

    def below(self, bound):
        return (self.next() >> 8) % bound

    def bytes(self, count):
        out = bytearray(count)
        for i in range(count):
            out[i] = self.next() >> 24
        return bytes(out)


def daily_codes(rng):
    codes = []
    for first, last, count in CODE_RANGES:
        chosen = {first, last} if count >= 2 else {first}
        while len(chosen) < count:
            chosen.add(first + rng.below(last - first + 1))
        codes.extend(sorted(chosen))
    assert codes[0] == 1 and len(codes) == 1749 and codes == sorted(codes)
    return codes


def daily_sizes(rng, count):
    """Sizes within the bounds, the smallest and the largest present, summing exactly."""
    sizes = [DAILY_MIN, DAILY_MAX] + [4_700 + rng.below(1_100) for _ in range(count - 2)]
    i = 2
    while sum(sizes) != DAILY_TOTAL:
        step = 1 if sum(sizes) < DAILY_TOTAL else -1
        if DAILY_MIN < sizes[i] + step < DAILY_MAX:
            sizes[i] += step
        i = 2 + (i - 1) % (count - 2)
    # Spread the smallest file away from the first code so line 7 looks ordinary.
    sizes[0], sizes[count // 3] = sizes[count // 3], sizes[0]
    return sizes


def readme_bytes():
    text = README_TEXT.replace("\n", "\r\n").encode("gbk")
    assert len(text) <= README_SIZE, len(text)
    filler = b"\r\n" + b" " * (README_SIZE - len(text) - 2) if len(text) < README_SIZE else b""
    return (text + filler)[:README_SIZE]


def padded(program, size, path):
    if len(program) > size:
        sys.exit(f"sample program {path} is larger than {size} bytes")
    return program + bytes(size - len(program))


def main_program_bytes(path, rng):
    program = open(path, "rb").read() if path else b"MZ" + rng.bytes(510)
    return padded(program, MAIN_PROGRAM_SIZE, path)


def uninstaller_bytes(path, rng):
    # The stand-in's bytes are drawn either way, so that the blobs after it stay the same.
    stand_in = b"MZ" + rng.bytes(UNINSTALLER_SIZE - 2)
    return padded(open(path, "rb").read(), UNINSTALLER_SIZE, path) if path else stand_in


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    try:
        if open(path, "rb").read() == content:
            return  # unchanged: keep the time stamp so the build does not redo work
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(content)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="payload folder to make")
    parser.add_argument("--main-program", help="tiny Win32 program to pad into Quenvale.exe")
    parser.add_argument("--uninstaller", help="tiny Win32 program to pad into UnInstall.exe")
    args = parser.parse_args()
    rng = Lcg(20021207)

    codes = daily_codes(rng)
    sizes = daily_sizes(rng, len(codes))
    lines = ["fCount datfile D:\\Quenvale\\Count.dat"]
    lines += [f"{name} {kind} D:\\Quenvale\\{file}" for name, kind, file in ROOT_ENTRIES]
    lines.append("fsda dfile D:\\Quenvale\\data\\sda.d")
    lines += [f"f{code:06d} dayfile D:\\Quenvale\\data\\day\\{code:06d}.day" for code in codes]
    assert len(lines) == 1755

    out = args.out
    write(os.path.join(out, "Count.dat"), "".join(l + "\r\n" for l in lines).encode("ascii"))
    write(os.path.join(out, "Quenvale.exe"), main_program_bytes(args.main_program, rng))
    write(os.path.join(out, "UnInstall.exe"), uninstaller_bytes(args.uninstaller, rng))
    write(os.path.join(out, "update.exe"), b"MZ" + rng.bytes(UPDATER_SIZE - 2))
    write(os.path.join(out, "readme.txt"), readme_bytes())
    write(os.path.join(out, "data", "sda.d"), rng.bytes(DATA_FILE_SIZE))
    for code, size in zip(codes, sizes):
        write(os.path.join(out, "data", "day", f"{code:06d}.day"), rng.bytes(size))


if __name__ == "__main__":
    main()
