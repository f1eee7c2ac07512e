"""The office's web server over plain HTTP: status codes, headers, cookies, limits, logged-out
answers, who sees what, and the downloads against the commands' own output.
Run by ctest beside a PostgreSQL of its own (tests/fleet/with_postgres.sh)."""
import http.client
import os
import re
import signal
import socket
import threading
import time
import unittest
import urllib.parse

from office_fixture import HOSTILE, HOSTILE_CARGO, PASSWORDS, Office, without_moddate

office = None
owned = False


def setUpModule():
    global office, owned
    if office is None:  # run alone; run_web_tests.py hands one office to both files
        office, owned = Office(), True


def tearDownModule():
    if owned:
        office.close()


def request(method, path, body=None, headers=None, cookie=None):
    c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=60)
    h = dict(headers or {})
    if cookie:
        h["Cookie"] = cookie
    if body is not None:
        h.setdefault("Content-Type", "application/x-www-form-urlencoded")
        h.setdefault("Origin", office.url)
    c.request(method, path, body=body, headers=h)
    r = c.getresponse()
    data = r.read()
    c.close()
    return r, data


def login(user, password=None, headers=None):
    body = urllib.parse.urlencode({"user": user, "password": PASSWORDS[user] if password is None else password})
    return request("POST", "/login", body, headers)


def session(user):
    r, _ = login(user)
    assert r.status == 303, r.status
    return r.getheader("Set-Cookie").split(";")[0]


class LoggedOut(unittest.TestCase):
    def test_pages_send_to_the_login_and_downloads_are_refused(self):
        inst = office.installations["schip_anna"]
        for path, status in [("/", 303), ("/surveys", 303), (f"/surveys/{inst}:1", 303), (f"/ships/{inst}:1", 303),
                             ("/surveys.csv", 401), (f"/surveys/{inst}:1/report.pdf?lang=nl", 401),
                             ("/login", 200), ("/style.css", 200), ("/nowhere", 404), ("/../etc/passwd", 404)]:
            for cookie in (None, "ijken_session=" + "0" * 64):
                with self.subTest(path=path, cookie=cookie):
                    r, _ = request("GET", path, cookie=cookie)
                    self.assertEqual(r.status, status)
                    if status == 303:
                        self.assertEqual(r.getheader("Location"), "/login?ended" if cookie else "/login")

    def test_every_answer_carries_the_security_headers(self):
        for method, path in [("GET", "/login"), ("GET", "/"), ("GET", "/nowhere"), ("HEAD", "/login"),
                             ("GET", "/surveys.csv"), ("PUT", "/")]:
            with self.subTest(path=path, method=method):
                r, _ = request(method, path)
                csp = r.getheader("Content-Security-Policy") or ""
                self.assertIn("default-src 'self'", csp)
                self.assertIn("frame-ancestors 'none'", csp)
                self.assertNotIn("unsafe-inline", csp)
                self.assertEqual(r.getheader("X-Content-Type-Options"), "nosniff")
                self.assertEqual(r.getheader("Referrer-Policy"), "same-origin")
                self.assertEqual(r.getheader("Cache-Control"), "no-store")

    def test_only_get_head_and_post_are_answered(self):
        for method in ["PUT", "DELETE", "PATCH", "OPTIONS", "TRACE"]:
            with self.subTest(method=method):
                r, _ = request(method, "/")
                self.assertEqual(r.status, 405)
                self.assertEqual(r.getheader("Allow"), "GET, HEAD, POST")


