"""nginx on loopback with a configuration, a document root, logs and temp
paths of its own, all inside one temporary folder that goes with it."""

import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

CONFIG = """
worker_processes 1;
{user}
pid {dir}/nginx.pid;
error_log {dir}/error.log;
events {{ worker_connections 64; }}
http {{
    access_log {dir}/access.log;
    client_body_temp_path {dir}/temp/body;
    proxy_temp_path {dir}/temp/proxy;
    fastcgi_temp_path {dir}/temp/fastcgi;
    uwsgi_temp_path {dir}/temp/uwsgi;
    scgi_temp_path {dir}/temp/scgi;
    default_type application/octet-stream;
    server {{
        listen 127.0.0.1:{port};
        root {dir}/www;
{locations}
    }}
}}
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Nginx:
    """`locations` is raw configuration for the server block; `files` maps
    paths below the document root to their bytes, or to ("file", PATH) for a
    large file served from where it lies. Without a port, a free one
    is picked (tests of several build trees may run at once)."""

    def __init__(self, port=None, files=None, locations=""):
        self.fixed_port = port
        self.files = files or {}
        self.locations = locations

    def url(self, path):
        return self.base + path

    def __enter__(self):
        self.dir = tempfile.mkdtemp(prefix="nimbra-nginx.")
        try:
            os.chmod(self.dir, 0o755)
            os.mkdir(os.path.join(self.dir, "temp"))
            for path, data in self.files.items():
                full = os.path.join(self.dir, "www", path.lstrip("/"))
                os.makedirs(os.path.dirname(full), exist_ok=True)
                if isinstance(data, tuple):  # ("file", path): served from where it lies
                    os.symlink(os.path.abspath(data[1]), full)
                    continue
                with open(full, "wb") as f:
                    f.write(data)
            # A picked port can be taken by someone else before nginx binds it.
            for attempt in range(5):
                if self._start(self.fixed_port or free_port()):
                    break
                if self.fixed_port or attempt == 4:
                    raise RuntimeError("nginx did not start: " + self.failure)
        except BaseException:
            self._stop()
            raise
        return self

    def _start(self, port):
        self.port = port
        self.base = f"http://127.0.0.1:{port}"
        config = os.path.join(self.dir, "nginx.conf")
        with open(config, "w") as f:
            f.write(CONFIG.format(dir=self.dir, port=port, locations=self.locations,
                                  user="user root;" if os.geteuid() == 0 else ""))
        self.proc = subprocess.Popen(
            ["nginx", "-p", self.dir, "-c", config, "-e", os.path.join(self.dir, "error.log"),
             "-g", "daemon off;"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        # nginx writes its pid file once its socket is bound: a connection
        # alone could reach someone else's server on that port.
        pid_file = os.path.join(self.dir, "nginx.pid")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.proc.poll() is not None:
                self.failure = self.proc.stderr.read().decode()
                self.proc.stderr.close()
                self.proc = None
                return False
            try:
                with open(pid_file) as f:
                    if f.read().strip() == str(self.proc.pid):
                        return True
            except FileNotFoundError:
                pass
            time.sleep(0.02)
        raise RuntimeError("nginx does not start")

    def requests(self):
        """The request paths of the access log, in order."""
        try:
            with open(os.path.join(self.dir, "access.log")) as f:
                return [line.split('"')[1].split(" ")[1] for line in f if '"' in line]
        except FileNotFoundError:
            return []

    def _stop(self):
        proc = getattr(self, "proc", None)
        if proc and proc.poll() is None:
            proc.send_signal(signal.SIGQUIT)
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
        if proc and proc.stderr:
            proc.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)

    def __exit__(self, *exc):
        self._stop()
        return False
