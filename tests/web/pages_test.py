"""The office's pages against an office whose data a test of links and paging can trip over: two
barges with a ship of the same name, a renamed ship, a ship number and a survey number that came
back after a delete, entry dates longer than 40 characters or holding '|', tonnages that are
infinite, not a number or near the largest double, and a 3,000-character cargo. Raw HTTP for the
rows, headless Chromium for the phone's width (390 px). Run by ctest beside a PostgreSQL of its own
(tests/fleet/with_postgres.sh)."""
import html
import http.client
import os
import re
import sqlite3
import time
import unittest
import urllib.parse

from office_fixture import PASSWORDS, Office, conninfo, psql, run

office = None
SHOTS = os.environ.get("IJKEN_WEB_SCREENSHOTS", os.path.join(os.getcwd(), "web-screenshots"))
LONG_CARGO = ("Zand en grind uit de Maas, " * 120)[:3000]
SORTS = ["date", "barge", "ship", "shipper", "consignee", "cargo", "loaded"]


def push(barge, user):
    run(["push", "--db", barge.db, "--to", conninfo(office.db, user)], user)


def shape_bert(bert):
    """Bert's ship 1 renamed to Anna's ship's name; ship 2 gets a table and survey 3, then ship 2
    and survey 3 are deleted, then a new ship 2 with a new survey 3 come back."""
    table = bert.query("SELECT Inzinking, Tonnage FROM IJKtable WHERE SchipID = 1")
    bert.sql("UPDATE Schiptable SET Name = 'Anna Maria' WHERE SchipID = 1")
    with sqlite3.connect(bert.db) as c:
        c.executemany("INSERT INTO IJKtable (SchipID, Inzinking, Tonnage) VALUES (2, ?, ?)",
                      [(i, t * 2) for i, t in table])
        c.execute("UPDATE IJkOpnames SET Schipid = 2, Lading = 'Oud' WHERE Opnameid = 3")
    push(bert, "schip_bert")
    with sqlite3.connect(bert.db) as c:
        c.execute("DELETE FROM IJkOpnames WHERE Opnameid = 3")
        c.execute("DELETE FROM IJKtable WHERE SchipID = 2")
        c.execute("DELETE FROM Schiptable WHERE SchipID = 2")
    push(bert, "schip_bert")
    with sqlite3.connect(bert.db) as c:
        c.execute("INSERT INTO Schiptable (SchipID, Name, taal, Aantal_ijken, Max_inzinking, Min_inzinking)"
                  " VALUES (2, 'Nieuw Twee', 0, 6, 250, 0)")
        c.executemany("INSERT INTO IJKtable (SchipID, Inzinking, Tonnage) VALUES (2, ?, ?)",
                      [(i, t * 3) for i, t in table])
        c.execute("INSERT INTO IJkOpnames (Opnameid, Schipid, Verlader_Naam, Lading, InvoerDatum)"
                  " VALUES (3, 2, 'Nieuwe verlader', ?, datetime('now', '-1 hours'))", (LONG_CARGO,))
    push(bert, "schip_bert")


def hostile_values(anna_installation):
    """What a barge's data may hold that no page may trip over, written straight into the office."""
    huge = "1" + "7" + "0" * 307 + ".000"  # 1.7e308 as the program writes a tonnage
    psql(office.db, f"""
        WITH o AS (SELECT opnameid, row_number() OVER (ORDER BY opnameid) AS n FROM ijken.surveys
                   WHERE installation = '{anna_installation}')
        UPDATE ijken.surveys s SET invoerdatum = CASE
            WHEN o.n <= 12 THEN '2026-01-01 10:00:00 ' || repeat('x', 25)          -- 45 characters, equal
            WHEN o.n <= 20 THEN '2026-01-01 10:00:00|' || o.n || '|' || repeat('|', 30)
            WHEN o.n = 21 THEN repeat('2026-02-02 ', 500)                           -- 5,500 characters
            WHEN o.n = 22 THEN NULL
            WHEN o.n = 23 THEN ''
            ELSE s.invoerdatum END,
          e42 = CASE WHEN o.n IN (30, 31) THEN '{huge}' WHEN o.n = 32 THEN 'INF' WHEN o.n = 33 THEN '-0.000'
            WHEN o.n = 34 THEN repeat('9', 5000) ELSE s.e42 END
        FROM o WHERE s.installation = '{anna_installation}' AND s.opnameid = o.opnameid;
        UPDATE ijken.gauge_rows SET tonnage = CASE WHEN inzinking = 100 THEN 'Infinity'::float8
            WHEN inzinking = 101 THEN 1.7e308 WHEN inzinking = 102 THEN 'NaN'::float8 WHEN inzinking = 103
            THEN '-0'::float8 ELSE tonnage END
        WHERE installation = '{anna_installation}' AND valid_until IS NULL;
        UPDATE ijken.installations SET last_push = now();""")


