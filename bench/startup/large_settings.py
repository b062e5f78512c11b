#!/usr/bin/env python3
# SPDX-FileCopyrightText: The Tavrix developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a large settings file for the start-up benchmark: SIZE MiB (default 100) of a group of its own,
about 1 million keys of 100 bytes, then a [Settings] group whose stored texts Tavrix rewrites while it
loads (a quoted " 2", letters for a number, a missing key), so that every start also writes three times.

    large_settings.py OUTPUT [SIZE_MIB]
"""
import sys


def main():
    out = sys.argv[1]
    size = int(sys.argv[2]) * 1024 * 1024 if len(sys.argv) > 2 else 100 * 1024 * 1024
    with open(out, "w") as file:
        file.write("[Other]\n")
        n = 0
        while file.tell() < size:
            file.write("".join(f"key{n + i}=" + "v" * (95 - len(str(n + i))) + "\n" for i in range(1000)))
            n += 1000
        file.write('\n[Settings]\nKey%20Strength=" 2"\nKey%20Type=abc\n')


if __name__ == "__main__":
    main()
