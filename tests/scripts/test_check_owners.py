"""The owner check: it finds release calls outside the owners, and none in
the project's production code."""

import os
import shutil
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
sys.path.insert(0, os.path.join(ROOT, 'scripts'))
import check_owners  # noqa: E402


def tree(case, files):
    """A source tree of `files` (path: text) in a new folder, removed after `case`."""
    root = tempfile.mkdtemp(prefix='owners.')
    case.addCleanup(shutil.rmtree, root, ignore_errors=True)
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, 'w') as f:
            f.write(text)
    return root


class CheckOwners(unittest.TestCase):
    def test_what_counts_as_a_raw_release(self):
        cases = [
            # (path, text, what is found)
            ('control/a_win.cpp', 'void F(HANDLE h) { CloseHandle(h); }\n', ['CloseHandle']),
            ('notifier/b_win.cpp', 'x = ::RegCloseKey (key);\n', ['RegCloseKey']),
            ('tools/c.cpp', 'if (p) p->Release();\n', ['Release']),
            ('control/d_win.cpp', 'CloseClipboard();\nDdeUninitialize(id);\n',
             ['CloseClipboard', 'DdeUninitialize']),
            ('common/e_win.cpp', 'LocalFree(p);\n', ['LocalFree']),
            # Comments, strings, other names and owner methods are not calls.
            ('control/f_win.cpp', '// CloseHandle(h) is done by the owner\n', []),
            ('control/g_win.cpp', '/* ReleaseStgMedium(&m);\n FindClose(h); */\n', []),
            ('control/h_win.cpp', 'Log("CloseHandle(h) failed");\n', []),
            # A quote as a character does not open a string that hides the call.
            ('control/m_win.cpp', "if (c == '\"') CloseHandle(h);\n", ['CloseHandle']),
            ('control/i_win.cpp', 'owner.Release(); MyCloseHandle(h); x.CloseHandle(h);\n', []),
            ('control/j_win.cpp', 'qp::CloseReported(file_);\n', []),
            # Owners, tests and fakes may release.
            ('common/win32/k_win.h', 'static void Close(HKEY k) { RegCloseKey(k); }\n', []),
            ('common/win32/window_win.cpp', 'DestroyWindow(w);\n', []),
            ('control/l_win_test.cpp', 'CloseHandle(h);\n', []),
            ('control/object/win32/fake_site_win.h', 'CoUninitialize();\n', []),
            ('tests/e2e/probe.cpp', 'CloseHandle(h);\n', []),
        ]
        for path, text, want in cases:
            with self.subTest(path):
                found = check_owners.raw_releases(tree(self, {path: text}))
                self.assertEqual([f for _, _, f in found], want)
                self.assertTrue(all(p == path for p, _, _ in found))

    def test_the_line_is_named(self):
        root = tree(self, {'control/a_win.cpp': 'int a;\n/* one\n two */\nFindClose(h);\n'})
        self.assertEqual(check_owners.raw_releases(root), [('control/a_win.cpp', 4, 'FindClose')])

    def test_production_code_releases_only_through_owners(self):
        found = check_owners.raw_releases(ROOT)
        self.assertEqual(found, [], '\n'.join(f'{p}:{n}: {f}' for p, n, f in found))


if __name__ == '__main__':
    unittest.main()