def setUpModule():
    global office
    office = Office()
    shape_bert(office.bert)
    hostile_values(office.installations["schip_anna"])
    os.makedirs(SHOTS, exist_ok=True)


def tearDownModule():
    office.close()


def get(path, cookie, timeout=60):
    c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=timeout)
    c.request("GET", path, headers={"Cookie": cookie})
    r = c.getresponse()
    data = r.read()
    c.close()
    return r, data.decode("utf-8", "replace")


def session(user):
    c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=60)
    c.request("POST", "/login", urllib.parse.urlencode({"user": user, "password": PASSWORDS[user]}),
              {"Content-Type": "application/x-www-form-urlencoded", "Origin": office.url})
    r = c.getresponse()
    r.read()
    assert r.status == 303, r.status
    return r.getheader("Set-Cookie").split(";")[0]


def count(page):
    return int(re.search(r'<span id="count">(\d+)</span>', page).group(1))


def survey_keys(page):
    table = page.split('<table id="surveys">', 1)[1].split("</table>", 1)[0] if 'id="surveys"' in page else ""
    return [html.unescape(k) for k in re.findall(r'<tr><td><a href="/surveys/([^"]+)"', table)]


def link(page, rel):
    m = re.search(f'<a rel="{rel}" href="([^"]+)"', page)
    return html.unescape(m.group(1)) if m else None


def walk(cookie, path):
    """Every survey of a list, following "next" from the first page, then "prev" back from the last."""
    forward, pages = [], []
    while path:
        r, page = get(path, cookie)
        assert r.status == 200, (r.status, path)
        forward += survey_keys(page)
        pages.append(page)
        path = link(page, "next")
        assert len(pages) < 50, "paging loops"
    backward = []
    path = link(pages[-1], "prev")
    backward = list(reversed(survey_keys(pages[-1])))
    while path:
        r, page = get(path, cookie)
        backward += list(reversed(survey_keys(page)))
        path = link(page, "prev")
        assert len(backward) < 50 * 100, "paging back loops"
    return forward, list(reversed(backward)), count(pages[0])


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


