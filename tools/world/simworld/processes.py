"""The world's programs as child processes. Each writes what it prints into
its own log file, ends with the launcher (PDEATHSIG) and, as every test-world
program does, by its own lifetime."""
import ctypes
import os
import signal
import subprocess
import time

PR_SET_PDEATHSIG = 1
POLL_S = 0.05

_libc = ctypes.CDLL(None, use_errno=True)


def _ends_with(parent):
    def setup():
        _libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)
        if os.getppid() != parent:  # the launcher ended before prctl took effect
            os._exit(1)
    return setup


class Program:
    """One program of the world; started again as often as asked, always
    with the same arguments but the lifetime, appending to the same log."""

    def __init__(self, name, argv, log_path, env=None):
        self.name = name
        self.argv = list(argv)
        self.log_path = log_path
        self.env = env
        self.proc = None
        self.started_at = 0.0
        self._offset = 0  # where this run's output begins in the log

    def start(self, extra_args=()):
        with open(self.log_path, "ab") as log:
            log.write(("--- %s: %s\n" % (time.strftime("%H:%M:%S"),
                                        " ".join(self.argv + list(extra_args)))).encode())
            log.flush()
            self._offset = log.tell()
            self.proc = subprocess.Popen(self.argv + list(extra_args), stdin=subprocess.DEVNULL,
                                         stdout=log, stderr=subprocess.STDOUT, env=self.env,
                                         preexec_fn=_ends_with(os.getpid()), close_fds=True)
        self.started_at = time.monotonic()

    @property
    def pid(self):
        return self.proc.pid if self.proc is not None else 0

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def exit_status(self):
        return None if self.proc is None else self.proc.poll()

    def output(self):
        """What this run printed so far."""
        try:
            with open(self.log_path, "rb") as f:
                f.seek(self._offset)
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def wait_for(self, prefix, deadline):
        """The first line of this run that starts with `prefix`, waiting until
        the monotonic `deadline`; None when the time is up or the program
        ended without it."""
        while True:
            alive = self.running()
            for line in self.output().splitlines():
                if line.startswith(prefix):
                    return line
            if not alive or time.monotonic() >= deadline:
                return None
            time.sleep(POLL_S)

    def kill(self):
        """SIGKILL, as a power cut would end it."""
        if self.running():
            self.proc.kill()
        if self.proc is not None:
            self.proc.wait(timeout=10)

    def stop(self, grace_s=8.0):
        """SIGTERM; SIGKILL when it has not ended after grace_s. Its exit
        status, or None when it was never started."""
        if self.proc is None:
            return None
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=grace_s)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=10)
        return self.proc.returncode
