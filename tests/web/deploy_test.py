"""The office service's install steps, as deploy/ijken-office.service writes them, run into a
scratch root: the program and its server land where `ijken office serve` finds it, the server
starts from there, the environment file names every variable the unit uses, and systemd-analyze
verifies the unit (skipped where systemd-analyze is not installed)."""
import http.client
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.environ["IJKEN_SOURCE_DIR"]
BUILD = os.environ["IJKEN_BUILD_DIR"]
UNIT = os.path.join(SOURCE, "deploy", "ijken-office.service")


def documented_steps():
    """The commands in the unit's opening comment, without their remarks in parentheses."""
    steps = []
    with open(UNIT, encoding="utf-8") as f:
        lines = f.readlines()
    for line in lines:
        if not line.startswith("#   "):
            continue
        command = re.sub(r"\s{2,}\(.*\)\s*$", "", line[4:].rstrip())
        steps.append(command)
    return steps


def into(root, token):
    """A word of a step as it is run here: the build and deploy folders of this tree, the system's
    folders under the scratch root."""
    if token == "build":
        return BUILD
    if token.startswith("deploy/"):
        return os.path.join(SOURCE, token)
    if token.startswith("/usr/local") or token.startswith("/etc/"):
        return root + token
    return token


class Deploy(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory(prefix="ijken-deploy-")
        cls.root = cls.tmp.name
        cls.steps = documented_steps()
        for step in cls.steps:
            if step.startswith("systemctl "):
                continue
            words = [into(cls.root, w) for w in shlex.split(step)]
            subprocess.run(words, check=True, capture_output=True, cwd=SOURCE, timeout=300)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_the_steps_install_the_program_its_server_the_unit_and_its_settings(self):
        self.assertTrue(any(s.startswith("systemctl ") for s in self.steps), self.steps)
        for path in ["usr/local/bin/ijken", "usr/local/libexec/ijken/ijken-office-serve",
                     "etc/systemd/system/ijken-office.service", "etc/ijken/office.env",
                     "usr/local/share/doc/ijken/README.md"]:
            self.assertTrue(os.path.isfile(os.path.join(self.root, path)), path)
        with open(UNIT, encoding="utf-8") as f:
            unit = f.read()
        with open(os.path.join(self.root, "etc/ijken/office.env"), encoding="utf-8") as f:
            settings = f.read()
        self.assertIn("EnvironmentFile=/etc/ijken/office.env", unit)
        self.assertIn("Documentation=file:///usr/local/share/doc/ijken/README.md", unit)
        used = set(re.findall(r"\$\{(\w+)\}", unit))
        self.assertTrue(used)
        for name in used:
            self.assertRegex(settings, rf"(?m)^{name}=\S", name)
        self.assertRegex(settings, r'(?m)^IJKEN_OFFICE_DB="host=/var/run/postgresql ')

    def test_the_installed_program_starts_its_server(self):
        program = os.path.join(self.root, "usr/local/bin/ijken")
        server = subprocess.Popen([program, "office", "serve", "--from", "host=/nonexistent/ijken dbname=vloot",
                                   "--listen", "127.0.0.1:0"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        try:
            line = server.stdout.readline().decode()
            port = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", line)
            self.assertTrue(port, line)
            # It answers (and so is past its start, where a SIGTERM could come too early).
            c = http.client.HTTPConnection("127.0.0.1", int(port.group(1)), timeout=30)
            c.request("GET", "/login")
            self.assertEqual(c.getresponse().status, 200)
            c.close()
        finally:
            server.terminate()
            try:
                _, err = server.communicate(timeout=30)
            except subprocess.TimeoutExpired:
                server.kill()
                _, err = server.communicate()
                self.fail("the server did not end at SIGTERM")
        self.assertEqual(server.returncode, 0, err.decode(errors="replace"))

    @unittest.skipIf(shutil.which("systemd-analyze") is None, "systemd-analyze is not installed")
    def test_systemd_verifies_the_unit(self):
        # As installed, but with the program where the scratch root has it.
        with open(UNIT, encoding="utf-8") as f:
            unit = f.read()
        self.assertIn("ExecStart=/usr/local/bin/ijken office serve ", unit)
        unit = unit.replace("ExecStart=/usr/local/bin/ijken ", "ExecStart=" + self.root + "/usr/local/bin/ijken ")
        path = os.path.join(self.root, "ijken-office.service")
        with open(path, "w", encoding="utf-8") as f:
            f.write(unit)
        r = subprocess.run(["systemd-analyze", "verify", "--man=no", path], capture_output=True, text=True,
                           timeout=60)
        self.assertEqual(r.returncode, 0, r.stderr)
        # An unknown or misspelt setting is only a warning: none is allowed either.
        self.assertNotIn("ijken-office.service", r.stderr + r.stdout)


if __name__ == "__main__":
    sys.exit(unittest.main(verbosity=2))
