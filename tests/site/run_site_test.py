"""Runs one site test module and fails it when it leaves a process behind.

The module runs in a session of its own, marked by a variable in its
environment that every process it starts inherits; the sites it lays out are
written to a ledger. When the module has ended (or has run out of time),
any process still in its session, still carrying the mark, or still running
from one of its sites' directories is a leak: it is listed, ended (TERM, a
short wait, KILL) and the test fails. A leftover process would otherwise hold
the test driver's output pipe and stall the whole run.

    run_site_test.py SECONDS MODULE.py
"""

import os
import signal
import subprocess
import sys
import tempfile
import time
import uuid

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from site_harness import end_processes, is_running, processes_of  # noqa: E402


def marked_or_in_session(mark, session):
    own = os.getpid()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == own:
            continue
        pid = int(entry)
        try:
            if os.getsid(pid) == session:
                found.append(pid)
                continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if mark in f.read().split(b"\0"):
                    found.append(pid)
        except OSError:
            continue
    return found


def describe(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return "(gone)"


def leftovers(mark, session, ledger):
    """What still runs; a zombie holds nothing open and is no leak (its
    parent has gone, and the machine's first process reaps it, or not)."""
    pids = set(marked_or_in_session(mark, session))
    with open(ledger) as f:
        for site_dir in filter(None, f.read().split("\n")):
            pids.update(processes_of(site_dir))
    return sorted(pid for pid in pids if is_running(pid))


def main():
    seconds, module = float(sys.argv[1]), sys.argv[2]
    token = uuid.uuid4().hex
    with tempfile.NamedTemporaryFile(prefix="kalder-ledger-", delete=False) as f:
        ledger = f.name
    environment = dict(os.environ, KALDER_SITE_RUN=token, KALDER_SITE_LEDGER=ledger)
    mark = f"KALDER_SITE_RUN={token}".encode()
    test = subprocess.Popen([sys.executable, module], env=environment, start_new_session=True)
    try:
        status = test.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        print(f"run_site_test: {module} still running after {seconds:.0f} s, stopped",
              flush=True)
        os.killpg(test.pid, signal.SIGTERM)
        time.sleep(2)
        os.killpg(test.pid, signal.SIGKILL)
        test.wait()
        status = 1
    left = leftovers(mark, test.pid, ledger)
    if left:
        print(f"run_site_test: {len(left)} process(es) left behind by {module}:", flush=True)
        for pid in left:
            print(f"  {pid} {describe(pid)}", flush=True)
        end_processes(left)
        status = status or 1
    os.unlink(ledger)
    sys.exit(status)


if __name__ == "__main__":
    main()