class Login(unittest.TestCase):
    def test_the_cookie_and_its_flags(self):
        for headers, secure in [({}, False), ({"X-Forwarded-Proto": "https"}, True)]:
            r, _ = login("kantoor_jan", headers=headers)
            self.assertEqual(r.status, 303)
            self.assertEqual(r.getheader("Location"), "/")
            cookie = r.getheader("Set-Cookie")
            token = re.match(r"ijken_session=([0-9a-f]+);", cookie).group(1)
            self.assertGreaterEqual(len(token) * 4, 128)
            for flag in ["HttpOnly", "SameSite=Strict", "Path=/"]:
                self.assertIn(flag, cookie)
            self.assertEqual("; Secure" in cookie, secure)
        self.assertNotEqual(session("kantoor_jan"), session("kantoor_jan"))

    def test_a_wrong_password_and_an_unknown_user_look_the_same(self):
        answers = []
        for user, password in [("schip_bert", "wrong"), ("nobody_here", "wrong"), ("schip_bert", "")]:
            r, body = login(user, password)
            self.assertEqual(r.status, 401)
            self.assertIsNone(r.getheader("Set-Cookie"))
            answers.append(body.replace(user.encode(), b"USER"))  # the form keeps the name typed
        self.assertEqual(answers[0], answers[1])
        # The same name failed once: its next answer waits a second, the one after that two.
        start = time.monotonic()
        login("schip_bert", "wrong again")
        self.assertGreaterEqual(time.monotonic() - start, 0.9)
        start = time.monotonic()
        r, _ = login("schip_bert")  # right now waits too, then succeeds and clears the count
        self.assertGreaterEqual(time.monotonic() - start, 1.9)
        self.assertEqual(r.status, 303)
        start = time.monotonic()
        login("schip_bert")
        self.assertLess(time.monotonic() - start, 1.0)

    def test_a_post_from_elsewhere_is_refused(self):
        body = urllib.parse.urlencode({"user": "kantoor_jan", "password": PASSWORDS["kantoor_jan"]})
        for origin in [None, "http://evil.example", "null"]:
            with self.subTest(origin=origin):
                c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=30)
                h = {"Content-Type": "application/x-www-form-urlencoded"}
                if origin:
                    h["Origin"] = origin
                c.request("POST", "/login", body=body, headers=h)
                r = c.getresponse()
                self.assertEqual(r.status, 403)
                self.assertIsNone(r.getheader("Set-Cookie"))
                c.close()

    def test_logout_ends_the_session(self):
        cookie = session("schip_anna")
        self.assertEqual(request("GET", "/", cookie=cookie)[0].status, 200)
        r, _ = request("POST", "/logout", "", cookie=cookie)
        self.assertEqual(r.status, 303)
        self.assertIn("Max-Age=0", r.getheader("Set-Cookie"))
        self.assertEqual(request("GET", "/", cookie=cookie)[0].status, 303)
        self.assertEqual(request("GET", "/surveys.csv", cookie=cookie)[0].status, 401)

    def test_the_language_follows_the_browser_then_the_switch(self):
        cookie = session("kantoor_jan")
        for accept, lang in [("fr-BE,fr;q=0.9", "fr"), ("en-GB,de;q=0.5", "de"), ("en", "nl"), ("", "nl")]:
            _, body = request("GET", "/", headers={"Accept-Language": accept}, cookie=cookie)
            self.assertIn(f'<html lang="{lang}"'.encode(), body)
        r, _ = request("POST", "/lang", urllib.parse.urlencode({"lang": "de", "back": "/surveys?q=x"}), cookie=cookie)
        self.assertEqual((r.status, r.getheader("Location")), (303, "/surveys?q=x"))
        lang_cookie = r.getheader("Set-Cookie").split(";")[0]
        _, body = request("GET", "/", headers={"Accept-Language": "fr"}, cookie=cookie + "; " + lang_cookie)
        self.assertIn(b'<html lang="de"', body)
        for back in ["//evil.example/", "http://evil.example/", "/\\evil.example"]:
            r, _ = request("POST", "/lang", urllib.parse.urlencode({"lang": "fr", "back": back}), cookie=cookie)
            self.assertEqual(r.getheader("Location"), "/")


