"""The installer packages' tables, read back with msiinfo: the custom
actions and the order they run in, no self-registration, the version, and
the two editions differing only in the PL package's "pl" setting."""

import os
import subprocess
import unittest

PACKAGES = os.environ['QP_PACKAGES']
VERSION = os.environ['QP_VERSION']


def table(package, name):
    """The rows of a table as tuples of strings (header lines dropped)."""
    out = subprocess.run(['msiinfo', 'export', package, name], capture_output=True, text=True,
                         check=True).stdout
    return [tuple(line.split('\t')) for line in out.splitlines()[3:] if line]


def tables(package):
    out = subprocess.run(['msiinfo', 'tables', package], capture_output=True, text=True,
                         check=True).stdout
    return set(out.split())


def package(edition, folder=PACKAGES):
    return os.path.join(folder, f'qptnsetup_{edition}.msi')


class PackageTables(unittest.TestCase):
    def test_custom_actions_and_their_order(self):
        for edition in ('QX', 'PL'):
            with self.subTest(edition=edition):
                actions = {row[0]: row[1:4] for row in table(package(edition), 'CustomAction')}
                # 18: a program of the package; +64 its result ignored;
                # +192 started without waiting. 50: a program named by a property.
                self.assertEqual(actions['UninstallNotifier'], ('82', 'qptn.exe', '-Uninstall'))
                self.assertEqual(actions['StartNotifier'], ('210', 'qptn.exe', '-Commit'))
                self.assertEqual(actions['CloseRunningNotifier'], ('114', 'QP_NOTIFIER', '-Close'))
                self.assertEqual(actions['FindRunningNotifier'][1:],
                                 ('QP_NOTIFIER', '[QuillpostFolder]qptn.exe'))
                self.assertEqual(int(actions['FindRunningNotifier'][0]) & 0x3F, 51)
                self.assertEqual(len(actions), 4)

                order = {row[0]: (int(row[2]), row[1]) for row in
                         table(package(edition), 'InstallExecuteSequence')}
                at = {name: seq for name, (seq, _) in order.items()}
                self.assertTrue(at['CostFinalize'] < at['FindRunningNotifier']
                                < at['CloseRunningNotifier'] < at['InstallFiles'])
                self.assertTrue(at['InstallInitialize'] < at['UninstallNotifier']
                                < at['RemoveFiles'])
                self.assertTrue(at['InstallFinalize'] < at['RemoveExistingProducts']
                                < at['StartNotifier'])
                self.assertEqual(order['StartNotifier'][1], 'NOT REMOVE')
                self.assertIn('NOT UPGRADINGPRODUCTCODE', order['UninstallNotifier'][1])

    def test_each_control_registers_in_its_own_view(self):
        # Component attribute 256: a 64-bit component, whose registry rows go
        # to the 64-bit view; without it, the 32-bit view (WOW6432Node).
        for edition in ('QX', 'PL'):
            with self.subTest(edition=edition):
                path = package(edition)
                components = {row[0]: row for row in table(path, 'Component')}
                self.assertEqual(int(components['Control'][3]) & 256, 256)
                self.assertEqual(int(components['Control32'][3]) & 256, 0)
                folders = {row[0]: row[1:] for row in table(path, 'Directory')}
                self.assertEqual(folders[components['Control'][2]],
                                 ('ProgramFiles64Folder', 'Quillpost'))
                self.assertEqual(folders[components['Control32'][2]],
                                 ('ProgramFilesFolder', 'Quillpost'))
                files = {row[0]: row[1:3] for row in table(path, 'File')}
                self.assertEqual(files['GatherwickAX.dll'], ('Control', 'GatherwickAX.dll'))
                self.assertEqual(files['GatherwickAX32.dll'], ('Control32', 'GatherwickAX.dll'))

                rows = {'Control': set(), 'Control32': set()}
                for _, root, key, name, value, component in table(path, 'Registry'):
                    if component in rows:
                        rows[component].add((root, key, name, value))
                # The same class, type library and interface rows, each naming
                # its own file, folder and type-library platform.
                # The type library's key is one for both views: its help
                # folder comes from the 64-bit control alone.
                as32 = {(root, key.replace('\\409\\win64', '\\409\\win32'), name,
                         value.replace('[#GatherwickAX.dll]', '[#GatherwickAX32.dll]'))
                        for root, key, name, value in rows['Control']
                        if not key.endswith('\\HELPDIR')}
                self.assertEqual(as32, rows['Control32'])
                keys = {key for _, key, _, _ in rows['Control32']}
                for needed in ('Software\\Classes\\CLSID\\{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}'
                               '\\InprocServer32',
                               'Software\\Classes\\TypeLib\\{7CD239BF-0A52-4F76-AD85-534103E6D883}'
                               '\\1.0\\409\\win32',
                               'Software\\Classes\\Interface\\{E8BDDAEC-4F1C-420C-99B1-958E85857364}'):
                    self.assertIn(needed, keys)
                self.assertTrue(all(r[0] == '2' for r in rows['Control'] | rows['Control32']),
                                'class rows go to HKLM')

    def test_nothing_registers_itself(self):
        for edition in ('QX', 'PL'):
            with self.subTest(edition=edition):
                self.assertNotIn('SelfReg', tables(package(edition)))
                targets = ' '.join(' '.join(r) for r in table(package(edition), 'CustomAction'))
                self.assertNotIn('regsvr32', targets.lower())

    def test_versions_and_the_older_package_refusal(self):
        next_patch = int(VERSION.split('.')[2]) + 1
        newer = '.'.join(VERSION.split('.')[:2] + [str(next_patch)])
        for path, version in ((package('QX'), VERSION), (package('PL'), VERSION),
                              (package('QX', os.path.join(PACKAGES, 'next')), newer)):
            with self.subTest(package=path):
                properties = dict(row[:2] for row in table(path, 'Property'))
                self.assertEqual(properties['ProductVersion'], version)
                major, minor, patch = (int(x) for x in version.split('.'))
                number = str(major * 16777216 + minor * 65536 + patch)
                condition, message = table(path, 'LaunchCondition')[0][:2]
                self.assertIn(f'QP_SETUP_NUMBER > {number}', condition)
                self.assertEqual(message, 'A newer version of the Quillpost Desktop Notifier is '
                                          'already installed. Setup changes nothing.')

    def test_editions_differ_only_in_the_pl_setting(self):
        qx, pl = package('QX'), package('PL')
        self.assertEqual(tables(qx), tables(pl))
        for name in sorted(tables(qx) - {'_SummaryInformation', '_ForceCodepage'}):
            with self.subTest(table=name):
                a, b = table(qx, name), table(pl, name)
                if name == 'Property':  # each package is a product of its own
                    a = [r for r in a if r[0] != 'ProductCode']
                    b = [r for r in b if r[0] != 'ProductCode']
                if name in ('Component', 'FeatureComponents', 'Registry'):
                    b = [r for r in b if 'Edition' not in r]
                if name == 'MsiFileHash':
                    continue  # the same files, hashed alike
                self.assertEqual(sorted(a), sorted(b))
        pl_rows = [r[1:5] for r in table(pl, 'Registry') if 'Edition' in r]
        self.assertEqual(pl_rows, [('1', 'Software\\Vantrell\\QPTN\\Settings', 'pl', '#1')])


if __name__ == '__main__':
    unittest.main()
