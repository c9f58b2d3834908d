"""A throw-away Kalder site for tests: lays out the demo site in a temporary
lower-case directory, starts its own web server (lighttpd, Apache, or nginx
with the programs over FastCGI) and SMTP capture server on free loopback
ports, and stops them afterwards."""

import os
import quopri
import signal
import random
import shutil
import socket
import string
import subprocess
import time
import urllib.error
import urllib.parse
import urllib.request

SOURCE_DIR = os.environ.get(
    "KALDER_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BIN_DIR = os.environ.get("KALDER_BIN_DIR", os.path.join(SOURCE_DIR, "build", "bin"))
PYTHON = "/usr/bin/python3"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for_port(port, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=1):
                return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError(f"nothing listens on port {port}")


def processes_of(site_dir):
    """The ids of the processes that belong to a site: started from its
    files (servers, workers, detached mail runs), working inside it, or
    started by one of those (a server's workers, which may clear their
    environment and name themselves anew)."""
    own = os.getpid()
    found, parents = set(), {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == own:
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                command = f.read().replace(b"\0", b" ").decode("utf-8", "replace")
            with open(f"/proc/{entry}/stat") as f:
                parents[int(entry)] = int(f.read().rsplit(")", 1)[1].split()[1])
            cwd = os.readlink(f"/proc/{entry}/cwd")
        except OSError:
            continue
        if site_dir + "/" in command or cwd == site_dir or cwd.startswith(site_dir + "/"):
            found.add(int(entry))
    grown = True
    while grown:
        more = {pid for pid, parent in parents.items() if parent in found} - found
        found |= more
        grown = bool(more)
    return sorted(found)


def end_processes(pids, grace=5):
    """TERM, a short wait, then KILL; returns once none of them runs."""
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except OSError:
            pass
    deadline = time.time() + grace
    while time.time() < deadline and any(is_running(pid) for pid in pids):
        time.sleep(0.05)
    for pid in pids:
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass


def is_running(pid):
    """True while the process exists and is no zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False


def wait_for_path(path, seconds=20):
    deadline = time.time() + seconds
    while not os.path.exists(path):
        if time.time() > deadline:
            raise RuntimeError(f"{path} did not appear")
        time.sleep(0.05)


def _signal_group(leader, signo):
    try:
        os.killpg(leader, signo)
    except OSError:
        pass


def _record_site_dir(path):
    """Tells the test runner (run_site_test.py) which directories to look
    for leftover processes in once the module has ended."""
    ledger = os.environ.get("KALDER_SITE_LEDGER")
    if ledger:
        with open(ledger, "a") as f:
            f.write(path + "\n")


class Site:
    """server is "lighttpd", "apache" or "nginx" (the programs over FastCGI,
    `workers` of each under multiwatch). With https the administration pages
    are served over HTTPS on https_port, with the certificate and key that
    tls names (a pair of paths), and plain HTTP redirects there."""

    def __init__(self, server="lighttpd", tls=None, shared_home=None, workers=2):
        """shared_home: the home of another Site to serve instead of this
        site's own (two front ends writing into one home)."""
        self.server = server
        self.shared_home = shared_home
        name = "".join(random.choice(string.ascii_lowercase + string.digits) for _ in range(10))
        self.dir = f"/tmp/kalder-site-{name}"
        self.port = free_port()
        self.smtp_port = free_port()
        self.tls = tls
        self.https_port = free_port() if tls else None
        self.workers = workers
        self.processes = []
        _record_site_dir(self.dir)

    @property
    def home(self):
        return self.shared_home or os.path.join(self.dir, "www", "forms")

    @property
    def maildir(self):
        return os.path.join(self.dir, "mail")

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def start(self):
        command = [os.path.join(SOURCE_DIR, "site", "make-site"), self.dir, BIN_DIR,
                   str(self.port), str(self.smtp_port)]
        environment = dict(os.environ)
        if self.tls:
            command.append(str(self.https_port))
            environment["KALDER_TLS_CERT"], environment["KALDER_TLS_KEY"] = self.tls
        subprocess.run(command, check=True, env=environment)
        if self.shared_home:
            own = os.path.join(self.dir, "www", "forms") + "/"
            for name in ("lighttpd.conf", "nginx.conf", "apache.conf"):
                path = os.path.join(self.dir, name)
                with open(path) as f:
                    text = f.read()
                with open(path, "w") as f:
                    f.write(text.replace(own, self.shared_home.rstrip("/") + "/"))
        self._launch([PYTHON, os.path.join(SOURCE_DIR, "tests", "tools", "smtp_sink.py"),
                      "--port", str(self.smtp_port), "--maildir", self.maildir],
                     stdout=subprocess.DEVNULL)
        if self.server == "nginx":
            self._launch([os.path.join(SOURCE_DIR, "site", "fastcgi-workers"), self.dir,
                          str(self.workers)])
            wait_for_path(os.path.join(self.dir, "run", "show.sock"))
            command = ["/usr/sbin/nginx", "-c", os.path.join(self.dir, "nginx.conf")]
        elif self.server == "apache":
            command = ["/usr/sbin/apache2", "-f", os.path.join(self.dir, "apache.conf"),
                       "-DFOREGROUND"]
        else:
            command = [shutil.which("lighttpd") or "/usr/sbin/lighttpd", "-D", "-f",
                       os.path.join(self.dir, "lighttpd.conf")]
        self._launch(command)
        wait_for_port(self.smtp_port)
        wait_for_port(self.port)
        if self.https_port:
            wait_for_port(self.https_port)
        return self

    def _launch(self, command, **options):
        """Starts a server in a session of its own (so that its stop reaches
        every process it started), told to end when this process dies."""
        process = subprocess.Popen(["setpriv", "--pdeathsig", "TERM", "--"] + command,
                                   start_new_session=True, **options)
        self.processes.append(process)
        return process

    def stop(self, keep=False):
        """Ends every process of the site: each server's whole session,
        then whatever else runs from the site's files (detached mail runs)."""
        for p in self.processes:
            _signal_group(p.pid, signal.SIGTERM)
        deadline = time.time() + 5
        for p in self.processes:
            try:
                p.wait(timeout=max(0.1, deadline - time.time()))
            except subprocess.TimeoutExpired:
                pass
        for p in self.processes:
            _signal_group(p.pid, signal.SIGKILL)
            p.wait()
        end_processes(processes_of(self.dir))
        if not keep:
            shutil.rmtree(self.dir, ignore_errors=True)

    def get(self, path):
        """(status, body bytes) of a GET."""
        try:
            with urllib.request.urlopen(self.url(path), timeout=30) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def post(self, path, fields):
        data = urllib.parse.urlencode(fields).encode()
        try:
            with urllib.request.urlopen(self.url(path), data=data, timeout=60) as r:
                return r.status, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.read()

    def mails(self, count=1, seconds=10):
        """The captured mails once at least `count` have arrived, each with
        its quoted-printable body decoded."""
        deadline = time.time() + seconds
        while True:
            names = sorted(os.listdir(self.maildir)) if os.path.isdir(self.maildir) else []
            if len(names) >= count or time.time() > deadline:
                mails = []
                for n in names:
                    with open(os.path.join(self.maildir, n), "rb") as f:
                        head, _, body = f.read().partition(b"\r\n\r\n")
                        mails.append(head + b"\r\n\r\n" + quopri.decodestring(body))
                return mails
            time.sleep(0.05)

    def server_log(self):
        """The web server's error log, for the message of a failed test."""
        for name in ("nginx-error.log", "error.log", "apache-error.log"):
            path = os.path.join(self.dir, "log", name)
            if os.path.exists(path):
                with open(path, errors="replace") as f:
                    return f.read()[-4000:]
        return ""

    def read(self, name):
        with open(os.path.join(self.home, name), "rb") as f:
            return f.read()