class Limits(unittest.TestCase):
    def raw(self, data, wait=5):
        s = socket.create_connection(("127.0.0.1", office.port), timeout=wait)
        s.sendall(data)
        answer = b""
        try:
            while chunk := s.recv(65536):
                answer += chunk
        except socket.timeout:
            pass
        s.close()
        return answer

    def test_oversized_requests_are_refused(self):
        cases = [
            (b"GET /" + b"a" * 9000 + b" HTTP/1.1\r\nHost: x\r\n\r\n", b"414"),
            (b"GET / HTTP/1.1\r\nHost: x\r\nX-Long: " + b"a" * 9000 + b"\r\n\r\n", b"431"),
            (b"GET / HTTP/1.1\r\nHost: x\r\n" + b"".join(b"X-%d: %s\r\n" % (i, b"a" * 1000) for i in range(20)) +
             b"\r\n", b"431"),
            (b"GET / HTTP/1.1\r\nHost: x\r\n" + b"".join(b"X-%d: 1\r\n" % i for i in range(80)) + b"\r\n", b"431"),
            (b"POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 20000\r\n\r\n" + b"a" * 20000, b"413"),
        ]
        for data, expected in cases:
            with self.subTest(request=data[:40]):
                self.assertIn(expected, self.raw(data)[:40])
        self.assertEqual(request("GET", "/login")[0].status, 200)

    def test_a_slow_client_is_let_go(self):
        s = socket.create_connection(("127.0.0.1", office.port), timeout=20)
        s.sendall(b"GET / HTTP/1.1\r\nHost: x\r\n")
        start = time.monotonic()
        answer = b""
        while chunk := s.recv(4096):
            answer += chunk
        self.assertLess(time.monotonic() - start, 15)
        self.assertTrue(answer == b"" or answer.startswith(b"HTTP/1.1 400"), answer[:40])
        s.close()


class WhoSeesWhat(unittest.TestCase):
    def test_the_office_sees_every_barge_and_a_barge_only_its_own(self):
        anna, bert = office.installations["schip_anna"], office.installations["schip_bert"]
        _, fleet = request("GET", "/", cookie=session("kantoor_jan"))
        self.assertIn(anna.encode(), fleet)
        self.assertIn(bert.encode(), fleet)
        cookie = session("schip_anna")
        _, fleet = request("GET", "/", cookie=cookie)
        self.assertIn(anna.encode(), fleet)
        self.assertNotIn(bert.encode(), fleet)
        bert_survey = office.bert.query("SELECT Opnameid FROM IJkOpnames LIMIT 1")[0][0]
        for path in [f"/surveys/{bert}:{bert_survey}", f"/ships/{bert}:{office.bert.ship()}",
                     f"/surveys/{bert}:{bert_survey}/report.pdf?lang=nl"]:
            with self.subTest(path=path):
                self.assertEqual(request("GET", path, cookie=cookie)[0].status, 404)
        _, csv = request("GET", "/surveys.csv", cookie=cookie)
        self.assertNotIn(b"Bert Alleen", csv)

    def test_hostile_text_is_shown_as_text(self):
        cookie = session("kantoor_jan")
        _, page = request("GET", "/surveys?q=" + urllib.parse.quote("<img"), cookie=cookie)
        self.assertIn(b"&lt;img src=x onerror=alert(1)&gt;", page)
        self.assertNotIn(HOSTILE.encode(), page)
        _, page = request("GET", "/surveys?q=" + urllib.parse.quote("script"), cookie=cookie)
        self.assertIn(b"&quot;&#39;&amp;&lt;script&gt;", page)
        self.assertNotIn(b"<script", page.lower())


