"""The office's pages in a real browser (headless Chromium through WebDriver): what the office and
a barge see, the filters and the paging, the downloads against the commands, the chart against its
table, hostile text that runs no script, and an accessibility check of every page with axe-core.
Screenshots of every page go to IJKEN_WEB_SCREENSHOTS (default: a folder beside the test log)."""
import glob
import json
import os
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException, WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

from office_fixture import HOSTILE, HOSTILE_CARGO, PASSWORDS, Office, without_moddate

HERE = os.path.dirname(os.path.abspath(__file__))
AXE = os.path.join(HERE, "node_modules", "axe-core", "axe.min.js")
SHOTS = os.environ.get("IJKEN_WEB_SCREENSHOTS", os.path.join(os.getcwd(), "web-screenshots"))

office = None
owned = False


def setUpModule():
    global office, owned
    if office is None:  # run alone; run_web_tests.py hands one office to both files
        office, owned = Office(), True
    os.makedirs(SHOTS, exist_ok=True)


def tearDownModule():
    if owned:
        office.close()



def gone(element):
    """Whether the page the element belonged to has been replaced. While the new page loads,
    Chromium may also answer that the element's node no longer belongs to the document."""
    try:
        element.is_enabled()
        return False
    except WebDriverException:
        return True

class Browser:
    def __init__(self):
        self.downloads = tempfile.mkdtemp(prefix="ijken-downloads-")
        self.profile = tempfile.mkdtemp(prefix="ijken-chromium-")
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for arg in ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                    "--disable-background-networking", "--disable-component-update", "--disable-sync",
                    "--disable-dev-shm-usage", "--window-size=1280,1000", f"--user-data-dir={self.profile}",
                    "--lang=nl"]:
            options.add_argument(arg)
        options.add_experimental_option("prefs", {"download.default_directory": self.downloads,
                                                  "download.prompt_for_download": False,
                                                  "intl.accept_languages": "nl"})
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.set_page_load_timeout(60)
        self.driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": self.downloads})

    def open(self, path):
        self.driver.get(office.url + path)

    def follow(self, element):
        """Clicks a link or button that loads another page, and waits until it has."""
        old = self.driver.find_element(By.TAG_NAME, "html")
        element.click()
        WebDriverWait(self.driver, 30).until(lambda d: gone(old))
        WebDriverWait(self.driver, 30).until(
            lambda d: d.execute_script("return document.readyState") == "complete")

    def login(self, user, password=None):
        self.open("/login")
        self.driver.find_element(By.NAME, "user").send_keys(user)
        self.driver.find_element(By.NAME, "password").send_keys(password or PASSWORDS[user])
        self.follow(self.driver.find_element(By.CSS_SELECTOR, "form.login button"))

    def no_alert(self, case):
        try:
            alert = self.driver.switch_to.alert
            text = alert.text
            alert.dismiss()
            case.fail("a script ran: alert " + text)
        except NoAlertPresentException:
            pass
        case.assertIsNone(self.driver.execute_script("return window.__ijken_ran || null"))

    def check(self, case, name):
        """Screenshot, no script ran, and no serious or critical axe finding."""
        self.no_alert(case)
        # The whole page, not only what the window shows.
        height = self.driver.execute_script("return document.documentElement.scrollHeight")
        self.driver.set_window_size(1280, min(max(height + 200, 600), 8000))
        self.driver.save_screenshot(os.path.join(SHOTS, name + ".png"))
        self.driver.set_window_size(1280, 1000)
        with open(AXE) as f:
            self.driver.execute_script(f.read())
        result = self.driver.execute_async_script(
            "const done = arguments[arguments.length - 1];"
            "axe.run(document, {resultTypes: ['violations']}).then(r => done(r.violations))"
            ".catch(e => done([{id: 'axe failed', impact: 'critical', help: String(e), nodes: []}]));")
        bad = [f"{v['id']} ({v['impact']}): {v['help']} at {[n['target'] for n in v['nodes']][:3]}"
               for v in result if v["impact"] in ("serious", "critical")]
        case.assertEqual(bad, [], name)

    def download(self, click, pattern):
        for f in glob.glob(os.path.join(self.downloads, "*")):
            os.remove(f)
        click()
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            done = [f for f in glob.glob(os.path.join(self.downloads, pattern)) if not f.endswith(".crdownload")]
            if done:
                time.sleep(0.2)
                with open(done[0], "rb") as f:
                    return f.read()
            time.sleep(0.1)
        raise AssertionError("no download " + pattern)

    def close(self):
        self.driver.quit()


