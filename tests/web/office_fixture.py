"""An office for the web tests: a fleet database in the PostgreSQL server that with_postgres.sh
started, the roles the README sets up (passwords checked by the server), two barges pushed by
`ijken push`, and `ijken office serve` on a free loopback port."""
import os
import re
import sqlite3
import subprocess
import tempfile
import time

IJKEN = os.environ["IJKEN_BINARY"]
MAKE_BARGE = os.environ["IJKEN_MAKE_BARGE"]
SOCKET = os.environ["IJKEN_PG_SOCKET"]
ADMIN = os.environ["IJKEN_PG_USER"]

HOSTILE = "<img src=x onerror=alert(1)>"
HOSTILE_CARGO = "\"'&<script>alert(2)</script>"
PASSWORDS = {"kantoor_jan": "kantoor-Geheim-1", "schip_anna": "anna-Geheim-2", "schip_bert": "bert-Geheim-3"}
ANNA_SURVEYS = 250  # besides the three of a new database: three pages and a half


def psql(db, sql):
    return subprocess.run(["psql", "-h", SOCKET, "-U", ADMIN, "-d", db, "-v", "ON_ERROR_STOP=1", "-qAt", "-c", sql],
                          check=True, capture_output=True, text=True).stdout


def conninfo(db, user=None):
    return f"host={SOCKET} dbname={db}" + (f" user={user}" if user else "")


def run(args, user=None, check=True):
    env = dict(os.environ)
    if user:
        env["PGPASSWORD"] = PASSWORDS[user]
    r = subprocess.run([IJKEN] + args, capture_output=True, env=env, timeout=120)
    if check and r.returncode != 0:
        raise AssertionError(f"ijken {' '.join(args)}: {r.returncode} {r.stderr.decode(errors='replace')}")
    return r


ROLES = """
CREATE ROLE ijken_barge NOLOGIN; CREATE ROLE ijken_office NOLOGIN;
GRANT USAGE ON SCHEMA ijken TO ijken_barge, ijken_office;
GRANT SELECT ON ijken.schema_version TO ijken_barge;
GRANT SELECT, INSERT ON ijken.survey_versions TO ijken_barge;
GRANT SELECT, INSERT, UPDATE ON ijken.installations, ijken.ships, ijken.ship_versions, ijken.gauge_rows,
  ijken.surveys TO ijken_barge;
GRANT SELECT ON ALL TABLES IN SCHEMA ijken TO ijken_office;
CREATE POLICY office_reads ON ijken.installations FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.ships FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.ship_versions FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.gauge_rows FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.surveys FOR SELECT TO ijken_office USING (true);
CREATE POLICY office_reads ON ijken.survey_versions FOR SELECT TO ijken_office USING (true);
"""


class Barge:
    def __init__(self, root, name):
        self.dir = os.path.join(root, name)
        os.makedirs(self.dir)
        self.db = os.path.join(self.dir, "ijken.db")
        subprocess.run([MAKE_BARGE, self.db], check=True)

    def sql(self, statement, params=()):
        with sqlite3.connect(self.db) as c:
            c.execute(statement, params)

    def query(self, statement):
        with sqlite3.connect(self.db) as c:
            return c.execute(statement).fetchall()

    def ship(self):
        return self.query("SELECT Schipid FROM IJkOpnames LIMIT 1")[0][0]


def fill_anna(barge):
    ship = barge.ship()
    barge.sql("UPDATE Schiptable SET Name = 'Anna Maria' WHERE SchipID = ?", (ship,))
    with sqlite3.connect(barge.db) as c:
        for i in range(ANNA_SURVEYS):
            loaded = 20 + i % 60
            c.execute("INSERT INTO IJkOpnames (Schipid, BBL_1, BBL_3, BBL_5, SBL_1, SBL_3, SBL_5, BBV_1, BBV_3, BBV_5,"
                      " SBV_1, SBV_3, SBV_5, Verlader_Naam, Ontvanger_Naam, Lading, InvoerDatum)"
                      " VALUES (?, 220, 200, 180, 220, 200, 180, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                      " datetime('now', ?, '-3 hours'))",
                      (ship, loaded, loaded, loaded, loaded, loaded, loaded,
                       HOSTILE if i == 0 else f"Verlader {i}", f"Ontvanger {i % 7}",
                       HOSTILE_CARGO if i == 1 else ("Tarwe" if i % 3 else "Mais"), f"-{i * 1.6:.3f} days"))


