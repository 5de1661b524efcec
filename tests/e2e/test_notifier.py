"""Scenarios with real qptn.exe processes under Wine: instance hand-over, the
Exit command, the post-install re-launch and the tray icon's return after
the shell restarts."""

import os
import struct
import subprocess
import unittest

import winenv

winenv.require_environment('QPTN_EXE', 'QPTN_PROBE')
QPTN = os.environ['QPTN_EXE']
probe = winenv.Probe(os.environ['QPTN_PROBE'])

# The notification area of the 1024x768 desktop: the right end of the taskbar.
TRAY_AREA = (924, 748, 100, 20)


def setUpModule():
    winenv.warm_up(probe.exe)


def one_window():
    windows = probe.windows()
    return windows[0] if len(windows) == 1 else None


class NotifierScenarios(winenv.Scenario):
    def setUp(self):
        self.started = []
        self.assertEqual(winenv.notifier_processes(), [], 'a notifier outlived the last scenario')

    def tearDown(self):
        # Politely first, so that the notifiers store their settings; what
        # does not go is ended by the base class.
        for hwnd, *_ in probe.windows():
            probe.call('send-exit', hwnd)
        for p in self.started:
            try:
                p.wait(timeout=30)
            except Exception:
                pass
        super().tearDown()

    def start(self, *args):
        p = winenv.start(QPTN, *args)
        self.started.append(p)
        return p

    def test_a_crashing_program_fails_the_wait_at_once_with_its_report(self):
        winenv.start(probe.exe, 'crash')
        with self.assertRaises(AssertionError) as seen:
            winenv.wait_until(lambda: False, timeout=120, what='nothing')
        self.assertIn('a program crashed while waiting for nothing', str(seen.exception))
        self.assertIn('qptn_probe.exe crash', str(seen.exception))
        winenv.end_started()
        self.assertEqual(winenv.crash_reports(), [])

    def test_executable_is_a_64_bit_gui_program_with_its_version(self):
        with open(QPTN, 'rb') as f:
            image = f.read(4096)
        pe = struct.unpack_from('<I', image, 0x3C)[0]
        self.assertEqual(image[pe:pe + 4], b'PE\0\0')
        machine = struct.unpack_from('<H', image, pe + 4)[0]
        magic, = struct.unpack_from('<H', image, pe + 24)
        subsystem, = struct.unpack_from('<H', image, pe + 24 + 68)
        self.assertEqual((hex(machine), hex(magic), subsystem), ('0x8664', '0x20b', 2))
        self.assertEqual(winenv.run(probe.exe, 'version', QPTN).stdout.strip(),
                         os.environ['QP_FILE_VERSION'])

    def test_main_window_is_hidden_with_its_title(self):
        self.start()
        hwnd, _, title, visible = winenv.wait_until(one_window, what='the main window')
        self.assertEqual(title, 'Quillpost Desktop Notifier')
        self.assertFalse(visible)

    def test_exit_command_ends_the_process_with_code_zero(self):
        p = self.start()
        hwnd, *_ = winenv.wait_until(one_window, what='the main window')
        self.assertEqual(probe.call('send-exit', hwnd), 0)
        self.assertEqual(p.wait(timeout=60), 0)
        self.assertEqual(probe.windows(), [])

    def test_second_instance_replaces_the_first(self):
        first = self.start()
        _, first_pid, *_ = winenv.wait_until(one_window, what='the first window')
        second = self.start()
        self.assertEqual(first.wait(timeout=60), 0)
        _, second_pid, *_ = winenv.wait_until(
            lambda: (w := one_window()) and w[1] != first_pid and w, what='the second window')
        self.assertIsNone(second.poll(), 'the newcomer must keep running')
        self.assertEqual(len(winenv.notifier_processes()), 1)

    def test_three_started_together_leave_exactly_one(self):
        racers = [self.start() for _ in range(3)]
        winenv.wait_until(lambda: sum(p.poll() is not None for p in racers) == 2, timeout=120,
                          what='two of three to end')
        for p in racers:
            if p.poll() is not None:
                self.assertEqual(p.returncode, 0)
        survivor = next(p for p in racers if p.poll() is None)
        winenv.wait_until(one_window, what='the survivor window')
        self.assertEqual(len(probe.windows()), 1)
        self.assertEqual(len(winenv.notifier_processes()), 1)
        self.assertIsNone(survivor.poll())

    def test_a_hung_notifier_does_not_keep_a_newcomer_from_starting(self):
        hung = subprocess.Popen(['wine', probe.exe, 'hung-notifier'], env=winenv.wine_env(),
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(hung.stdout.close)
        self.addCleanup(hung.kill)
        ready = hung.stdout.readline().split()
        self.assertEqual(ready[:1], ['ready'], 'the hung window did not appear')
        hung_pid = probe.windows()[0][1]
        newcomer = self.start()
        # The newcomer tells the hung window to exit for a bounded time,
        # then starts anyway.
        winenv.wait_until(lambda: any(pid != hung_pid for _, pid, *_ in probe.windows()),
                          timeout=120, what="the newcomer's window beside the hung one")
        self.assertIsNone(newcomer.poll(), 'the newcomer must keep running')
        hwnd = next(h for h, pid, *_ in probe.windows() if pid != hung_pid)
        winenv.wait_until(lambda: probe.call('tray-present', hwnd) == 0, what="the newcomer's icon")

    def test_commit_leaves_one_new_process_started_with_hello(self):
        older = self.start()
        winenv.wait_until(one_window, what='the running notifier')
        older_pids = {pid for pid, _ in winenv.notifier_processes()}
        self.assertEqual(winenv.run_quietly(QPTN, '-Commit'), 0)
        self.assertEqual(older.wait(timeout=60), 0, 'the relaunched copy closes the older one')

        def relaunched():
            procs = winenv.notifier_processes()
            return procs if len(procs) == 1 and one_window() else None

        procs = winenv.wait_until(relaunched, what='the relaunched notifier')
        pid, argv = procs[0]
        self.assertNotIn(pid, older_pids)
        self.assertEqual(argv[1:], ['-Hello'])

    def test_uninstall_closes_running_notifiers_and_mailto_does_nothing(self):
        running = self.start()
        winenv.wait_until(one_window, what='the running notifier')
        self.assertEqual(winenv.run_quietly(QPTN, '/UNINSTALL'), 0)
        self.assertEqual(running.wait(timeout=60), 0)
        self.assertEqual(probe.windows(), [])
        self.assertEqual(winenv.run_quietly(QPTN, '-Uninstall'), 0)
        self.assertEqual(winenv.run_quietly(QPTN, '-mailto', 'mailto:someone@example.org'), 0)
        self.assertEqual(probe.windows(), [])

    def test_taskbar_restart_adds_the_current_icon_again(self):
        self.start()
        hwnd, *_ = winenv.wait_until(one_window, what='the main window')
        winenv.wait_until(lambda: probe.call('tray-present', hwnd) == 0, what='the tray icon')
        with_icon = winenv.screen_rgb(*TRAY_AREA)

        # What a shell restart does to us: it forgets the icon.
        self.assertEqual(probe.call('tray-delete', hwnd), 0)
        self.assertNotEqual(probe.call('tray-present', hwnd), 0)
        self.assertNotEqual(winenv.screen_rgb(*TRAY_AREA), with_icon, 'the icon did not go')

        self.assertEqual(probe.call('taskbar-created'), 0)
        winenv.wait_until(lambda: probe.call('tray-present', hwnd) == 0, what='the icon to return')
        winenv.wait_until(lambda: winenv.screen_rgb(*TRAY_AREA) == with_icon,
                          what='the same icon in the notification area')


if __name__ == '__main__':
    unittest.main()
