"""The accessibility audit's table for the benchmark output: the demo site
under lighttpd, every page of tests/site/accessibility_audit.py opened in one
headless Chromium with axe-core injected, and one "figure" line a page
(violations by impact: critical/serious/moderate/minor, counted in affected
elements) for scripts/run-benchmarks, followed by the same as a Markdown
table. Figures only: test_accessibility.py is what fails on them. Needs
chromium, chromium-driver, python3-selenium and tests/site/install-axe.

    /usr/bin/python3 bench/accessibility_audit.py   (KALDER_BIN_DIR: the built programs)
"""

import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "site"))
import accessibility_audit as audit  # noqa: E402
from browser_harness import start_browser  # noqa: E402
from site_harness import Site  # noqa: E402


def main():
    site = Site("lighttpd").start()
    try:
        with tempfile.TemporaryDirectory() as profile:
            browser = start_browser(profile)
            try:
                audit.prepare(site)
                results = audit.Auditor(site, browser).run()
            finally:
                browser.quit()
    finally:
        site.stop()
    for line in audit.figures(results):
        print(line)
    print()
    print(audit.table(results), end="")


if __name__ == "__main__":
    main()