class Links(unittest.TestCase):
    """Every link names its rows by installation and number (and the bearer of a number)."""

    @classmethod
    def setUpClass(cls):
        cls.office_cookie = session("kantoor_jan")
        cls.bert_cookie = session("schip_bert")
        cls.anna = office.installations["schip_anna"]
        cls.bert = office.installations["schip_bert"]

    def test_the_fleets_counts_lead_to_their_own_ships_surveys(self):
        r, fleet = get("/", self.office_cookie)
        self.assertEqual(r.status, 200)
        links = dict((urllib.parse.unquote(html.unescape(k)), int(n)) for k, n in
                     re.findall(r'<a href="/surveys\?ship=([^"]+)">(\d+)</a>', fleet))
        anna_ship = f"{self.anna}:{office.anna.ship()}"
        # Both barges have an "Anna Maria"; Bert's was renamed to it after two of its surveys were sent.
        cases = [(anna_ship, 253), (f"{self.bert}:1", 2), (f"{self.bert}:2", 1)]
        for key, expected in cases:
            with self.subTest(ship=key):
                self.assertEqual(links[key], expected)
                r, page = get("/surveys?ship=" + urllib.parse.quote(key), self.office_cookie)
                self.assertEqual(count(page), expected)
                self.assertIn(f'<p class="about">', page)  # and back to the ship
                self.assertIn(f'href="/ships/{key}"', page.split('<p class="about">', 1)[1].split("</p>", 1)[0])

    def test_a_number_that_came_back_names_each_of_its_ships_and_surveys(self):
        b = self.bert
        # Survey 3 moved from ship 1 to ship 2 (a survey of its own, 3~1 stays with ship 1), was
        # deleted with ship 2 (3~2), and came back on the new ship 2 (3).
        cases = [
            # survey, the ship its page links, a text of that ship's page, a text it must not hold
            (f"{b}:3~2", f"{b}:2~1", "Dummy 2", "Nieuw Twee"),
            (f"{b}:3~1", f"{b}:1", "Anna Maria", "Dummy 2"),
            (f"{b}:3", f"{b}:2", "Nieuw Twee", "Dummy 2"),
            (f"{b}:1", f"{b}:1", "Anna Maria", "Nieuw Twee"),
        ]
        for survey, ship, name, other in cases:
            with self.subTest(survey=survey):
                r, page = get("/surveys/" + survey, self.office_cookie)
                self.assertEqual(r.status, 200)
                about = page.split('<p class="about">', 1)[1].split("</p>", 1)[0]
                self.assertIn(f'href="/ships/{ship}"', about)
                r, page = get("/ships/" + ship, self.office_cookie)
                self.assertEqual(r.status, 200)
                self.assertIn(name, page)
                self.assertNotIn(other, page)
                # A ship's own tables only: neither bearer of number 2 lists the other's table.
                self.assertEqual(page.count("<h3>"), 0)
                self.assertIn('id="table-now"', page)
                self.assertIn(f'href="/surveys?ship={urllib.parse.quote(ship, safe="")}"', page)
        r, old = get(f"/ships/{b}:2~1", self.office_cookie)
        self.assertIn('class="deleted"', old)
        self.assertIn(f'href="/ships/{b}:2"', old)
        r, page = get(f"/surveys/{b}:3~2", self.office_cookie)
        self.assertIn(f'href="/surveys/{b}:3"', page)  # the survey that bears the number now
        self.assertIn(f'href="/surveys/{b}:3~1"', page)

    def test_deleted_surveys_are_listed_with_their_time(self):
        r, page = get(f"/surveys?deleted=1&ship={self.bert}:2~1", self.office_cookie)
        self.assertEqual(survey_keys(page), [f"{self.bert}:3~2"])
        self.assertRegex(page, r"<td>\d{4}-\d\d-\d\d \d\d:\d\d:\d\d</td></tr>")
        r, page = get(f"/surveys?ship={self.bert}:2~1", self.office_cookie)
        self.assertEqual(count(page), 0)

    def test_a_barge_reaches_nothing_of_another_by_any_link(self):
        a = self.anna
        for path, expect in [(f"/ships/{a}:{office.anna.ship()}", 404), (f"/surveys/{a}:5", 404),
                             (f"/surveys?barge={a}", 0), (f"/surveys?ship={a}:{office.anna.ship()}", 0),
                             ("/surveys?ship=Anna+Maria&deleted=1", 0), ("/surveys?q=Twee", 1)]:
            with self.subTest(path=path):
                r, page = get(path, self.bert_cookie)
                if expect == 404:
                    self.assertEqual(r.status, 404)
                    self.assertIn("schip_bert", page)  # the header of the user logged in
                else:
                    self.assertEqual(r.status, 200)
                    self.assertEqual(count(page), expect)
                    self.assertNotIn(a, "".join(survey_keys(page)))
                self.assertNotIn("Verlader 1", page)

    def test_the_list_names_barges_and_finds_ship_names(self):
        r, page = get("/surveys?q=nieuw+tw", self.office_cookie)
        self.assertEqual(survey_keys(page), [f"{self.bert}:3"])
        self.assertIn("<td>schip_bert</td>", page)
        r, page = get(f"/surveys?barge={self.bert}", self.office_cookie)
        self.assertEqual(count(page), 3)
        self.assertNotIn(self.anna, page.split('<table id="surveys">', 1)[1])
        r, page = get("/nowhere", self.office_cookie)
        self.assertEqual(r.status, 404)
        self.assertIn('<span class="user">kantoor_jan</span>', page)

    def test_a_reports_file_name_says_installation_ship_and_survey(self):
        c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=60)
        c.request("GET", f"/surveys/{self.bert}:1/report.pdf?lang=de", headers={"Cookie": self.office_cookie})
        r = c.getresponse()
        r.read()
        self.assertEqual(r.status, 200)
        # The ship as the survey's report shows it: its name when the survey was sent.
        self.assertEqual(r.getheader("Content-Disposition"), 'attachment; filename="schip_bert-Dummy_1-1-de.pdf"')

    def test_the_csv_of_a_ship_is_the_commands_lines_of_that_ship(self):
        key = f"{self.bert}:2"
        c = http.client.HTTPConnection("127.0.0.1", office.port, timeout=60)
        c.request("GET", "/surveys.csv?ship=" + urllib.parse.quote(key), headers={"Cookie": self.office_cookie})
        r = c.getresponse()
        csv = r.read()
        whole = office.command_csv()
        self.assertEqual(csv.count(b"\r\n" + self.bert.encode() + b",2,"), 1)
        self.assertEqual(csv.count(b"\r\n" + self.anna.encode()), 0)
        self.assertTrue(whole.startswith(csv.split(b"\r\n", 1)[0]))
        self.assertIn(csv.split(b"\r\n", 1)[1], whole)


