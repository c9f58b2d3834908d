"""Requests per second of insert (append, no index, no mail; every record
still flushed to disk) through nginx with the programs resident over FastCGI,
against a trivial C CGI that only prints a header through lighttpd, and
against a trivial libfcgi program that appends each body to a file and
flushes it (bench/trivial_fastcgi.c) under the same nginx with as many
processes; then the memory of the resident workers over a long run of mixed
requests. Prints
"figure" lines for scripts/run-benchmarks. Needs wrk, nginx, spawn-fcgi,
multiwatch and lighttpd (the benchmark script installs them).

    python3 bench/server_throughput.py   (KALDER_BIN_DIR: the built programs)
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request
from statistics import median

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "site"))
from site_harness import BIN_DIR, Site, wait_for_path  # noqa: E402

SECONDS = int(os.environ.get("KALDER_THROUGHPUT_SECONDS", "15"))
ROUNDS = 3
# Workers waiting on the disk's flush use no processor: enough of them let
# the flushes of many submissions go to the disk together.
WORKERS = int(os.environ.get("KALDER_THROUGHPUT_WORKERS", "8"))
# The trivial libfcgi program and insert are compared with this many each.
FLOOR_WORKERS = 4
MIXED_REQUESTS = int(os.environ.get("KALDER_RESIDENT_REQUESTS", "100000"))
TRIVIAL_CGI = '#include <stdio.h>\nint main(void) { fputs("Content-type: text/plain\\n\\n", stdout); return 0; }\n'


def add_bench_group(site):
    """A group "bench" that appends to one catalog, keeps no index, mails no one."""
    home = site.home + "/"
    with open(home + "bench.grp", "w") as f:
        f.write("index=none\nform=entry\ncatalog=entries entry\nlabel=B-\ncount=0\n")
    with open(home + "entry.msg", "w") as f:
        f.write("Stored <var &label>.\n")
    with open(home + "kalder.ini") as f:
        settings = f.read()
    settings = settings.replace("[GROUPS]\n", f"[GROUPS]\nbench={home}bench.grp\n")
    with open(home + "kalder.ini", "w") as f:
        f.write(settings)
    if os.geteuid() == 0:
        subprocess.run(["chown", "www-data:www-data", home + "bench.grp", home + "entry.msg"],
                       check=True)


def wrk(url, script=None, seconds=SECONDS, connections=32):
    """(requests per second, non-2xx/3xx answers) of a wrk run."""
    command = ["wrk", "-t2", f"-c{connections}", f"-d{seconds}s", url]
    if script:
        command[1:1] = ["-s", script]
    out = subprocess.run(command, capture_output=True, text=True, check=True).stdout
    rate = float(re.search(r"Requests/sec:\s+([\d.]+)", out).group(1))
    bad = re.search(r"Non-2xx or 3xx responses: (\d+)", out)
    return rate, int(bad.group(1)) if bad else 0


def lua(path, requests):
    """A wrk script that sends `requests` (method, path, body) in turn."""
    entries = ",\n".join('  {"%s", "%s", "%s"}' % r for r in requests)
    with open(path, "w") as f:
        f.write(f"""local requests = {{
{entries}
}}
local next = 0
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
request = function()
  next = next % #requests + 1
  local r = requests[next]
  return wrk.format(r[1], r[2], nil, r[3])
