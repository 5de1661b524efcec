"""Seeded random calls of every scripting member of the registered
GatherwickAX.dll through IDispatch (dispatch_driver.exe), on a page of the
stand-in host that the policy allows: the process survives every call,
failures are clean HRESULTs, successes carry the member's result, and the
driver's handles, memory and GUI objects stay flat.

QP_DISPATCH_CALLS (default 5000) and QP_DISPATCH_SEEDS (comma-separated,
default 1,2) choose the run; the README gives the long run."""

import os
import unittest

import winenv
from winenv import windows_path

winenv.require_environment('GWAX_DLL', 'QPTN_PROBE', 'DISPATCH_DRIVER', 'QP_SOURCE_DIR')
DLL = os.environ['GWAX_DLL']
PROBE = os.environ['QPTN_PROBE']
DRIVER = os.environ['DISPATCH_DRIVER']
CALLS = int(os.environ.get('QP_DISPATCH_CALLS') or 5000)
SEEDS = [int(s) for s in (os.environ.get('QP_DISPATCH_SEEDS') or '1,2').split(',') if s.strip()]
USER = 'ann@quillpost.com'
POLICY_KEY = r'HKEY_LOCAL_MACHINE\Software\Vantrell\GatherwickAX'

# The system's string cache keeps freed strings of each size for reuse, in
# use as far as the heaps go; off (as on Windows), the bytes in use after
# the calls are what the calls left.
os.environ['OANOCACHE'] = '1'

host = None


def setUpModule():
    global host
    winenv.warm_up(PROBE)
    host = winenv.StandInHost()
    added = winenv.run('reg', 'add', POLICY_KEY, '/v', 'AllowedHosts', '/d', '127.0.0.1', '/f')
    assert added.returncode == 0, added.stderr


def tearDownModule():
    winenv.run('regsvr32', '/u', '/s', windows_path(DLL), timeout=120)
    winenv.run('reg', 'delete', POLICY_KEY, '/f')
    host.stop()


class DispatchFuzz(winenv.Scenario):
    def test_random_calls_through_idispatch(self):
        page = f'http://127.0.0.1:{host.port}/read.php'
        upload_host = f'127.0.0.1:{host.port}'
        sid = winenv.host_admin(host.port, '/admin/session', {'user': USER})['sid']
        for seed in SEEDS:
            with self.subTest(seed=seed):
                # The calls include Unregister: every run registers the control afresh.
                registered = winenv.run('regsvr32', '/s', windows_path(DLL), timeout=120)
                self.assertEqual(registered.returncode, 0, 'regsvr32 failed')
                # A bound for a run that hangs outside any one call (the
                # driver ends a call that does not return itself).
                done = winenv.run(DRIVER, str(seed), str(CALLS), page, upload_host, USER, sid,
                                  timeout=180 + CALLS // 50)
                print(done.stdout, end='', flush=True)
                summary = [line for line in done.stdout.splitlines()
                           if line.startswith('dispatch_driver: ')]
                self.assertEqual(done.returncode, 0,
                                 f'seed {seed}: the driver ended with {done.returncode}:\n'
                                 f'{done.stdout}\n{done.stderr[-3000:]}')
                self.assertEqual(len(summary), 1, done.stdout)
                self.assertIn(f'seed={seed} calls={CALLS} ', summary[0])
                self.assertIn('result=ok', summary[0])


if __name__ == '__main__':
    unittest.main()
