"""Runs the real programs in a throw-away sandbox and captures what they
send to the system log, datagram by datagram."""

import collections
import os
import re
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD_DIR = os.environ.get("NIMBRA_BUILD_DIR") or os.path.join(HERE, "..", "..", "build", "plain")
SANITIZED = os.environ.get("NIMBRA_SANITIZE", "OFF").upper() in ("ON", "1", "TRUE", "YES")
DOWNLOAD_HOST = os.environ.get("NIMBRA_DOWNLOAD_HOST", "")

LogLine = collections.namedtuple("LogLine", "priority facility ident message")
Result = collections.namedtuple("Result", "returncode stdout stderr syslog")

LOG_ERR, LOG_WARNING, LOG_NOTICE, LOG_INFO, LOG_DEBUG = 3, 4, 5, 6, 7
LOG_USER = 1

# "<PRI>Mmm dd hh:mm:ss IDENT: MESSAGE", the C library's datagram.
_DATAGRAM = re.compile(r"^<(\d+)>\w{3} [ \d]\d \d\d:\d\d:\d\d (.*?): (.*)$", re.S)


def binary(name):
    """Path of a program of this build tree."""
    for folder in ("", "examples", "tests", "bench"):
        path = os.path.join(BUILD_DIR, folder, name)
        if os.path.exists(path):
            return os.path.abspath(path)
    raise FileNotFoundError(f"{name} is not built in {BUILD_DIR}")


def _unescape(text):
    return re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), text)


def parse_syslog(text):
    lines = []
    for raw in text.splitlines():
        datagram = _unescape(raw)
        match = _DATAGRAM.match(datagram)
        if not match:
            raise AssertionError(f"not a system-log datagram: {datagram!r}")
        pri = int(match.group(1))
        lines.append(LogLine(pri & 7, pri >> 3, match.group(2), match.group(3)))
    return lines


class Sandbox:
    """A temporary folder with ROOT (NIMBRA_ROOT), HOME and TMPDIR inside;
    everything in it is removed on exit."""

    def __enter__(self):
        self.path = tempfile.mkdtemp(prefix="nimbra-e2e.")
        self.root = os.path.join(self.path, "root")
        self.home = os.path.join(self.path, "home")
        self.tmp = os.path.join(self.path, "tmp")
        for folder in (self.root, self.home, self.tmp):
            os.mkdir(folder)
        env = {k: v for k, v in os.environ.items()
               if not (k.startswith("LC_") or k in ("LANGUAGE", "LANG", "DISPLAY", "WAYLAND_DISPLAY"))}
        env.update(NIMBRA_ROOT=self.root, HOME=self.home, TMPDIR=self.tmp, LANG="C")
        if SANITIZED:
            env.setdefault("ASAN_OPTIONS", "detect_leaks=1:abort_on_error=0")
            env.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
        self.env = env
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.path, ignore_errors=True)
        return False

    def run(self, argv, env=None, cwd=None, timeout=60, input=None):
        """Runs argv to its end; the system-log lines come back in order."""
        started = self.start(argv, env=env, cwd=cwd, stdin=subprocess.PIPE if input else None)
        return started.finish(timeout=timeout, input=input)

    def start(self, argv, env=None, cwd=None, stdin=subprocess.DEVNULL):
        """Starts argv and returns at once; `finish` waits for its end. Signals
        sent to it reach the program itself."""
        return Started(self, argv, env, cwd, stdin)

    def _env(self, env):
        full_env = dict(self.env)
        for key, value in (env or {}).items():
            if value is None:
                full_env.pop(key, None)
            else:
                full_env[key] = value
        return full_env

    def _log_file(self):
        log_fd, log_path = tempfile.mkstemp(prefix="syslog.", dir=self.path)
        os.close(log_fd)
        return log_path

    @staticmethod
    def _read_log(log_path):
        with open(log_path, encoding="utf-8", errors="replace") as f:
            return parse_syslog(f.read())


class Started:
    """A program started in a sandbox, running while the test looks at it.
    Its output goes to files, so a long run never blocks on a full pipe."""

    def __init__(self, sandbox, argv, env, cwd, stdin):
        self.log_path = sandbox._log_file()
        self.out = tempfile.TemporaryFile(dir=sandbox.path)
        self.err = tempfile.TemporaryFile(dir=sandbox.path)
        try:
            self.process = subprocess.Popen([binary("syslog_capture"), self.log_path, *argv],
                                            env=sandbox._env(env), cwd=cwd or sandbox.path,
                                            stdin=stdin, stdout=self.out, stderr=self.err)
        except BaseException:
            self._close()
            raise

    def running(self):
        return self.process.poll() is None

    def send_signal(self, signal):
        self.process.send_signal(signal)

    def finish(self, timeout=60, input=None):
        """Waits for the end (killing the program if it does not come)."""
        try:
            try:
                self.process.communicate(
                    input=input.encode("utf-8") if isinstance(input, str) else input,
                    timeout=timeout)
            except BaseException:
                self.process.kill()
                self.process.wait()
                raise
            streams = []
            for f in (self.out, self.err):
                f.seek(0)
                streams.append(f.read().decode("utf-8", errors="replace"))
            syslog = Sandbox._read_log(self.log_path)
        finally:
            self._close()
        return RunResult(self.process.returncode, *streams, syslog)

    def _close(self):
        self.out.close()
        self.err.close()
        if os.path.exists(self.log_path):
            os.unlink(self.log_path)


class RunResult(Result):
    @property
    def messages(self):
        return [line.message for line in self.syslog]