end
""")
    return path


def start_fastcgi_floor(site, workers):
    """Serves bench/trivial_fastcgi.c's program as /cgi-bin/trivial.exe of the
    running nginx site, `workers` processes under multiwatch as the programs'."""
    program = os.path.join(site.dir, "www", "cgi-bin", "trivial.exe")
    shutil.copy(os.path.join(BIN_DIR, "trivial_fastcgi"), program)
    socket = os.path.join(site.dir, "run", "trivial.sock")
    as_user = ["-u", "www-data", "-g", "www-data", "-U", "www-data", "-G", "www-data"] \
        if os.geteuid() == 0 else []
    # spawn-fcgi and multiwatch run what they are given by its full path.
    setpriv, multiwatch = shutil.which("setpriv"), shutil.which("multiwatch")
    site._launch(["spawn-fcgi", "-n", "-s", socket, "-M", "0660"] + as_user + [
        "--", setpriv, "--pdeathsig", "TERM", "--", multiwatch, "-s", "TERM", "-f",
        str(workers), "--", setpriv, "--pdeathsig", "TERM", "--", program])
    wait_for_path(socket)
    conf = os.path.join(site.dir, "nginx.conf")
    with open(conf) as f:
        text = f.read()
    with open(conf, "w") as f:
        f.write(text.replace("insert|lunoder|zorvik|show|manual)", "insert|lunoder|zorvik|show|manual|trivial)"))
    with open(os.path.join(site.dir, "run", "nginx.pid")) as f:
        os.kill(int(f.read()), signal.SIGHUP)
    for _ in range(100):
        try:
            if urllib.request.urlopen(site.url("/cgi-bin/trivial.exe/bench"), b"x=1").status == 200:
                return
        except OSError:
            pass
        time.sleep(0.1)
    raise RuntimeError("the trivial FastCGI program does not answer")


