"""The office server's speed on a fleet of 50 barges x 2,000 surveys (run by hand, Release build):

    tests/fleet/with_postgres.sh /usr/bin/python3 bench/office/web_speed.py build-rel

Server times are the ones the server logs for each request (from the request read to the last
byte written); the load test's latencies are measured by the clients. The last load runs beside
64 clients that send their requests one byte every two seconds."""
import base64
import http.client
import os
import random
import re
import select
import socket
import statistics
import subprocess
import sys
import threading
import time
import urllib.parse

BUILD = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel")
os.environ.setdefault("IJKEN_BINARY", os.path.join(BUILD, "ijken"))
os.environ.setdefault("IJKEN_MAKE_BARGE", "/bin/true")
# The office the browser tests set up, reused as it is.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "web"))
from office_fixture import ADMIN, PASSWORDS, ROLES, SOCKET, conninfo, psql, run  # noqa: E402

DB = "bench"
BARGES, SURVEYS = 50, 2000
PG_BIN = "/usr/lib/postgresql/15/bin"


def restart_server_with_more_connections():
    as_pg = ["setpriv", "--reuid=postgres", "--regid=postgres", "--clear-groups", "--"] if os.getuid() == 0 else []
    subprocess.run(as_pg + [f"{PG_BIN}/pg_ctl", "-D", f"{SOCKET}/data", "-w", "-s", "-m", "fast", "restart", "-o",
                            f"-k {SOCKET} -c listen_addresses='' -F -c max_connections=120 -c shared_buffers=256MB"],
                   check=True, stdout=subprocess.DEVNULL)


def make_fleet():
    psql("postgres", f"CREATE DATABASE {DB}")
    run(["office", "init", "--to", conninfo(DB, ADMIN)])
    psql(DB, ROLES)
    with open(os.path.join(SOCKET, "data", "pg_hba.conf"), "w") as hba:
        hba.write(f"local all {ADMIN} trust\nlocal all all scram-sha-256\n")
    psql("postgres", "SELECT pg_reload_conf()")
    psql(DB, f"CREATE ROLE kantoor_jan LOGIN PASSWORD '{PASSWORDS['kantoor_jan']}' IN ROLE ijken_office")
    readings = ", ".join(["'220'", "'0.0'", "'200'", "'0.0'", "'180'"] * 2 + ["'20'", "'0.0'", "'20'", "'0.0'", "'20'"] * 2)
    psql(DB, f"""
        INSERT INTO ijken.installations (installation, role_name) SELECT md5('i' || i)::uuid, 'schip_' || i
          FROM generate_series(1, {BARGES}) i;
        INSERT INTO ijken.ships (installation, schipid, name, meetbrief_nr, taal, aantal_ijken, max_inzinking,
          min_inzinking, pushed_at) SELECT md5('i' || i)::uuid, 1, 'Schip ' || i, 'MB' || i, 0, 3, 251, 51, now()
          FROM generate_series(1, {BARGES}) i;
        INSERT INTO ijken.ship_versions (installation, schipid, name, meetbrief_nr, taal, aantal_ijken, max_inzinking,
          min_inzinking, valid_from) SELECT md5('i' || i)::uuid, 1, 'Schip ' || i, 'MB' || i, 0, 3, 251, 51,
          now() - interval '3 years' FROM generate_series(1, {BARGES}) i;
        INSERT INTO ijken.gauge_rows SELECT md5('i' || i)::uuid, 1, c, CASE WHEN c < 51 THEN 0
          ELSE round(((c - 50) * 1.7345)::numeric, 3) END, now() - interval '2 years', NULL
          FROM generate_series(1, {BARGES}) i, generate_series(0, 251) c;
        INSERT INTO ijken.surveys SELECT md5('i' || i)::uuid, n, 1, 1, 'Verlader ' || (n % 97), 'Plaats', '010',
          'Ontvanger ' || (n % 13), 'Veghel', '020', CASE WHEN n % 3 = 0 THEN 'Mais' ELSE 'Tarwe' END, '0',
          to_char(now() - n * interval '5 hours' - i * interval '7 minutes', 'YYYY-MM-DD HH24:MI:SS'), {readings},
          1.0, '600.0', '60.0', '200.0', '20.0', '51.0', '231.0', '0.000', '312.440', '312.440', '312.440',
          now(), NULL FROM generate_series(1, {BARGES}) i, generate_series(1, {SURVEYS}) n;""")
    psql(DB, "VACUUM ANALYZE")


