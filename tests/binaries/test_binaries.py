"""The built Windows binaries as a user's machine gets them, read with
objdump: the machine type of the tree's width (and the notifier's manifest
naming it), the four entry points of an in-process server in
GatherwickAX.dll, and imports from the system's own libraries only (the C++ and threads runtimes are linked in, so no MinGW DLL
has to lie beside a program)."""

import os
import re
import subprocess
import unittest

OBJDUMP = os.environ['QP_OBJDUMP']
# "i386" (32-bit tree) or "x86-64" (64-bit tree), as objdump names them.
MACHINE = os.environ['QP_MACHINE']
BINARIES = os.environ['QP_BINARIES'].split(';')
CONTROL = next(b for b in BINARIES if os.path.basename(b) == 'GatherwickAX.dll')

# Libraries that come with Windows.
SYSTEM_LIBRARIES = {
    'advapi32.dll', 'comctl32.dll', 'comdlg32.dll', 'crypt32.dll', 'gdi32.dll', 'gdiplus.dll',
    'kernel32.dll', 'msvcrt.dll', 'ole32.dll', 'oleacc.dll', 'oleaut32.dll', 'shell32.dll',
    'shlwapi.dll', 'urlmon.dll', 'user32.dll', 'uxtheme.dll', 'version.dll', 'winhttp.dll',
    'wininet.dll', 'winmm.dll', 'ws2_32.dll', 'psapi.dll', 'bcrypt.dll', 'mlang.dll',
}


def objdump(*args):
    return subprocess.run([OBJDUMP, *args], capture_output=True, text=True, check=True).stdout


def imports(path):
    return sorted({m.lower() for m in re.findall(r'DLL Name: (\S+)', objdump('-p', path))})


def exports(path):
    """The names in the export table."""
    text = objdump('-p', path)
    table = text.split('[Ordinal/Name Pointer] Table', 1)
    if len(table) < 2:
        return []
    names = []
    for line in table[1].splitlines()[1:]:
        m = re.match(r'\s+\[\s*\d+\]\s+(\S+)', line)
        if not m:
            break
        names.append(m.group(1))
    return sorted(names)


class Binaries(unittest.TestCase):
    def test_each_binary_is_of_the_trees_machine(self):
        for path in BINARIES:
            with self.subTest(binary=os.path.basename(path)):
                header = objdump('-f', path)
                architecture = {'i386': 'i386', 'x86-64': 'i386:x86-64'}[MACHINE]
                self.assertIn(f'file format pei-{MACHINE}\n', header)
                self.assertIn(f'architecture: {architecture},', header)

    def test_the_control_exports_the_four_entry_points_of_an_in_process_server(self):
        self.assertEqual(exports(CONTROL), ['DllCanUnloadNow', 'DllGetClassObject',
                                            'DllRegisterServer', 'DllUnregisterServer'])

    def test_the_notifiers_manifest_names_the_trees_processor(self):
        notifier = next(b for b in BINARIES if os.path.basename(b) == 'qptn.exe')
        with open(notifier, 'rb') as f:
            image = f.read()
        found = re.findall(rb'processorArchitecture="([^"]*)"', image)
        self.assertEqual(found, [{'i386': b'x86', 'x86-64': b'amd64'}[MACHINE]])

    def test_imports_come_from_system_libraries_only(self):
        for path in BINARIES:
            with self.subTest(binary=os.path.basename(path)):
                found = imports(path)
                self.assertIn('kernel32.dll', found)
                self.assertEqual([m for m in found if m not in SYSTEM_LIBRARIES], [])


if __name__ == '__main__':
    unittest.main()
