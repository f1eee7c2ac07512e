"""The office server's sessions over HTTP against its real PostgreSQL: only a password PostgreSQL
checked gets in, how many sessions it keeps, what a user sees when the database restarts or stops,
password spraying slowed per address, a logout while a download waits, and reports made in memory.
Run by run_web_tests.py on the shared office, before http_test.py stops the server."""
import glob
import os
import re
import shlex
import socket
import subprocess
import tempfile
import threading
import time
import unittest
import urllib.parse

import http_test
from http_test import request, session
from office_fixture import ADMIN, PASSWORDS, SOCKET, Office, conninfo, run, without_moddate

owned = False


def setUpModule():
    global owned
    if http_test.office is None:  # run alone
        http_test.office, owned = Office(), True


def tearDownModule():
    if owned:
        http_test.office.close()


def office():
    return http_test.office


def log():
    with open(office().log_path, "rb") as f:
        return f.read()


def login_from(address, user, password):
    """A login through a proxy on this machine that took it from `address`; returns the answer,
    its body and how long it took."""
    body = urllib.parse.urlencode({"user": user, "password": password})
    start = time.monotonic()
    r, data = request("POST", "/login", body, {"X-Forwarded-For": "203.0.113.1, " + address})
    return r, data, time.monotonic() - start


def rss_mb():
    with open(f"/proc/{office().server.pid}/status") as f:
        return int(re.search(r"VmRSS:\s+(\d+) kB", f.read()).group(1)) / 1024


def sanitized():
    with open(f"/proc/{office().server.pid}/maps") as f:
        return "libasan" in f.read()


def pg_ctl(*args):
    subprocess.run(shlex.split(os.environ["IJKEN_PG_CTL"]) + list(args), check=True, capture_output=True, timeout=60)


class WhoGetsIn(unittest.TestCase):
    def test_a_login_the_server_did_not_check_is_refused_and_the_log_says_why(self):
        # The administrator's role is let in on trust: any password would do.
        r, body, _ = login_from("192.0.2.50", ADMIN, "anything-at-all")
        self.assertEqual(r.status, 401)
        self.assertIsNone(r.getheader("Set-Cookie"))
        r, wrong, _ = login_from("192.0.2.50", "nobody_logged", "wrong-password-here")
        self.assertEqual(r.status, 401)
        self.assertEqual(body.replace(ADMIN.encode(), b"USER"), wrong.replace(b"nobody_logged", b"USER"))
        text = log()
        self.assertIn(f'login of "{ADMIN}" refused: the server did not ask for a password: use scram-sha-256 '
                      f'for the web logins'.encode(), text)
        self.assertIn(b'login of "nobody_logged" refused: ', text)
        self.assertIn(b"password authentication failed", text)
        for secret in [b"anything-at-all", b"wrong-password-here"]:
            self.assertNotIn(secret, text)


    def test_the_readmes_pg_hba_lines_let_a_password_in_and_nobody_without_one(self):
        with open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md"), encoding="utf-8") as f:
            readme = f.read()
        block = readme[readme.index("**PostgreSQL must check the password.**"):]
        block = block[block.index("```text\n") + 8:]
        lines = [l for l in block[:block.index("```")].splitlines() if l and not l.startswith("#")]
        self.assertTrue(any("scram-sha-256" in l for l in lines), lines)
        # As the README has them for the database "vloot"; the tests' administrator is no user of
        # this machine, so its line says trust where the README's postgres says peer.
        ours = [l.replace("vloot", office().db) if " postgres " not in l else f"local all {ADMIN} trust"
                for l in lines]
        hba = os.path.join(SOCKET, "data", "pg_hba.conf")
        with open(hba) as f:
            kept = f.read()
        try:
            with open(hba, "w") as f:
                f.write("\n".join(ours) + "\n")
            subprocess.run(["psql", "-h", SOCKET, "-U", ADMIN, "-d", "postgres", "-qAt", "-c",
                            "SELECT pg_reload_conf()"], check=True, capture_output=True)
            time.sleep(0.2)
            r, _, _ = login_from("192.0.2.51", "kantoor_jan", PASSWORDS["kantoor_jan"])
            self.assertEqual(r.status, 303)
            r, _, _ = login_from("192.0.2.51", ADMIN, "no password asked")
            self.assertEqual(r.status, 401)
        finally:
            with open(hba, "w") as f:
                f.write(kept)
            subprocess.run(["psql", "-h", SOCKET, "-U", ADMIN, "-d", "postgres", "-qAt", "-c",
                            "SELECT pg_reload_conf()"], check=True, capture_output=True)


