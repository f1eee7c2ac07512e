"""The office's web server under abuse, over raw sockets on loopback: every part of a request bounded
while it is read, slow and idle clients and slowed logins beside a user who is answered at once,
the stop under load, downloads that outlive their login, pipelining, UTF-8 and the log.
Each test starts a server of its own on the office's database (so that one test's load and its
failed logins touch no other), watches its memory in /proc and ends it with SIGTERM."""
import http.client
import os
import re
import select
import signal
import socket
import subprocess
import threading
import time
import unittest
import urllib.parse

from office_fixture import IJKEN, PASSWORDS, Office, conninfo

office = None
owned = False
MEMORY_MOST_MB = 100


def setUpModule():
    global office, owned
    if office is None:  # run alone; run_web_tests.py hands one office to every file
        office, owned = Office(), True


def tearDownModule():
    if owned:
        office.close()


class Served:
    """One `ijken office serve` of its own on the office's database, logging to a file."""

    def __init__(self, name):
        self.log_path = os.path.join(office.tmp.name, f"serve-{name}.log")
        self.log = open(self.log_path, "wb")
        self.process = subprocess.Popen([IJKEN, "office", "serve", "--from", conninfo(office.db), "--listen",
                                         "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=self.log)
        line = self.process.stdout.readline().decode()
        m = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", line)
        if not m:
            raise AssertionError("the server did not start: " + line)
        self.port = int(m.group(1))
        self.url = f"http://127.0.0.1:{self.port}"

    def memory_mb(self):
        """VmRSS and VmHWM (the most it held) in MB."""
        with open(f"/proc/{self.process.pid}/status") as f:
            status = f.read()
        return tuple(int(re.search(rf"{k}:\s+(\d+) kB", status).group(1)) / 1024 for k in ("VmRSS", "VmHWM"))

    def alive(self):
        return self.process.poll() is None

    def stop(self):
        """SIGTERM; returns the exit status and the seconds it took."""
        start = time.monotonic()
        if self.alive():
            self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = "still running after 30 s"
        self.log.close()
        return code, time.monotonic() - start

    def log_text(self):
        with open(self.log_path, "rb") as f:
            return f.read()

    def request(self, method, path, body=None, headers=None, cookie=None, timeout=30):
        c = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        h = dict(headers or {})
        if cookie:
            h["Cookie"] = cookie
        if body is not None:
            h.setdefault("Content-Type", "application/x-www-form-urlencoded")
            h.setdefault("Origin", self.url)
        c.request(method, path, body=body, headers=h)
        r = c.getresponse()
        data = r.read()
        c.close()
        return r, data

    def login(self, user, password=None, timeout=30):
        body = urllib.parse.urlencode({"user": user, "password": PASSWORDS[user] if password is None else password})
        return self.request("POST", "/login", body, timeout=timeout)

    def session(self, user):
        r, _ = self.login(user)
        assert r.status == 303, r.status
        return r.getheader("Set-Cookie").split(";")[0]

    def raw(self, data, wait=10):
        """Sends bytes, returns all the server answers until it closes (or `wait` passes)."""
        s = socket.create_connection(("127.0.0.1", self.port), timeout=wait)
        s.sendall(data)
        answer = b""
        try:
            while chunk := s.recv(65536):
                answer += chunk
        except (socket.timeout, ConnectionResetError):
            pass
        s.close()
        return answer


class ServerTest(unittest.TestCase):
    def setUp(self):
        self.served = Served(self.id().split(".")[-1])

    def tearDown(self):
        code, seconds = self.served.stop()
        self.assertEqual(code, 0)
        self.assertLess(seconds, 8)

    def assert_memory_bounded(self):
        rss, most = self.served.memory_mb()
        self.assertLess(most, MEMORY_MOST_MB, f"VmRSS {rss:.0f} MB, VmHWM {most:.0f} MB")

    def assert_answered_at_once(self, cookie):
        start = time.monotonic()
        r, page = self.served.request("GET", "/", cookie=cookie, timeout=10)
        self.assertEqual(r.status, 200)
        self.assertLess(time.monotonic() - start, 1.0)


def send_endlessly(port, head, filler, most):
    """Sends head, then filler again and again until the server answers or closes, or `most` bytes
    went out. Returns (bytes sent, what the server answered)."""
    s = socket.create_connection(("127.0.0.1", port), timeout=10)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 65536)
    s.setblocking(False)
    sent, answer, pending = 0, b"", head
    try:
        while sent < most:
            readable, writable, _ = select.select([s], [s], [], 10)
            if readable or not writable:
                break
            if not pending:
                pending = filler
            try:
                n = s.send(pending)
                sent += n
                pending = pending[n:]
            except BlockingIOError:
                pass
    except (ConnectionResetError, BrokenPipeError):
        pass
    s.setblocking(True)
    s.settimeout(10)
    try:
        while chunk := s.recv(65536):
            answer += chunk
    except (ConnectionResetError, socket.timeout):
        pass
    s.close()
    return sent, answer


class Bounds(ServerTest):
    def test_each_part_of_a_request_is_bounded_while_it_is_read(self):
        big = 200 * 1024 * 1024
        many_headers = b"".join(b"X-%d: 1\r\n" % i for i in range(12800))
        cases = [
            # name, what comes first, what follows without end, the answer expected (None: closed)
            ("endless request line", b"GET /", b"a" * 65536, b"HTTP/1.1 414"),
            ("endless header line", b"GET / HTTP/1.1\r\nHost: x\r\nX-Long: ", b"a" * 65536, b"HTTP/1.1 431"),
            ("12,800 header lines", b"GET / HTTP/1.1\r\nHost: x\r\n" + many_headers, b"X-More: 1\r\n" * 1000,
             b"HTTP/1.1 431"),
            ("200 MB body by its length", b"POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n" % big,
             b"a" * 65536, b"HTTP/1.1 413"),
            ("200 MB chunked body", b"POST /login HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
             b"10000\r\n" + b"a" * 65536 + b"\r\n", None),
        ]
        for name, head, filler, expected in cases:
            with self.subTest(name):
                start = time.monotonic()
                sent, answer = send_endlessly(self.served.port, head, filler, big)
                # Refused while it arrived: what went out is what the sockets' buffers took.
                self.assertLess(sent, 32 * 1024 * 1024)
                self.assertLess(time.monotonic() - start, 15)
                if expected:
                    self.assertTrue(answer.startswith(expected), answer[:60])
                else:
                    self.assertNotIn(b"HTTP/1.1 2", answer)
                self.assert_memory_bounded()
        # Five at once, as many as would pass a unit's MemoryMax=1G before.
        results = [None] * 5

        def endless(i):
            results[i] = send_endlessly(self.served.port, b"GET / HTTP/1.1\r\nX-Long: ", b"b" * 65536, 64 << 20)

        threads = [threading.Thread(target=endless, args=(i,)) for i in range(5)]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertTrue(all(r and r[1].startswith(b"HTTP/1.1 431") for r in results), [r and r[1][:20] for r in results])
        self.assert_memory_bounded()
        self.assertEqual(self.served.request("GET", "/login")[0].status, 200)


class Trickler(threading.Thread):
    """A client that sends a request one byte every two seconds, until the server closes it."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.port, self.closed_after = port, None
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)

    def run(self):
        start = time.monotonic()
        data = b"GET / HTTP/1.1\r\nHost: x\r\n" + b"X-Slow: " + b"s" * 1000
        try:
            for byte in data:
                self.sock.send(bytes([byte]))
                readable, _, _ = select.select([self.sock], [], [], 2)
                if readable and not self.sock.recv(4096):
                    break
        except OSError:
            pass
        self.closed_after = time.monotonic() - start
        self.sock.close()


def idle_clients(served, count):
    """Keep-alive clients that asked once and then keep their connection open."""
    clients = []
    for _ in range(count):
        c = http.client.HTTPConnection("127.0.0.1", served.port, timeout=30)
        c.request("GET", "/login")
        c.getresponse().read()
        clients.append(c)
    return clients


class SlowClients(ServerTest):
    def test_trickling_and_idle_clients_do_not_starve_a_user(self):
        cookie = self.served.session("kantoor_jan")
        tricklers = [Trickler(self.served.port) for _ in range(64)]
        for t in tricklers:
            t.start()
        idle = idle_clients(self.served, 80)
        for _ in range(6):
            self.assert_answered_at_once(cookie)
            start = time.monotonic()
            self.assertEqual(self.served.login("schip_anna")[0].status, 303)
            self.assertLess(time.monotonic() - start, 1.0)
            time.sleep(0.5)
        self.assert_memory_bounded()
        # Every request has its time: the tricklers are let go, however patiently they send.
        for t in tricklers:
            t.join(20)
        self.assertTrue(all(t.closed_after is not None and t.closed_after < 15 for t in tricklers),
                        sorted(t.closed_after or -1 for t in tricklers)[-3:])
        for c in idle:
            c.close()

    def test_slowed_logins_do_not_hold_the_pages(self):
        cookie = self.served.session("kantoor_jan")
        for _ in range(2):
            self.assertEqual(self.served.login("schip_bert", "wrong")[0].status, 401)
        answers = []

        def wrong_login():
            try:
                answers.append(self.served.login("schip_bert", "wrong", timeout=5)[0].status)
            except OSError:
                answers.append("waiting")

        logins = [threading.Thread(target=wrong_login) for _ in range(80)]
        for t in logins:
            t.start()
        time.sleep(0.5)
        for _ in range(5):
            self.assert_answered_at_once(cookie)
        for t in logins:
            t.join(10)
        self.assertNotIn(200, answers)
        self.assertNotIn(303, answers)
        self.assert_memory_bounded()


class Stopping(ServerTest):
    def tearDown(self):
        pass  # each test stops its server itself

    def test_sigterm_ends_the_server_within_seconds_under_load(self):
        cookie = self.served.session("kantoor_jan")
        for _ in range(2):
            self.served.login("schip_bert", "wrong")
        tricklers = [Trickler(self.served.port) for _ in range(64)]
        for t in tricklers:
            t.start()
        idle = idle_clients(self.served, 80)
        waiting = [threading.Thread(target=lambda: self.served.raw(
            b"POST /login HTTP/1.1\r\nHost: x\r\nOrigin: " + self.served.url.encode() +
            b"\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 30\r\n\r\n"
            b"user=schip_bert&password=wrong", wait=20), daemon=True) for _ in range(20)]
        for t in waiting:
            t.start()
        # A download whose reader stopped reading.
        stalled = socket.create_connection(("127.0.0.1", self.served.port))
        stalled.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        stalled.sendall(b"GET /surveys.csv HTTP/1.1\r\nHost: x\r\nCookie: " + cookie.encode() + b"\r\n\r\n")
        time.sleep(1)
        code, seconds = self.served.stop()
        self.assertEqual(code, 0)
        self.assertLess(seconds, 8)
        stalled.close()
        for c in idle:
            c.close()


class Downloads(ServerTest):
    def test_a_logout_during_two_downloads_and_a_closed_tab(self):
        cookie = self.served.session("kantoor_jan")
        expected = office.command_csv()

        def start_download():
            s = socket.create_connection(("127.0.0.1", self.served.port), timeout=30)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            s.sendall(b"GET /surveys.csv HTTP/1.1\r\nHost: x\r\nConnection: close\r\nCookie: " + cookie.encode() +
                      b"\r\n\r\n")
            return s

        for close_first in (True, False):
            with self.subTest(closed_tab_first=close_first):
                first, second = start_download(), start_download()
                first.recv(1000)
                r, _ = self.served.request("POST", "/logout", "", cookie=cookie)
                self.assertEqual(r.status, 303)
                if close_first:
                    first.close()  # the tab closed half way
                answer = b""
                while chunk := second.recv(65536):
                    answer += chunk
                second.close()
                if not close_first:
                    first.close()
                head, _, body = answer.partition(b"\r\n\r\n")
                self.assertIn(b" 200 ", head.split(b"\r\n")[0])
                self.assertEqual(dechunk(body), expected)
                self.assertTrue(self.served.alive())
                self.assertEqual(self.served.request("GET", "/surveys.csv", cookie=cookie)[0].status, 401)
                cookie = self.served.session("kantoor_jan")
        self.assert_memory_bounded()


def dechunk(body):
    out, at = b"", 0
    while True:
        end = body.index(b"\r\n", at)
        size = int(body[at:end], 16)
        if size == 0:
            return out
        out += body[end + 2:end + 2 + size]
        at = end + 2 + size + 2


class Wire(ServerTest):
    def test_pipelined_requests_are_answered_in_order(self):
        requests = [b"GET /login HTTP/1.1\r\nHost: x\r\n\r\n", b"GET /nowhere HTTP/1.1\r\nHost: x\r\n\r\n",
                    b"HEAD /style.css HTTP/1.1\r\nHost: x\r\n\r\n",
                    b"POST /lang HTTP/1.1\r\nHost: x\r\nOrigin: http://x\r\nContent-Length: 7\r\n"
                    b"Content-Type: application/x-www-form-urlencoded\r\n\r\nlang=fr",
                    b"GET /style.css HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"]
        answer = self.served.raw(b"".join(requests))
        statuses = re.findall(rb"HTTP/1\.1 (\d{3}) ", answer)
        self.assertEqual(statuses, [b"200", b"404", b"200", b"303", b"200"])

    def test_text_that_is_not_utf8_is_refused(self):
        cookie = self.served.session("kantoor_jan")
        for path in ["/surveys?q=%FF", "/surveys?ship=%C0%AF", "/surveys.csv?q=abc%ED%A0%80",
                     "/surveys.csv?ship=%F4%90%80%80", "/surveys?q=a%00b", "/%FF", "/surveys?q%E9=1"]:
            with self.subTest(path=path):
                r, body = self.served.request("GET", path, cookie=cookie)
                self.assertEqual(r.status, 400)
                self.assertNotIn(b"PostgreSQL", body)
                self.assertNotIn(b"invalid byte sequence", body)
        r, _ = self.served.request("POST", "/login", "user=%FF&password=x")
        self.assertEqual(r.status, 400)
        # Good UTF-8 is no error: a search for an i with diaeresis.
        self.assertEqual(self.served.request("GET", "/surveys?q=Ma%C3%AFs", cookie=cookie)[0].status, 200)

    def test_the_log_holds_one_line_per_request_each_with_its_own_time(self):
        forged = ["/a%0Afake 200 1.0 ms", "/b%0D%0AGET /admin 200", "/c\x1b[31mred", "/d\\x0a"]
        for path in forged:
            self.served.raw(b"GET " + path.encode() + b" HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        self.served.raw(b"GET /surveys?q=%FF HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        time.sleep(1.5)  # a stale clock would show here
        self.served.raw(b"GET /login HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
        self.served.stop()
        log = self.served.log_text()
        self.assertNotIn(b"\x1b", log)
        for line in log.decode("ascii").splitlines():
            if line.startswith("ijken office serve:"):
                continue
            with self.subTest(line=line):
                m = re.fullmatch(r"\S+ \S+ (\d{3}|-) ([0-9.]+) ms( .*)?", line)
                self.assertTrue(m, line)
                self.assertLess(float(m.group(2)), 1000)
        self.assertIn(b"GET /surveys 400", log)
        self.assertIn(b"GET /c\\x1b[31mred", log)
        self.assertIn(b"GET /d\\x5cx0a", log)

    def tearDown(self):
        if self.served.alive():
            super().tearDown()


if __name__ == "__main__":
    unittest.main(verbosity=2)