class Paging(unittest.TestCase):
    """Every survey once, in every order, however long or strange its entry date."""

    def test_every_row_is_reached_once_in_every_order(self):
        cookie = session("kantoor_jan")
        everyone = set(psql(office.db, "SELECT installation || ':' || opnameid FROM ijken.surveys"
                                       " WHERE deleted_at IS NULL").split())
        with_deleted = len(psql(office.db, "SELECT 1 FROM ijken.surveys").split())
        for sort in SORTS:
            for direction in ("", "asc"):
                for deleted in ("", "1"):
                    with self.subTest(sort=sort, direction=direction, deleted=deleted):
                        started = time.monotonic()
                        forward, backward, total = walk(cookie, f"/surveys?sort={sort}&dir={direction}&deleted={deleted}")
                        self.assertLess(time.monotonic() - started, 30)
                        self.assertEqual(len(forward), len(set(forward)))
                        self.assertEqual(backward, forward)
                        self.assertEqual(len(forward), total)
                        if deleted:
                            self.assertEqual(total, with_deleted)
                        else:
                            self.assertEqual(set(forward), everyone)

    def test_sorted_pages_follow_the_columns_order(self):
        cookie = session("kantoor_jan")
        for direction, ordered in (("asc", lambda v: v == sorted(v)), ("", lambda v: v == sorted(v, reverse=True))):
            forward, _, _ = walk(cookie, f"/surveys?sort=loaded&dir={direction}")
            loaded = psql(office.db, "SELECT installation || ':' || opnameid, CASE WHEN length(e42) <= 1000 AND"
                                     " btrim(e42) ~ '^-?[0-9]+(\\.[0-9]+)?$' THEN btrim(e42)::numeric END"
                                     " FROM ijken.surveys WHERE deleted_at IS NULL").split("\n")
            value = dict((l.split("|")[0], float(l.split("|")[1]) if l.split("|")[1] else float("-inf"))
                         for l in loaded if l)
            with self.subTest(direction=direction):
                self.assertTrue(ordered([value[k] for k in forward]))

    def test_a_forged_cursor_starts_at_the_first_page(self):
        cookie = session("kantoor_jan")
        r, first = get("/surveys", cookie)
        for cursor in ["%7C%7C%7C", "A" * 3000, "ZGF0ZQo", "bG9hZGVkCmE="]:
            with self.subTest(cursor=cursor[:20]):
                r, page = get("/surveys?after=" + cursor, cookie)
                self.assertEqual(r.status, 200)
                self.assertEqual(survey_keys(page), survey_keys(first))


