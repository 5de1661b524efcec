#!/usr/bin/env python3
"""Lists the release calls of production code that no owner makes.

Every handle, memory block, window and open state the code takes from the
system is given back by an owner type in common/win32/ (the owner headers
and the window base); everywhere else a release call is a resource that can
leak on an early return or be given back twice. This walks the C++ sources
of the deliverables and their tools, leaves out tests and test fakes,
and prints each release call outside the owners with its place. Comments
are not read.

Usage: check_owners.py [ROOT]; exit code 1 when any call is found.
"""

import os
import re
import sys

# What gives a resource back to the system.
RELEASES = (
    'CloseHandle', 'RegCloseKey', 'LocalFree', 'GlobalFree', 'GlobalUnlock', 'HeapFree',
    'DdeUninitialize', 'DdeFreeStringHandle', 'DdeDisconnect', 'DdeFreeDataHandle',
    'ReleaseStgMedium', 'CloseClipboard', 'InternetCloseHandle', 'WinHttpCloseHandle',
    'FindClose', 'UnmapViewOfFile', 'CoTaskMemFree', 'SysFreeString', 'VariantClear',
    'SafeArrayDestroy', 'SafeArrayUnaccessData', 'DeleteObject', 'DestroyIcon', 'DestroyCursor',
    'DeleteDC', 'ReleaseDC', 'EndPaint', 'DestroyWindow', 'DestroyMenu', 'FreeLibrary',
    'ImageList_Destroy', 'CloseThemeData', 'DeleteEnhMetaFile', 'ReleaseMutex',
    'CoUninitialize', 'OleUninitialize', 'UnhookWindowsHookEx', 'DragFinish', 'ILFree',
)
CALL = re.compile(r'(?<![\w:.>])(?:::)?(' + '|'.join(RELEASES) + r')\s*\('
                  r'|->\s*(Release)\s*\(\s*\)')  # a COM reference
# The owners: where a release call belongs.
OWNERS = re.compile(r'^common/win32/([a-z_]+_win\.h|window_win\.cpp)$')
SOURCES = ('common', 'control', 'notifier', 'tools')
TEST_FILE = re.compile(r'(_test\.(cpp|h)|/fake_[a-z_]+\.(cpp|h))$')


def strip_comments(text):
    """The text with comments, string and character literals blanked, lines kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        if text.startswith('//', i):
            j = text.find('\n', i)
            i = n if j < 0 else j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2)
            j = n if j < 0 else j + 2
            out.append('\n' * text.count('\n', i, j))
            i = j
        elif text[i] in '"\'':
            # A string or character literal, to its closing quote on the line.
            quote, j = text[i], i + 1
            while j < n and text[j] != quote and text[j] != '\n':
                j += 2 if text[j] == '\\' else 1
            out.append(quote * 2)
            i = j + 1
        else:
            out.append(text[i])
            i += 1
    return ''.join(out)


def production_files(root):
    for top in SOURCES:
        for folder, dirs, names in os.walk(os.path.join(root, top)):
            dirs.sort()
            for name in sorted(names):
                if not name.endswith(('.cpp', '.h')):
                    continue
                relative = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, '/')
                if TEST_FILE.search(relative) or OWNERS.match(relative):
                    continue
                yield relative


def raw_releases(root):
    """(path, line number, function) of every release call outside the owners."""
    found = []
    for relative in production_files(root):
        with open(os.path.join(root, relative), encoding='utf-8', errors='replace') as f:
            text = strip_comments(f.read())
        for number, line in enumerate(text.split('\n'), 1):
            found += [(relative, number, m.group(1) or m.group(2)) for m in CALL.finditer(line)]
    return found


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    found = raw_releases(root)
    for path, number, function in found:
        print(f'{path}:{number}: {function} outside an owner')
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