class Office:
    """The office database, its barges and a running server."""

    def __init__(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="ijken-web-")
        self.db = "office_" + str(os.getpid())
        psql("postgres", f"CREATE DATABASE {self.db}")
        run(["office", "init", "--to", conninfo(self.db, ADMIN)])
        psql(self.db, ROLES)
        psql(self.db, f"CREATE ROLE kantoor_jan LOGIN PASSWORD '{PASSWORDS['kantoor_jan']}' IN ROLE ijken_office;"
                      f"CREATE ROLE schip_anna LOGIN PASSWORD '{PASSWORDS['schip_anna']}' IN ROLE ijken_barge;"
                      f"CREATE ROLE schip_bert LOGIN PASSWORD '{PASSWORDS['schip_bert']}' IN ROLE ijken_barge;")
        # Every role but the administrator's is checked by its password from now on.
        with open(os.path.join(SOCKET, "data", "pg_hba.conf"), "w") as hba:
            hba.write(f"local all {ADMIN} trust\nlocal all all scram-sha-256\n")
        psql("postgres", "SELECT pg_reload_conf()")
        self.anna = Barge(self.tmp.name, "anna")
        fill_anna(self.anna)
        run(["push", "--db", self.anna.db, "--to", conninfo(self.db, "schip_anna")], "schip_anna")
        # A survey changed on board and a gauge table replaced: the office keeps what was before.
        self.anna.sql("UPDATE IJkOpnames SET Lading = 'Gerst' WHERE Verlader_Naam = 'Verlader 5'")
        self.anna.sql("UPDATE IJKtable SET Tonnage = Tonnage + 1 WHERE Inzinking > 150 AND SchipID = ?",
                      (self.anna.ship(),))
        run(["push", "--db", self.anna.db, "--to", conninfo(self.db, "schip_anna")], "schip_anna")
        self.bert = Barge(self.tmp.name, "bert")
        self.bert.sql("UPDATE IJkOpnames SET Verlader_Naam = 'Bert Alleen'")
        run(["push", "--db", self.bert.db, "--to", conninfo(self.db, "schip_bert")], "schip_bert")
        self.installations = dict(
            (row.split("|")[1], row.split("|")[0])
            for row in psql(self.db, "SELECT installation, role_name FROM ijken.installations").split())
        self.log_path = os.path.join(self.tmp.name, "serve.log")
        self.server = None
        self.start()

    def start(self):
        self.log = open(self.log_path, "ab")
        self.server = subprocess.Popen([IJKEN, "office", "serve", "--from", conninfo(self.db), "--listen",
                                        "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=self.log)
        line = self.server.stdout.readline().decode()
        m = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", line)
        if not m:
            raise AssertionError("the server did not start: " + line + open(self.log_path).read())
        self.port = int(m.group(1))
        self.url = f"http://127.0.0.1:{self.port}"

    def stop(self):
        if self.server and self.server.poll() is None:
            self.server.terminate()
            self.server.wait(timeout=30)
        self.log.close()
        return self.server.returncode

    def close(self):
        self.stop()
        self.tmp.cleanup()

    def command_csv(self, *filter_args, user="kantoor_jan"):
        out = os.path.join(self.tmp.name, "command.csv")
        run(["office", "surveys", "--from", conninfo(self.db, user), *filter_args, "--output", out], user)
        with open(out, "rb") as f:
            return f.read()

    def command_report(self, survey, lang, user="kantoor_jan"):
        out = os.path.join(self.tmp.name, "command.pdf")
        run(["office", "report", "--from", conninfo(self.db, user), "--survey", survey, "--lang", lang,
             "--output", out], user)
        with open(out, "rb") as f:
            return f.read()


def without_moddate(pdf):
    return re.sub(rb"/ModDate \(D:[^)]*\)", b"/ModDate ()", pdf)