def cells(driver, selector):
    return [e.text for e in driver.find_elements(By.CSS_SELECTOR, selector)]


class AsTheOffice(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.b = Browser()

    @classmethod
    def tearDownClass(cls):
        cls.b.close()

    def test_1_logged_out_everything_leads_to_the_login(self):
        d = self.b.driver
        for path in ["/", "/surveys", "/ships/" + office.installations["schip_anna"] + ":1"]:
            self.b.open(path)
            self.assertTrue(d.current_url.endswith("/login"), d.current_url)
        self.b.check(self, "login-nl")
        self.b.login("kantoor_jan", "wrong")
        self.assertIn("onjuist", d.find_element(By.CSS_SELECTOR, "p.error").text)
        self.b.check(self, "login-failed-nl")

    def test_2_the_fleet_and_its_chart(self):
        d = self.b.driver
        self.b.login("kantoor_jan")
        self.assertTrue(d.current_url.endswith("/"), d.current_url)
        ships = cells(d, "#ships tbody td:first-child")
        self.assertIn("Anna Maria", ships)
        self.assertEqual(len(d.find_elements(By.CSS_SELECTOR, "#ships tbody tr")), 10)  # two barges, five ships each
        bars = [(r.get_attribute("data-label"), r.get_attribute("data-value"))
                for r in d.find_elements(By.CSS_SELECTOR, "svg rect.bar")]
        rows = [(r.find_element(By.TAG_NAME, "th").text, r.find_element(By.TAG_NAME, "td").text)
                for r in d.find_elements(By.CSS_SELECTOR, "#months tbody tr")]
        self.assertEqual(len(bars), 12)
        self.assertEqual(bars, rows)
        self.assertGreater(float(bars[-1][1]), 0)
        this_month = sum(float(v) for v in cells(d, "#ships tbody td:nth-child(5)"))
        self.assertAlmostEqual(this_month, float(bars[-1][1]), places=2)
        self.b.check(self, "fleet-office-nl")

    def test_3_filters_paging_and_the_csv(self):
        d = self.b.driver
        self.b.open("/surveys")
        Select(d.find_element(By.NAME, "ship")).select_by_visible_text("Anna Maria (schip_anna)")
        d.find_element(By.NAME, "q").send_keys("verlader 1")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "form.filter button"))
        count = int(d.find_element(By.ID, "count").text)
        self.assertEqual(count, 111)  # Verlader 1, 10-19, 100-199
        first = cells(d, "#surveys tbody td:first-child")
        self.assertEqual(len(first), 100)
        self.assertEqual(first, sorted(first, reverse=True))
        self.b.check(self, "surveys-filtered-nl")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "a[rel=next]"))
        self.assertEqual(len(cells(d, "#surveys tbody tr")), 11)
        self.b.follow(d.find_element(By.CSS_SELECTOR, "a[rel=prev]"))
        self.assertEqual(cells(d, "#surveys tbody td:first-child"), first)
        csv = self.b.download(lambda: d.find_element(By.CSS_SELECTOR, "a[download]").click(), "*.csv")
        self.assertEqual(csv.count(b"\r\n"), count + 1)
        self.b.open("/surveys?since=2000-01-01")
        csv = self.b.download(lambda: d.find_element(By.CSS_SELECTOR, "a[download]").click(), "*.csv")
        self.assertEqual(csv, office.command_csv("--since", "2000-01-01"))

    def test_4_hostile_text_and_one_survey_with_its_report(self):
        d = self.b.driver
        self.b.open("/surveys?q=onerror")
        self.assertIn(HOSTILE, d.find_element(By.ID, "surveys").text)
        self.b.check(self, "surveys-hostile-nl")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "#surveys tbody a"))
        self.assertIn(HOSTILE, d.find_element(By.ID, "parties").text)
        self.b.check(self, "survey-hostile-nl")
        self.b.open("/surveys?q=" + "script")
        self.assertIn(HOSTILE_CARGO, d.find_element(By.ID, "surveys").text)
        key = d.current_url and d.find_element(By.CSS_SELECTOR, "#surveys tbody a").get_attribute("href").split("/")[-1]
        self.b.follow(d.find_element(By.CSS_SELECTOR, "#surveys tbody a"))
        pdf = self.b.download(lambda: d.find_element(By.CSS_SELECTOR, "p.report a[lang=fr]").click(), "*.pdf")
        self.assertEqual(without_moddate(pdf), without_moddate(office.command_report(key, "fr")))

    def test_5_a_changed_survey_and_a_ship_with_two_tables(self):
        d = self.b.driver
        self.b.open(f"/surveys?q=Verlader+5&ship={office.installations['schip_anna']}:{office.anna.ship()}")
        self.b.follow(d.find_element(By.XPATH, "//tr[td[text()='Verlader 5']]//a"))
        versions = d.find_element(By.ID, "versions").text
        self.assertIn("Lading", versions)  # the field's caption, not its column
        self.assertIn("Gerst", versions)
        self.b.check(self, "survey-versions-nl")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "main p a"))
        self.assertEqual(len(d.find_elements(By.CSS_SELECTOR, "svg polyline.curve")), 1)
        self.assertGreater(len(d.find_elements(By.CSS_SELECTOR, "#table-now tbody tr")), 10)
        self.assertEqual(len(d.find_elements(By.TAG_NAME, "h3")), 1)  # one earlier table
        self.b.check(self, "ship-nl")

    def test_6_the_language_switch_is_remembered(self):
        d = self.b.driver
        self.b.open("/surveys")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "form.lang button[value=fr]"))
        self.assertEqual(d.find_element(By.TAG_NAME, "html").get_attribute("lang"), "fr")
        self.assertTrue(d.current_url.endswith("/surveys"))
        self.b.open("/")
        self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Flotte")
        self.b.check(self, "fleet-office-fr")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "form.lang button[value=de]"))
        self.b.open("/ships/" + office.installations["schip_anna"] + ":" + str(office.anna.ship()))
        self.b.check(self, "ship-de")
        self.b.follow(d.find_element(By.CSS_SELECTOR, "form.lang button[value=nl]"))
        self.b.follow(d.find_element(By.CSS_SELECTOR, "form.logout button"))
        self.assertTrue(d.current_url.endswith("/login"))
        self.b.open("/")
        self.assertTrue(d.current_url.endswith("/login"))