class Caps(unittest.TestCase):
    def test_the_ninth_session_of_a_role_ends_the_oldest_and_pushes_still_connect(self):
        kept_options = os.environ.get("ASAN_OPTIONS")
        if sanitized():
            # Freed memory is held back by the address sanitizer unless told not to.
            office().stop()
            os.environ["ASAN_OPTIONS"] = (kept_options or "") + ":quarantine_size_mb=0:thread_local_quarantine_size_kb=0"
            office().start()
        try:
            self.sixteen_logins_of_one_barge()
        finally:
            if os.environ.get("ASAN_OPTIONS") != kept_options:
                office().stop()
                if kept_options is None:
                    del os.environ["ASAN_OPTIONS"]
                else:
                    os.environ["ASAN_OPTIONS"] = kept_options
                office().start()

    def sixteen_logins_of_one_barge(self):
        # Sixteen logins of one barge: its first eight (and any it had before) end, unused longest.
        cookies = [session("schip_anna") for _ in range(16)]
        # Their users are told why, once.
        r, body = request("GET", "/", cookie=cookies[0])
        self.assertEqual(r.status, 401)
        self.assertIn("meer sessies geopend dan de server".encode(), body)
        self.assertIn(b'<a href="/login">', body)
        self.assertIn("Max-Age=0", r.getheader("Set-Cookie"))
        self.assertEqual(request("GET", "/", cookie=cookies[0])[0].status, 303)
        for cookie in cookies[1:8]:
            self.assertEqual(request("GET", "/", cookie=cookie)[0].status, 401)
        for cookie in cookies[8:]:
            self.assertEqual(request("GET", "/", cookie=cookie)[0].status, 200)
        open_connections = subprocess.run(
            ["psql", "-h", SOCKET, "-U", ADMIN, "-d", "postgres", "-qAt", "-c",
             "SELECT count(*) FROM pg_stat_activity WHERE usename = 'schip_anna'"],
            check=True, capture_output=True, text=True).stdout.strip()
        self.assertEqual(open_connections, "8")
        self.assertIn(b'session of "schip_anna" ended: the most sessions kept was reached', log())
        # The barge's push still finds a connection.
        run(["push", "--db", office().anna.db, "--to", conninfo(office().db, "schip_anna")], "schip_anna")
        # The server stays below 100 MB (the address sanitizer's build too, its own memory
        # included), and another user is answered at once.
        self.assertLess(rss_mb(), 100)
        start = time.monotonic()
        self.assertEqual(request("GET", "/", cookie=session("kantoor_jan"))[0].status, 200)
        self.assertLess(time.monotonic() - start, 1.0)


class DatabaseRestart(unittest.TestCase):
    def test_a_restart_ends_open_sessions_with_a_page_and_an_outage_is_503_not_a_failure(self):
        page, download = session("kantoor_jan"), session("schip_bert")
        self.assertEqual(request("GET", "/", cookie=page)[0].status, 200)
        pg_ctl("-m", "fast", "-w", "restart")
        r, body = request("GET", "/surveys", cookie=page)
        self.assertEqual(r.status, 401)
        self.assertIn("de verbinding met de kantoordatabase is verbroken".encode(), body)
        r, body = request("GET", "/surveys.csv", cookie=download)
        self.assertEqual(r.status, 401)
        self.assertTrue(body.startswith(b"401 "), body[:80])
        self.assertIn(b'session of "kantoor_jan" ended: its connection to the office database fell', log())
        pg_ctl("-m", "fast", "-w", "stop")
        try:
            for _ in range(3):  # none counts as a failure: none is slowed
                r, body, took = login_from("192.0.2.60", "kantoor_jan", PASSWORDS["kantoor_jan"])
                self.assertEqual(r.status, 503)
                self.assertIn("De kantoordatabase is niet bereikbaar".encode(), body)
                self.assertLess(took, 0.9)
        finally:
            pg_ctl("-w", "start")
        r, _, took = login_from("192.0.2.60", "kantoor_jan", PASSWORDS["kantoor_jan"])
        self.assertEqual(r.status, 303)
        self.assertLess(took, 0.9)


