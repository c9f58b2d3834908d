"""Double opt-in from a real browser (headless Chromium driven by Selenium)
against the demo: an order is held and its link mailed; opening the link
shows only a button and stores nothing; pressing it stores the record with
its label and mails the staff; the link then no longer holds, and an
expired link changes nothing. Screenshots go beside those of
test_browser.py, named 30-opt-in-*."""

import hashlib
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402
from test_http import records  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402

ORDER = "/cgi-bin/insert.exe/demo?formid=order"


class OptInBrowserTest(SiteBrowserTest):
    def setUp(self):
        path = os.path.join(self.site.home, "demo.grp.options")
        with open(path) as f:
            options = f.read()
        if "confirmField" not in options:
            with open(path, "a") as f:
                f.write("confirmField=email\n")

    def stored(self):
        path = os.path.join(self.site.home, "orders.dat")
        return records(self.site.read("orders.dat")) if os.path.exists(path) else []

    def page(self):
        return self.browser.page_source

    def test_get_shows_a_button_and_its_post_confirms_once(self):
        before = len(self.stored())
        status, answer = self.site.post(ORDER, {"name": "Opta", "surname": "Novak", "item": "Teapot",
                                           "quantity": "2", "email": "ana@example.org"})
        self.assertEqual(status, 200, answer)
        mails = self.site.mails(1)
        self.assertTrue(mails, (answer, self.site.server_log()))
        links = [re.search(rb"\?confirm=([0-9a-f]{32})", m) for m in mails]
        tokens = [m.group(1).decode() for m in links if m]
        self.assertEqual(len(tokens), 1, mails)
        token = tokens[0]
        mails_before = len(mails)
        link = self.site.url("/cgi-bin/insert.exe/demo?confirm=" + token)

        self.browser.get(link)
        self.shot("30-opt-in-1-button")
        self.assertIn("Confirm your submission", self.page())
        self.assertEqual(len(self.stored()), before)

        click_and_wait(self.browser, self.browser.find_element(By.CSS_SELECTOR, "button"))
        self.shot("30-opt-in-2-confirmed")
        self.assertIn("Submission confirmed", self.page())
        (record,) = [r for r in self.stored() if r.get("name") == "Opta"]
        self.assertRegex(record["&LABEL"], r"^ORD-\d+$")
        self.assertRegex(record["&CONFIRMED"], r"^\d{8} \d{4} ")
        self.assertIn(record["&LABEL"].encode(), self.page().encode())
        staff = self.site.mails(mails_before + 1)[mails_before:]
        self.assertTrue(any(record["&LABEL"].encode() in m for m in staff))

        self.browser.back()
        self.browser.refresh()  # the button page again: the link no longer holds
        self.assertIn("Link not valid", self.page())
        count = len(self.stored())
        status, page = self.site.post("/cgi-bin/insert.exe/demo?confirm=" + token, {})
        self.assertEqual(status, 404)
        self.assertEqual(len(self.stored()), count)

    def test_an_expired_link_changes_nothing(self):
        token = "e" * 32
        held = ("&TOKEN==" + hashlib.sha256(token.encode()).hexdigest() +
                "\n&FORMID==order\n&DATE==20000101\n&TIME==1200\nemail==ana@example.org\n\n")
        path = os.path.join(self.site.home, "orders.dat.pending")
        with open(path, "w") as f:
            f.write(held)
        home = os.stat(self.site.home)  # the web server's, which may not be ours
        os.chown(path, home.st_uid, home.st_gid)
        self.addCleanup(os.remove, path)
        count = len(self.stored())
        self.browser.get(self.site.url("/cgi-bin/insert.exe/demo?confirm=" + token))
        self.shot("30-opt-in-3-expired")
        self.assertIn("Link expired", self.page())
        status, _ = self.site.post("/cgi-bin/insert.exe/demo?confirm=" + token, {})
        self.assertEqual(status, 410)
        self.assertEqual(len(self.stored()), count)
        with open(path) as f:
            self.assertEqual(f.read(), held)


if __name__ == "__main__":
    unittest.main(verbosity=2)
