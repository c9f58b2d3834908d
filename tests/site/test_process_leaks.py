"""Nothing a site starts outlives what started it: the FastCGI workers end
when their script is killed with SIGKILL, and every server, worker and mail
sink of a site ends when the test process that laid it out is killed."""

import os
import shutil
import signal
import subprocess
import sys
import textwrap
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from site_harness import PYTHON, Site, processes_of  # noqa: E402


def gone_within(site_dir, seconds=15):
    """The processes of the site still running after `seconds` (none, if
    all ended in time)."""
    deadline = time.time() + seconds
    while True:
        left = processes_of(site_dir)
        if not left or time.time() > deadline:
            return left
        time.sleep(0.1)


def commands(pids):
    out = []
    for pid in pids:
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                out.append(f.read().replace(b"\0", b" ").decode(errors="replace"))
        except OSError:
            pass
    return out


class KilledParentsTest(unittest.TestCase):
    def test_workers_end_with_their_killed_script(self):
        site = Site("nginx").start()
        try:
            self.assertEqual(site.get("/cgi-bin/manual.exe/Pindex.htm")[0], 200)
            script = site.processes[1].pid
            workers = [pid for pid in processes_of(site.dir)
                       if "/www/cgi-bin/" in " ".join(commands([pid]))]
            self.assertGreaterEqual(len(workers), 10)  # 5 watchers, 2 workers each
            os.kill(script, signal.SIGKILL)
            deadline = time.time() + 15
            while time.time() < deadline and set(workers) & set(processes_of(site.dir)):
                time.sleep(0.1)
            left = set(workers) & set(processes_of(site.dir))
            self.assertFalse(left, commands(left))
        finally:
            site.stop()

    def test_a_killed_test_takes_its_whole_site(self):
        program = textwrap.dedent(f"""
            import sys, time
            sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r})
            from site_harness import Site
            site = Site("nginx").start()
            print(site.dir, flush=True)
            time.sleep(600)
        """)
        test = subprocess.Popen([PYTHON, "-c", program], stdout=subprocess.PIPE, text=True)
        site_dir = test.stdout.readline().strip()
        try:
            self.assertTrue(site_dir.startswith("/tmp/kalder-site-"), site_dir)
            self.assertGreaterEqual(len(processes_of(site_dir)), 10)
            test.kill()
            test.wait()
            left = gone_within(site_dir)
            self.assertFalse(left, commands(left))
        finally:
            test.kill()
            test.wait()
            test.stdout.close()
            shutil.rmtree(site_dir, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