class AnyValue(unittest.TestCase):
    """Infinite, not-a-number and near-largest tonnages: every page answers quickly, memory stays."""

    def test_pages_with_any_value_answer_in_bounded_time_and_memory(self):
        cookie = session("kantoor_jan")
        pid = office.server.pid
        before = rss_kb(pid)
        anna_ship = f"{office.installations['schip_anna']}:{office.anna.ship()}"
        for path in ["/", "/surveys", "/surveys?sort=loaded", "/surveys?sort=loaded&dir=asc", "/ships/" + anna_ship,
                     "/surveys?ship=" + anna_ship, "/surveys.csv"]:
            with self.subTest(path=path):
                started = time.monotonic()
                r, page = get(path, cookie, timeout=20)
                self.assertEqual(r.status, 200)
                self.assertLess(time.monotonic() - started, 10)
        self.assertLess(rss_kb(pid) - before, 100 * 1024)
        r, page = get("/surveys", cookie)
        total = re.search(r'<span id="sum">([^<]*)</span>', page).group(1)
        # Beyond the largest double and still exact: two tonnages of 1.7e308 and the ordinary ones.
        self.assertRegex(total, r"^34\d{307}\.\d{3}$")
        r, page = get("/ships/" + anna_ship, cookie)
        for shown in ("<td class=\"num\">INF</td>", "<td class=\"num\">NAN</td>", ">169999999999999994000"):
            self.assertIn(shown, page)


class Phone(unittest.TestCase):
    """At 390 px the pages fit: tables scroll within themselves, the loaded tonnage stays in view."""

    def test_pages_fit_a_phone_in_every_language(self):
        from browser_test import Browser
        import browser_test
        browser_test.office = office
        b = Browser()
        try:
            d = b.driver
            b.login("kantoor_jan")
            bert = office.installations["schip_bert"]
            pages = {"fleet": "/", "surveys": "/surveys", "surveys-deleted": "/surveys?deleted=1&sort=cargo",
                     "survey-long-cargo": f"/surveys/{bert}:3", "survey-renamed": f"/surveys/{bert}:1",
                     "ship-values": f"/ships/{office.installations['schip_anna']}:{office.anna.ship()}",
                     "ship-earlier": f"/ships/{bert}:2~1", "not-found": "/nowhere"}
            for lang in ("nl", "fr", "de"):
                d.execute_cdp_cmd("Network.setCookie", {"name": "lang", "value": lang, "url": office.url})
                for name, path in pages.items():
                    with self.subTest(lang=lang, page=name):
                        d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                          {"width": 390, "height": 844, "deviceScaleFactor": 1, "mobile": True})
                        b.open(path)
                        width = d.execute_script("return window.innerWidth")
                        self.assertEqual(width, 390)
                        self.assertLessEqual(d.execute_script("return document.documentElement.scrollWidth"), width)
                        for cell in d.execute_script(
                                "return [...document.querySelectorAll('th.tonnes')].map("
                                "e => [e.getBoundingClientRect().left, e.getBoundingClientRect().right])"):
                            self.assertGreaterEqual(cell[0], 0)
                            self.assertLessEqual(cell[1], width)
                        d.save_screenshot(os.path.join(SHOTS, f"phone-{name}-{lang}.png"))  # the first screen
                        height = d.execute_script("return document.documentElement.scrollHeight")
                        d.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                          {"width": 390, "height": min(height, 6000), "deviceScaleFactor": 1,
                                           "mobile": True})
                        d.save_screenshot(os.path.join(SHOTS, f"phone-whole-{name}-{lang}.png"))
                        d.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
                        d.set_window_size(1280, 1000)
                        b.open(path)
                        b.check(self, f"wide-{name}-{lang}")
        finally:
            b.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