class Spraying(unittest.TestCase):
    def test_many_names_from_one_address_are_slowed_and_another_address_is_not(self):
        took = [login_from("192.0.2.70", f"sprayed_{i}", "Winter2026!")[2] for i in range(6)]
        self.assertLess(max(took[:5]), 0.9, took)
        self.assertGreaterEqual(took[5], 0.95, took)
        r, _, elsewhere = login_from("192.0.2.71", "schip_bert", PASSWORDS["schip_bert"])
        self.assertEqual(r.status, 303)
        self.assertLess(elsewhere, 0.9)


class Downloads(unittest.TestCase):
    def test_a_logout_while_a_download_waits_lets_it_finish(self):
        cookie = session("kantoor_jan")
        # The administrator holds the surveys, so that the first download waits in the database
        # with the session's connection and the second waits for that connection.
        lock = subprocess.Popen(["psql", "-h", SOCKET, "-U", ADMIN, "-d", office().db, "-qAt"],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        try:
            lock.stdin.write("BEGIN;\nLOCK TABLE ijken.surveys IN ACCESS EXCLUSIVE MODE;\nSELECT 'locked';\n")
            lock.stdin.flush()
            self.assertEqual(lock.stdout.readline().strip(), "locked")
            first = socket.create_connection(("127.0.0.1", office().port), timeout=30)
            first.sendall(f"GET /surveys.csv HTTP/1.1\r\nHost: x\r\nCookie: {cookie}\r\n\r\n".encode())
            time.sleep(0.3)
            result = {}
            second = threading.Thread(target=lambda: result.update(answer=request("GET", "/surveys.csv",
                                                                                  cookie=cookie)))
            second.start()
            time.sleep(0.3)
            self.assertEqual(request("POST", "/logout", "", cookie=cookie)[0].status, 303)
            first.close()  # the tab of the first download is closed
        finally:
            lock.communicate("COMMIT;\n", timeout=30)
        second.join(60)
        r, csv = result["answer"]
        self.assertEqual(r.status, 200)
        self.assertEqual(csv, office().command_csv())
        self.assertIsNone(office().server.poll())
        self.assertEqual(request("GET", "/", cookie=cookie)[0].status, 303)

    def test_reports_are_made_side_by_side_in_memory_and_a_killed_server_leaves_nothing(self):
        def leftovers():
            return set(glob.glob("/dev/shm/ijken-*") + glob.glob(os.path.join(tempfile.gettempdir(), "ijken-serve-*")))

        before = leftovers()
        anna = office().installations["schip_anna"]
        survey = office().anna.query("SELECT max(Opnameid) FROM IJkOpnames")[0][0]
        path = f"/surveys/{anna}:{survey}/report.pdf?lang=de"
        expected = without_moddate(office().command_report(f"{anna}:{survey}", "de"))
        answers, stop = [], threading.Event()

        def fetch():
            cookie = session("kantoor_jan")  # a session each: reports of one session take turns
            while not stop.is_set():
                try:
                    r, pdf = request("GET", path, cookie=cookie)
                except (OSError, http_test.http.client.HTTPException):
                    return  # the server was killed
                answers.append((r.status, without_moddate(pdf)))

        threads = [threading.Thread(target=fetch) for _ in range(4)]
        for t in threads:
            t.start()
        time.sleep(1.5)
        office().server.kill()  # in the middle of reports
        stop.set()
        for t in threads:
            t.join(30)
        office().server.wait(30)
        office().log.close()
        office().start()
        self.assertGreater(len(answers), 8)
        for status, pdf in answers:
            self.assertEqual(status, 200)
            self.assertEqual(pdf, expected)
        self.assertEqual(leftovers(), before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