def fastcgi_floor_figures(scratch, post):
    """insert against the trivial libfcgi program, same nginx, FLOOR_WORKERS each."""
    site = Site("nginx", workers=FLOOR_WORKERS).start()
    try:
        add_bench_group(site)
        start_fastcgi_floor(site, FLOOR_WORKERS)
        floor_post = lua(os.path.join(scratch, "floor.lua"), [
            ("POST", "/cgi-bin/trivial.exe/bench?formid=entry", "name=Ana&note=a+few+words")])
        insert_runs, floor_runs = [], []
        for _ in range(ROUNDS):
            insert_runs.append(wrk(site.url("/"), post, seconds=SECONDS // ROUNDS + 1))
            floor_runs.append(wrk(site.url("/"), floor_post, seconds=SECONDS // ROUNDS + 1))
    finally:
        site.stop()
    insert_rate = median(rate for rate, _ in insert_runs)
    floor_rate = median(rate for rate, _ in floor_runs)
    figure(f"insert, nginx + FastCGI ({FLOOR_WORKERS} workers)", "requests/s",
           "%.0f (median of %d; %d failed)" % (insert_rate, ROUNDS,
                                                sum(bad for _, bad in insert_runs)))
    figure(f"trivial libfcgi append + fdatasync, same nginx ({FLOOR_WORKERS} workers)",
           "requests/s", "%.0f (median of %d; %d failed)" % (floor_rate, ROUNDS,
                                                              sum(bad for _, bad in floor_runs)))
    figure("insert FastCGI / trivial libfcgi", "ratio", "%.2f" % (insert_rate / floor_rate))


def resident_bytes(program):
    total = 0
    for name in os.listdir("/proc"):
        try:
            with open(f"/proc/{name}/cmdline", "rb") as f:
                if f.read().split(b"\0")[0] != program.encode():
                    continue
            with open(f"/proc/{name}/status") as f:
                total += int(re.search(r"VmRSS:\s+(\d+)", f.read()).group(1)) * 1024
        except (OSError, ValueError, AttributeError):
            pass
    return total


def figure(what, measure, value):
    print(f"figure\t{what}\t{measure}\t{value}", flush=True)


def main():
    scratch = tempfile.mkdtemp(prefix="kalder-bench-")
    post = lua(os.path.join(scratch, "post.lua"),
               [("POST", "/cgi-bin/insert.exe/bench?formid=entry", "name=Ana&note=a+few+words")])

    # Both servers run at once, idle but for the one measured, and the two
    # figures of the goal are taken in turns (the median of ROUNDS each), so
    # a machine that slows down or speeds up meanwhile weighs on both alike.
    nginx = Site("nginx", workers=WORKERS).start()
    lighttpd = Site("lighttpd").start()
    try:
        add_bench_group(nginx)
        trivial = os.path.join(lighttpd.dir, "www", "cgi-bin", "trivial.exe")
        subprocess.run(["cc", "-O2", "-x", "c", "-o", trivial, "-"], input=TRIVIAL_CGI,
                       text=True, check=True)
        insert_runs, trivial_runs = [], []
        for _ in range(ROUNDS):
            insert_runs.append(wrk(nginx.url("/"), post, seconds=SECONDS // ROUNDS + 1))
            trivial_runs.append(wrk(lighttpd.url("/cgi-bin/trivial.exe"),
                                    seconds=SECONDS // ROUNDS + 1))
        insert_rate = median(rate for rate, _ in insert_runs)
        insert_bad = sum(bad for _, bad in insert_runs)
        trivial_rate = median(rate for rate, _ in trivial_runs)
        trivial_bad = sum(bad for _, bad in trivial_runs)
        stored = nginx.read("entries.dat").count(b"&LABEL==")
        # The same program with nothing to store: what the disk's flushes cost.
        refused_rate, _ = wrk(nginx.url("/"), lua(os.path.join(scratch, "refused.lua"), [
            ("POST", "/cgi-bin/insert.exe/nope?formid=entry", "name=Ana")]))
        add_bench_group(lighttpd)
        cgi_rate, cgi_bad = wrk(lighttpd.url("/"), post)
    finally:
        nginx.stop()
        lighttpd.stop()

    figure(f"insert, nginx + FastCGI ({WORKERS} workers)", "requests/s",
           "%.0f (median of %d; %d stored, %d failed)" % (insert_rate, ROUNDS, stored, insert_bad))
    figure("insert refused (unknown group), nginx + FastCGI", "requests/s",
           "%.0f" % refused_rate)
    figure("insert, lighttpd + CGI", "requests/s", "%.0f (%d failed)" % (cgi_rate, cgi_bad))
    figure("trivial C CGI (header only), lighttpd", "requests/s",
           "%.0f (median of %d; %d failed)" % (trivial_rate, ROUNDS, trivial_bad))
    figure("insert FastCGI / trivial CGI", "ratio", "%.2f" % (insert_rate / trivial_rate))

    fastcgi_floor_figures(scratch, post)

    # Memory: the mixed requests of a busy site, sent to the resident workers.
    nginx = Site("nginx").start()
    try:
        add_bench_group(nginx)
        mixed = lua(os.path.join(scratch, "mixed.lua"), [
            ("POST", "/cgi-bin/insert.exe/bench?formid=entry", "name=Ana&note=a+few+words"),
            ("POST", "/cgi-bin/insert.exe/nope?formid=entry", "name=Lost"),
            ("POST", "/cgi-bin/insert.exe/bench?formid=entry&language=slo,utf8,UTF-8",
             "name=%C4%8Cop"),
            ("POST", "/cgi-bin/zorvik.exe/demo", "password=demo"),
            ("POST", "/cgi-bin/show.exe/demo?catalog=orders", "password=demo"),
            ("POST", "/cgi-bin/show.exe/demo?catalog=orders", "password=wrong"),
            ("GET", "/cgi-bin/insert.exe/bench", ""),
            ("POST", "/cgi-bin/lunoder.exe/nope", "password=demo"),
            ("GET", "/cgi-bin/manual.exe/Pzorvik.htm?language=slo", ""),
        ])
        programs = [os.path.join(nginx.dir, "www", "cgi-bin", p + ".exe")
                    for p in ("insert", "zorvik", "show", "lunoder", "manual")]
        # A tenth of the requests to warm up, then the whole run.
        rate, _ = wrk(nginx.url("/"), mixed, seconds=5)
        before = sum(resident_bytes(p) for p in programs)
        seconds = max(10, int(MIXED_REQUESTS / max(rate, 1)))
        rate, _ = wrk(nginx.url("/"), mixed, seconds=seconds)
        after = sum(resident_bytes(p) for p in programs)
        figure("resident workers (%d), ~%d mixed requests" % (2 * len(programs), int(rate * seconds)),
               "memory growth", "%d KiB" % ((after - before) // 1024))
    finally:
        nginx.stop()


if __name__ == "__main__":
    main()