class AsABarge(unittest.TestCase):
    def test_a_barge_sees_only_its_own(self):
        b = Browser()
        try:
            d = b.driver
            b.login("schip_bert")
            ships = cells(d, "#ships tbody td:nth-child(2)")
            self.assertEqual(set(ships), {"schip_bert"})  # the installation by its role's name
            b.check(self, "fleet-barge-nl")
            b.open("/surveys")
            self.assertEqual(int(d.find_element(By.ID, "count").text), 3)
            self.assertNotIn("Anna Maria", d.find_element(By.TAG_NAME, "main").text)
            b.check(self, "surveys-barge-nl")
            b.follow(d.find_element(By.CSS_SELECTOR, "#surveys tbody a"))
            self.assertIn("Bert Alleen", d.find_element(By.ID, "parties").text)
            b.check(self, "survey-barge-nl")
            b.follow(d.find_element(By.CSS_SELECTOR, "main p a"))
            self.assertEqual(len(d.find_elements(By.CSS_SELECTOR, "svg polyline.curve")), 1)
            b.check(self, "ship-barge-nl")
            anna_survey = office.anna.query("SELECT max(Opnameid) FROM IJkOpnames")[0][0]
            b.open(f"/surveys/{office.installations['schip_anna']}:{anna_survey}")
            self.assertEqual(d.find_element(By.TAG_NAME, "h1").text, "Niet gevonden.")
            b.check(self, "not-found-barge-nl")
        finally:
            b.close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
