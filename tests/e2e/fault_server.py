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
Any other path can be scripted (`script`): its requests get the given
replies in turn, the last one again and again. A reply is a `Reply`, or one
of the paths above, answered as that path is.
Every request line is kept in `requests`, in order, and with its Range and
If-Range fields in `log`."""

import email.utils
import http.server
import socket
import struct
import threading
import time
import urllib.parse

_BLOCK = bytes((i * 7 + 3) & 0xFF for i in range(256))


def pattern(start, end):
    """Bytes start to end of the endless pattern the bodies are made of."""
    if end <= start:
        return b""
    first = start - start % 256
    repeats = (end - first + 255) // 256
    return (_BLOCK * repeats)[start - first:end - first]


class Reply:
    """One scripted answer: a body (bytes, or a length of pattern bytes) with
    its validators, from a server that honours Range and If-Range like a good
    one, except where told otherwise:
      ranges=False         always the whole body with 200
      content_range=TEXT   a 206 with this Content-Range, from where Range asks
                           whatever If-Range says
      cut=n                the connection ends after n body bytes; "status"
                           before anything is sent, "headers" inside the
                           header section
      reset=True           ... and it ends with a reset rather than a close
      pieces=k, gap=s      the body in k pieces, s seconds apart
      headers=[(n, v)]     more header fields; length=False: no Content-Length
    last_modified=Reply.NOW is the response's own date."""

    NOW = object()

    def __init__(self, body, etag=None, last_modified=None, content_type=None, ranges=True,
                 content_range=None, cut=None, reset=False, pieces=1, gap=0, headers=(),
                 length=True):
        self.body = body
        self.size = body if isinstance(body, int) else len(body)
        self.etag = etag
        self.last_modified = last_modified
        self.content_type = content_type
        self.ranges = ranges
        self.content_range = content_range
        self.cut = cut
        self.reset = reset
        self.pieces = pieces
        self.gap = gap
        self.headers = list(headers)
        self.length = length

    def slice(self, start, end):
        return pattern(start, end) if isinstance(self.body, int) else self.body[start:end]

    def wanted_start(self, range_field, if_range):
        """Where the asked-for part begins, or None for the whole body."""
        if not self.ranges or not range_field or not range_field.startswith("bytes="):
            return None
        if (if_range is not None and if_range not in (self.etag, self.last_modified)
                and not self.content_range):
            return None
        first, _, last = range_field[6:].partition("-")
        if not first.isdigit() or last or int(first) >= self.size:
            return None
        return int(first)


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
        # Made in one piece: byte by byte, a large page took long enough to
        # meet a short idle timer.
        return pattern(0, n)

    def _send_quietly(self, data):
        # The client may hang up once it has seen enough.
        try:
            self.wfile.write(data)
        except OSError:
            self.close_connection = True

    def _reply(self, reply):
        start = reply.wanted_start(self.headers.get("Range"), self.headers.get("If-Range"))
        now = email.utils.formatdate(usegmt=True)
        headers = [("Date", now)]
        if reply.etag:
            headers.append(("ETag", reply.etag))
        if reply.last_modified:
            headers.append(("Last-Modified",
                            now if reply.last_modified is Reply.NOW else reply.last_modified))
        if reply.content_type:
            headers.append(("Content-Type", reply.content_type))
        begin, status = (0, 200) if start is None else (start, 206)
        if reply.content_range:
            headers.append(("Content-Range", reply.content_range))
            status = 206
        elif start is not None:
            headers.append(("Content-Range", f"bytes {start}-{reply.size - 1}/{reply.size}"))
        if reply.length:
            headers.append(("Content-Length", str(reply.size - begin)))
        else:
            headers.append(("Connection", "close"))
        headers += reply.headers
        self.close_connection = True
        if reply.reset:
            # No lingering: the close sends a reset.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            self.server.resets.add(self.connection)
        if reply.cut == "status":
            return
        try:
            if reply.cut == "headers":
                self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nX-Cut: ")
                self.wfile.flush()
                time.sleep(0.2)
                return
            self.send_response_only(status)
            for name, value in headers:
                self.send_header(name, value)
            self.end_headers()
            end = reply.size if reply.cut is None else min(reply.size, begin + reply.cut)
            step = max(1, -(-(end - begin) // reply.pieces))
            for offset in range(begin, end, step):
                if offset > begin and reply.gap:
                    time.sleep(reply.gap)
                for piece in range(offset, min(end, offset + step), 1 << 20):
                    self.wfile.write(reply.slice(piece, min(end, offset + step, piece + (1 << 20))))
                self.wfile.flush()
            if reply.cut is not None:
                time.sleep(0.2)  # the client takes what was sent before the end comes
        except OSError:
            pass

    def do_GET(self):
        server = self.server
        server.requests.append(self.path)
        server.log.append((self.path, self.headers.get("Range"), self.headers.get("If-Range")))
        url = urllib.parse.urlsplit(self.path)
        turns = server.scripts.get(url.path)
        if turns:
            reply = turns.pop(0) if len(turns) > 1 else turns[0]
            if isinstance(reply, Reply):
                return self._reply(reply)
            url = urllib.parse.urlsplit(reply)
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


class _Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def shutdown_request(self, request):
        # A connection to be reset is closed at once: a shutdown first would
        # end it with a close.
        if request in self.resets:
            self.resets.discard(request)
            self.close_request(request)
        else:
            super().shutdown_request(request)


class FaultServer:
    """On `port`, or on a free port the system picks when it is 0. FILES maps
    a path to the bytes served there; ROUTES maps a path to the fault path
    that answers it (both are scripts of one reply)."""

    def __init__(self, port=0, files=None, routes=None):
        self.port = port
        self.initial = {path: [Reply(body)] for path, body in (files or {}).items()}
        self.initial.update({path: [route] for path, route in (routes or {}).items()})

    def __enter__(self):
        self.httpd = _Server(("127.0.0.1", self.port), _Handler)
        self.port = self.httpd.server_address[1]
        self.base = f"http://127.0.0.1:{self.port}"
        self.httpd.requests = []
        self.httpd.log = []
        self.httpd.scripts = dict(self.initial)
        self.httpd.resets = set()
        self.httpd.release = threading.Event()
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()
        return self

    @property
    def requests(self):
        return list(self.httpd.requests)

    @property
    def log(self):
        """(path, Range, If-Range) of every request, in order."""
        return list(self.httpd.log)

    def script(self, path, *replies):
        """Requests to `path` get `replies` in turn, the last one from then on."""
        self.httpd.scripts[path] = list(replies)

    def url(self, path):
        return self.base + path

    def __exit__(self, *exc):
        self.httpd.release.set()
        self.httpd.shutdown()
        self.httpd.server_close()
        self.thread.join()
        return False