def start_server():
    log = open("/tmp/ijken-bench-serve.log", "wb")
    server = subprocess.Popen([os.path.join(BUILD, "ijken"), "office", "serve", "--from", conninfo(DB), "--listen",
                               "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=log)
    port = int(re.search(r":(\d+)/", server.stdout.readline().decode()).group(1))
    return server, port


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1))


class Client:
    def __init__(self, port):
        self.c = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
        self.origin = f"http://127.0.0.1:{port}"
        body = urllib.parse.urlencode({"user": "kantoor_jan", "password": PASSWORDS["kantoor_jan"]})
        self.c.request("POST", "/login", body, {"Content-Type": "application/x-www-form-urlencoded",
                                                "Origin": f"http://127.0.0.1:{port}"})
        r = self.c.getresponse()
        r.read()
        self.cookie = r.getheader("Set-Cookie").split(";")[0]

    def get(self, path):
        for attempt in range(2):
            try:
                self.c.request("GET", path, headers={"Cookie": self.cookie})
                r = self.c.getresponse()
                break
            except (http.client.RemoteDisconnected, BrokenPipeError, ConnectionResetError):
                # The server closed a connection left idle; a browser asks again on a new one.
                self.c.close()
                if attempt:
                    raise
        body = r.read()
        return r.status, body

    def log_out(self):
        self.c.request("POST", "/logout", "", {"Cookie": self.cookie, "Origin": self.origin,
                                               "Content-Type": "application/x-www-form-urlencoded"})
        self.c.getresponse().read()


def server_times(path_prefix, count):
    with open("/tmp/ijken-bench-serve.log") as f:
        lines = [l.split() for l in f if l.startswith("GET ")]
    times = [float(l[-2]) for l in lines if l[1].startswith(path_prefix)]
    return times[-count:]


def timed(client, path, prefix, n=30):
    cold = time.monotonic()
    client.get(path)
    cold = (time.monotonic() - cold) * 1000
    print(f"  {path[:40]}: first after the server started {cold:.1f} ms (client)")
    for _ in range(n):
        status, body = client.get(path)
        assert status == 200, (path, status, body[:200])
    time.sleep(0.2)
    t = server_times(prefix, n)
    return statistics.median(t), max(t)


def trickle(port, until):
    """A slow client for the whole load: one byte of a request every 2 s, a new connection each
    time the server lets the last one go."""
    data = b"GET / HTTP/1.1\r\nHost: x\r\n" + b"X-Slow: " + b"s" * 4000
    while time.monotonic() < until:
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=10)
            for byte in data:
                if time.monotonic() >= until:
                    break
                s.send(bytes([byte]))
                readable, _, _ = select.select([s], [], [], 2)
                if readable and not s.recv(4096):
                    break
            s.close()
        except OSError:
            time.sleep(0.5)