class Downloads(unittest.TestCase):
    def test_the_csv_is_the_commands_byte_for_byte(self):
        filters = [{}, {"ship": "Anna Maria"}, {"since": "2000-01-01", "until": "2999-12-31"},
                   {"ship": "Anna Maria", "since": time.strftime("%Y-%m-01", time.gmtime())},
                   {"q": "verlader 1"}, {"q": "50%_\\"}, {"q": "anna mAR"}, {"q": "<IMG", "until": "2999-12-31"}]
        for user, chosen in [("kantoor_jan", filters), ("schip_anna", filters[:1] + filters[-1:])]:
            cookie = session(user)
            for f in chosen:
                with self.subTest(user=user, filter=f):
                    r, csv = request("GET", "/surveys.csv?" + urllib.parse.urlencode(f), cookie=cookie)
                    self.assertEqual(r.status, 200)
                    self.assertTrue(r.getheader("Content-Type").startswith("text/csv"))
                    args = sum([["--" + ("text" if k == "q" else k), v] for k, v in f.items()], [])
                    self.assertEqual(csv, office.command_csv(*args, user=user))
                    if f.get("q") == "anna mAR":  # the ship's name is searched as the page searches it
                        self.assertGreater(csv.count(b"\r\n"), 1)
        self.assertEqual(request("GET", "/surveys.csv?since=2024-02-30", cookie=cookie)[0].status, 400)

    def test_the_report_is_the_commands_but_for_its_date(self):
        cookie = session("kantoor_jan")
        anna = office.installations["schip_anna"]
        survey = office.anna.query("SELECT max(Opnameid) FROM IJkOpnames")[0][0]
        for lang in ["nl", "fr", "de"]:
            with self.subTest(lang=lang):
                r, pdf = request("GET", f"/surveys/{anna}:{survey}/report.pdf?lang={lang}", cookie=cookie)
                self.assertEqual(r.status, 200)
                self.assertEqual(r.getheader("Content-Type"), "application/pdf")
                self.assertTrue(pdf.startswith(b"%PDF"))
                self.assertEqual(without_moddate(pdf), without_moddate(office.command_report(f"{anna}:{survey}", lang)))
        self.assertEqual(request("GET", f"/surveys/{anna}:{survey}/report.pdf?lang=en", cookie=cookie)[0].status, 404)


class Paging(unittest.TestCase):
    def test_older_and_newer_walk_every_survey_once(self):
        cookie = session("kantoor_jan")
        path, pages, seen = "/surveys?ship=" + urllib.parse.quote("Anna Maria"), [], []
        while path:
            _, page = request("GET", path, cookie=cookie)
            keys = re.findall(rb'<a href="/surveys/([0-9a-f-]{36}:\d+)">', page)
            pages.append((path, keys))
            seen += keys
            older = re.search(rb'<a rel="next" href="([^"]+)"', page)
            path = older.group(1).decode().replace("&amp;", "&") if older else None
        count = int(re.search(rb'<span id="count">(\d+)</span>', page).group(1))
        self.assertEqual(count, 253)
        self.assertEqual(len(seen), count)
        self.assertEqual(len(set(seen)), count)
        self.assertEqual([len(k) for _, k in pages], [100, 100, 53])
        # Newer from the last page gives the page before it again.
        newer = re.search(rb'<a rel="prev" href="([^"]+)"', page).group(1).decode().replace("&amp;", "&")
        _, back = request("GET", newer, cookie=cookie)
        self.assertEqual(re.findall(rb'<a href="/surveys/([0-9a-f-]{36}:\d+)">', back), pages[1][1])


class ZzShutdown(unittest.TestCase):
    def test_sigterm_finishes_the_requests_under_way_and_ends_with_zero(self):
        cookie = session("kantoor_jan")
        result = {}

        def download():
            result["answer"] = request("GET", "/surveys.csv", cookie=cookie)

        t = threading.Thread(target=download)
        t.start()
        time.sleep(0.1)
        office.server.send_signal(signal.SIGTERM)
        t.join(60)
        self.assertEqual(office.server.wait(timeout=60), 0)
        r, csv = result["answer"]
        self.assertEqual(r.status, 200)
        self.assertEqual(csv, office.command_csv())
        with open(office.log_path, "rb") as f:
            log = f.read()
        self.assertIn(b"GET /surveys.csv 200", log)
        for secret in list(PASSWORDS.values()) + [cookie.split("=")[1]]:
            self.assertNotIn(secret.encode(), log)


if __name__ == "__main__":
    unittest.main(verbosity=2)
