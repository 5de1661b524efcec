"""What the notifier's benchmark scripts share: a private Xvfb display, a
fresh Wine prefix kept up by a holder, the stand-in host and the Windows
programs of a build tree. Everything started is ended on leaving the
`with` block, whatever happened inside it."""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'e2e'))
import winenv  # noqa: E402


class Programs:
    def __init__(self, build):
        self.qptn = os.path.join(build, 'notifier', 'qptn.exe')
        self.probe = winenv.Probe(os.path.join(build, 'tests', 'e2e', 'qptn_probe.exe'))
        self.qpsettings = os.path.join(build, 'tools', 'qpsettings', 'qpsettings.exe')
        self.qpbench = os.path.join(build, 'bench', 'win', 'qpbench.exe')
        for exe in (self.qptn, self.probe.exe, self.qpsettings, self.qpbench):
            if not os.path.exists(exe):
                sys.exit(f'{exe} is missing: build the Windows tree first')

    def qpsettings_run(self, *args):
        done = winenv.run(self.qpsettings, *args)
        if done.returncode != 0:
            raise RuntimeError(f'qpsettings {args}: {done.stdout}{done.stderr}')


class Host:
    """The stand-in host on a port of its own, with its admin requests."""

    def __init__(self, data):
        port_file = os.path.join(data, 'port')
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, 'devhost', 'qphost.py'), '--port', '0', '--data',
             data, '--port-file', port_file],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        winenv.wait_until(lambda: os.path.exists(port_file) and os.path.getsize(port_file) > 0,
                          timeout=30, what='the stand-in host')
        with open(port_file) as f:
            self.port = int(f.read())

    def admin(self, path, body=None):
        return winenv.host_admin(self.port, path, body)

    def calls(self, operation):
        return [e for e in self.admin('/admin/log') if e.get('operation') == operation]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=30)


def start_display():
    """A private Xvfb display; Xvfb writes the number it picked to a pipe."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(['Xvfb', '-displayfd', str(write), '-screen', '0', '1024x768x24',
                             '-nolisten', 'tcp'], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as pipe:
        number = pipe.readline().strip()
    if not number:
        xvfb.kill()
        sys.exit('Xvfb did not start')
    return xvfb, ':' + number


class WineBench:
    """with WineBench(build, host=True) as bench: ... bench.programs, bench.host"""

    def __init__(self, build, host=False, prefix_name='qptn-bench.'):
        # Wine without address-space randomisation, as in the tests
        # (scripts/no-aslr.sh says why): the bench runs itself again under it.
        if not os.environ.get('QP_NO_RANDOMIZE'):
            os.execv(os.path.join(ROOT, 'scripts', 'no-aslr.sh'),
                     ['no-aslr.sh', sys.executable, *sys.argv])
        self.programs = Programs(build)
        self._want_host = host
        self._prefix_name = prefix_name
        self.host = None

    def __enter__(self):
        self.run_dir = tempfile.mkdtemp(prefix=self._prefix_name)
        self._xvfb = None
        try:
            self._xvfb, display = start_display()
            os.environ['DISPLAY'] = display
            prefix = os.path.join(self.run_dir, 'prefix')
            subprocess.run([os.path.join(ROOT, 'scripts', 'wine-prefix.sh'), prefix], check=True)
            os.environ['WINEPREFIX'] = prefix
            winenv.warm_up(self.programs.probe.exe)
            if self._want_host:
                data = os.path.join(self.run_dir, 'host')
                os.makedirs(data)
                self.host = Host(data)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc):
        winenv.end_started()
        subprocess.run(['wineserver', '-k'], env=winenv.wine_env(), check=False)
        if self.host:
            self.host.stop()
        if self._xvfb:
            self._xvfb.kill()
        shutil.rmtree(self.run_dir, ignore_errors=True)
        return False

    def add_accounts(self, count, password='bench-pass'):
        """Accounts on the host and in the notifier's settings; their addresses."""
        p = self.programs
        p.qpsettings_run('set', 'host', f'127.0.0.1:{self.host.port}')
        addresses = [f'bench{i}@quillpost.com' for i in range(1, count + 1)]
        for address in addresses:
            self.host.admin('/admin/accounts', {'address': address, 'password': password})
            p.qpsettings_run('account', 'add', address, password)
        return addresses


def notifier_linux_pid():
    """The Linux process of the one running qptn.exe."""
    found = winenv.notifier_processes()
    if len(found) != 1:
        raise RuntimeError(f'expected one notifier, found {found}')
    return found[0][0]


def rss_kib(pid):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith('VmRSS:'):
                return int(line.split()[1])
    return 0


def cpu_seconds(pid):
    """User and system time the process has used so far."""
    with open(f'/proc/{pid}/stat') as f:
        fields = f.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


class Driver:
    """qpbench.exe drive: posts commands and reads process figures through
    one long-lived Windows process."""

    def __init__(self, qpbench):
        self.process = winenv.start_piped(qpbench, 'drive')

    def ask(self, line):
        self.process.stdin.write(line + '\n')
        self.process.stdin.flush()
        answer = self.process.stdout.readline().strip()
        if not answer or answer.startswith('error'):
            raise RuntimeError(f'{line}: {answer or "the driver ended"}')
        return answer

    def stats(self, windows_pid):
        """(handle count, working set in KiB) as Windows reports them. The
        handle count is the system's handle list for the process: Wine
        answers 0 to GetProcessHandleCount."""
        fields = dict(f.split('=') for f in self.ask(f'stats {windows_pid}').split())
        handles = int(fields['handles']) or int(fields['listed_handles'])
        return handles, int(fields['working_set_kib'])

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=30)
