"""A small HTTP server on loopback that misbehaves on request.

Paths (n, m are byte counts):
  /file/NAME?size=n          n bytes, announced
  /stall/n                   announces 2n, sends n, then sends nothing more
  /drop/n                    announces 2n, sends n, then closes the connection
  /nolength/n                n bytes, no length, the end of the body is the close
  /longer/n/m                announces n, sends m (more) bytes in chunks
  /disposition/NAME?v=VALUE  a small body, Content-Disposition VALUE
  /status/CODE               that status with a small page
  /redirect?to=URL           302 to URL
  /redirect-page/n?to=URL    302 to URL, with a page of n bytes
  /trailers/n                a small chunked body, then n trailer fields of 1 KiB
Any other path can be given fixed content (`files`) or stand for one of the
paths above (`routes`). Every request line is kept in `requests`, in order."""

import http.server
import threading
import urllib.parse


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def _head(self, status, headers):
        self.send_response_only(status)
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.flush()

    @staticmethod
    def _body(n):
        return bytes((i * 7 + 3) & 0xFF for i in range(n))

    def _send_quietly(self, data):
        # The client may hang up once it has seen enough.
        try:
            self.wfile.write(data)
        except OSError:
            self.close_connection = True

    def do_GET(self):
        server = self.server
        server.requests.append(self.path)
        url = urllib.parse.urlsplit(self.path)
        if url.path in server.files:
            body = server.files[url.path]
            self._head(200, [("Content-Length", str(len(body)))])
            self.wfile.write(body)
            return
        url = urllib.parse.urlsplit(server.routes.get(url.path, self.path))
        parts = url.path.strip("/").split("/")
        kind, args = parts[0], parts[1:]
        if kind == "file":
            size = int(urllib.parse.parse_qs(url.query).get("size", ["1000"])[0])
            self._head(200, [("Content-Length", str(size))])
            self.wfile.write(self._body(size))
        elif kind == "stall":
            n = int(args[0])
            self._head(200, [("Content-Length", str(2 * n))])
            self.wfile.write(self._body(n))
            self.wfile.flush()
            server.release.wait(60)
            self.close_connection = True
        elif kind == "drop":
            n = int(args[0])
            self._head(200, [("Content-Length", str(2 * n))])
            self.wfile.write(self._body(n))
            self.close_connection = True
        elif kind == "nolength":
            n = int(args[0])
            self._head(200, [("Connection", "close")])
            self.wfile.write(self._body(n))
            self.close_connection = True
        elif kind == "longer":
            announced, actual = int(args[0]), int(args[1])
            self._head(200, [("Content-Length", str(announced)),
                             ("Transfer-Encoding", "chunked")])
            body = self._body(actual)
            for i in range(0, actual, 4096):
                piece = body[i:i + 4096]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
        elif kind == "disposition":
            value = urllib.parse.parse_qs(url.query)["v"][0]
            body = b"disposition body\n"
            self._head(200, [("Content-Length", str(len(body))),
                             ("Content-Disposition", value)])
            self.wfile.write(body)
        elif kind == "status":
            body = b"<html>status page</html>\n"
            self._head(int(args[0]), [("Content-Length", str(len(body)))])
            self.wfile.write(body)
        elif kind == "redirect":
            target = urllib.parse.parse_qs(url.query)["to"][0]
            self._head(302, [("Location", target), ("Content-Length", "0")])
        elif kind == "redirect-page":
            target = urllib.parse.parse_qs(url.query)["to"][0]
            n = int(args[0])
            self._head(302, [("Location", target), ("Content-Length", str(n))])
            self._send_quietly(self._body(n))
        elif kind == "trailers":
            self._head(200, [("Transfer-Encoding", "chunked")])
            body = b"trailed body\n"
            trailers = b"".join(b"X-Trailer-%d: %s\r\n" % (i, b"t" * 1000)
                                for i in range(int(args[0])))
            self._send_quietly(b"%x\r\n%s\r\n0\r\n%s\r\n" % (len(body), body, trailers))
        else:
            self._head(400, [("Content-Length", "0")])


class FaultServer:
    """On `port`, or on a free port the system picks when it is 0. FILES maps
    a path to the bytes served there; ROUTES maps a path to the fault path
    that answers it."""

    def __init__(self, port=0, files=None, routes=None):
        self.port = port
        self.files = dict(files or {})
        self.routes = dict(routes or {})

    def __enter__(self):
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", self.port), _Handler)
        self.port = self.httpd.server_address[1]
        self.base = f"http://127.0.0.1:{self.port}"
        self.httpd.daemon_threads = True
        self.httpd.requests = []
        self.httpd.files = self.files
        self.httpd.routes = self.routes
        self.httpd.release = threading.Event()
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        return self

    @property
    def requests(self):
        return list(self.httpd.requests)

    def url(self, path):
        return self.base + path

    def __exit__(self, *exc):
        self.httpd.release.set()
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join()
        return False