def load(port, server_pid, clients=50, seconds=30, think=0.0, slow=0):
    deep = deep_start()
    paths = ["/", "/surveys", "/surveys?after=" + deep, "/surveys?q=verlader+5",
             "/surveys/" + md5_uuid(7) + ":42", "/ships/" + md5_uuid(3) + ":1"]
    latencies, errors, rss = [], [], [rss_kb(server_pid)]
    lock = threading.Lock()
    # Every client logs in first; the 30 seconds start when all have.
    sessions = []

    def log_in(k):
        try:
            c = Client(port)
        except Exception as e:  # noqa: BLE001
            with lock:
                errors.append(("/login", str(e)))
            return
        with lock:
            sessions.append((k, c))

    starters = [threading.Thread(target=log_in, args=(k,)) for k in range(clients)]
    for t in starters:
        t.start()
    for t in starters:
        t.join()
    # Each page once before: what a role read stays until the next push (the first after a push
    # is measured above, "cold").
    for path in paths:
        sessions[0][1].get(path)
    end = time.monotonic() + seconds
    tricklers = [threading.Thread(target=trickle, args=(port, end), daemon=True) for _ in range(slow)]
    for t in tricklers:
        t.start()

    def work(k, c):
        i = k
        if think:  # clients that do not all click at the same instant
            time.sleep(random.Random(k).uniform(0, think))
        while time.monotonic() < end:
            if think:
                time.sleep(think)
            path = paths[i % len(paths)]
            i += 1
            start = time.monotonic()
            try:
                status, _ = c.get(path)
            except Exception as e:  # noqa: BLE001
                status = str(e)
            with lock:
                latencies.append(time.monotonic() - start)
                if status != 200:
                    errors.append((path, status))

    threads = [threading.Thread(target=work, args=kc) for kc in sessions]
    for t in threads:
        t.start()
    while any(t.is_alive() for t in threads):
        time.sleep(3)
        rss.append(rss_kb(server_pid))
    for t in threads:
        t.join()
    # Each run's sessions end with it, so that the next run's logins find room in PostgreSQL.
    for _, c in sessions:
        c.log_out()
    latencies.sort()
    if errors:
        print("  errors:", sorted(set(str(e)[:120] for e in errors))[:5])
    return len(latencies), len(errors), latencies[len(latencies) // 2] * 1000, \
        latencies[int(len(latencies) * 0.99)] * 1000, rss


def md5_uuid(i):
    return psql(DB, f"SELECT md5('i' || {i})::uuid").strip()


def deep_start():
    """The cursor of the list's 50,000th survey, as the page's "next" link carries it."""
    row = psql(DB, "SELECT 'date' || chr(10) || installation || chr(10) || opnameid || chr(10) || generation"
                   " || chr(10) || '=' || invoerdatum FROM ijken.surveys"
                   " ORDER BY invoerdatum DESC, installation DESC, opnameid DESC OFFSET 49999 LIMIT 1")
    return base64.urlsafe_b64encode(row[:-1].encode()).decode().rstrip("=")


def main():
    if not os.environ.get("IJKEN_BENCH_REUSE"):  # a fleet made before, on a server kept running
        restart_server_with_more_connections()
        t = time.monotonic()
        make_fleet()
        print(f"fleet of {BARGES} x {SURVEYS} surveys made in {time.monotonic() - t:.1f} s")
    server, port = start_server()
    try:
        c = Client(port)
        print("/surveys first page: median %.1f ms, max %.1f ms" % timed(c, "/surveys", "/surveys"))
        print("/surveys 500 pages deep: median %.1f ms, max %.1f ms"
              % timed(c, "/surveys?after=" + deep_start(), "/surveys"))
        print("/ with its chart: median %.1f ms, max %.1f ms" % timed(c, "/", "/"))
        print("report PDF: median %.1f ms, max %.1f ms"
              % timed(c, f"/surveys/{md5_uuid(7)}:42/report.pdf?lang=nl", "/surveys/"))
        before = rss_kb(server.pid)
        peaks = []
        for _ in range(2):
            peak = [0]
            done = threading.Event()

            def sample():
                while not done.is_set():
                    peak[0] = max(peak[0], rss_kb(server.pid))
                    time.sleep(0.02)

            s = threading.Thread(target=sample)
            s.start()
            start = time.monotonic()
            status, body = c.get("/surveys.csv")
            elapsed = time.monotonic() - start
            done.set()
            s.join()
            peaks.append(peak[0])
            assert status == 200 and body.count(b"\r\n") == BARGES * SURVEYS + 1
            print(f"/surveys.csv of {BARGES * SURVEYS}: {elapsed:.2f} s, {len(body) / 1e6:.1f} MB;"
                  f" server RSS {before} kB before, peak {peak[0]} kB")
        for think, slow in ((1.0, 0), (0.0, 0), (1.0, 64)):
            n, errors, p50, p99, rss = load(port, server.pid, think=think, slow=slow)
            print(f"50 clients for 30 s, {think:.1f} s between a client's requests"
                  f"{f', {slow} slow clients trickling' if slow else ''}: {n} requests, {errors} errors,"
                  f" p50 {p50:.1f} ms, p99 {p99:.1f} ms (aim: 250); server RSS every 3 s (kB): {rss}")
    finally:
        server.terminate()
        print("server ended with", server.wait(timeout=60))


if __name__ == "__main__":
    main()
