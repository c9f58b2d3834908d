"""The spam defences of the demo through a real web server (lighttpd) and a
real mail server: held submissions answered like any other and released from
the quarantine into the catalog with their mail, a second click stored once,
the rate limit's window, and many posts at once from one address."""

import concurrent.futures
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from site_harness import Site  # noqa: E402
from test_http import records  # noqa: E402

ORDER = "/cgi-bin/insert.exe/demo?formid=order"


class SpamSiteTest(unittest.TestCase):
    def setUp(self):
        self.site = Site("lighttpd").start()

    def tearDown(self):
        self.site.stop()

    def order(self, name="Ana", **more):
        fields = {"name": name, "surname": "Novak", "email": "ana@example.org",
                  "item": "Teapot", "quantity": "2"}
        fields.update(more)
        return self.site.post(ORDER, fields)

    def label(self, page):
        return re.search(rb'<b id="label">([^<]+)</b>', page).group(1).decode()

    def use_options(self, text):
        with open(os.path.join(self.site.home, "demo.grp.options"), "w") as f:
            f.write(text)

    def stored(self):
        path = os.path.join(self.site.home, "orders.dat")
        return records(self.site.read("orders.dat")) if os.path.exists(path) else []

    def show(self, query):
        return self.site.post(f"/cgi-bin/show.exe/demo?{query}", {"password": "demo"})

    def test_held_submissions_look_stored_and_a_release_stores_and_mails(self):
        held = [self.label(self.order(website="http://spam.example")[1]),
                self.label(self.order("Bor", note="cheap pills, cheap pills")[1])]
        self.assertEqual(self.stored(), [])
        self.assertEqual(self.site.mails(1, seconds=2), [])
        status, page = self.show("quarantine=list")
        self.assertEqual(status, 200)
        for label in held:
            self.assertIn(label.encode(), page)
        status, page = self.show(f"quarantine=release&label={held[0]}")
        self.assertEqual(status, 200)
        (record,) = self.stored()
        self.assertEqual(record["&LABEL"], "ORD-1")
        self.assertEqual(record["&COMPUTER"], "127.0.0.1")
        (mail,) = self.site.mails(1)
        self.assertIn(b"ORD-1", mail)
        self.show(f"quarantine=delete&label={held[1]}")
        self.assertNotIn(held[1].encode(), self.show("quarantine=list")[1])

    def test_a_second_click_gets_the_first_label_and_is_stored_once(self):
        self.use_options("duplicateWindow=on\n")
        first = self.label(self.order(note="Hi")[1])
        self.assertEqual(self.label(self.order(note="Hi")[1]), first)
        self.assertEqual(len(self.stored()), 1)

    def test_the_rate_limit_refuses_until_its_window_passes(self):
        self.use_options("rateLimit=3/2s\n")
        for name in ("A", "B", "C"):
            self.assertEqual(self.order(name)[0], 200)
        status, page = self.order("D")
        self.assertEqual(status, 429)
        self.assertIn(b"Too many submissions", page)
        time.sleep(2.2)
        self.assertEqual(self.order("E")[0], 200)
        self.assertEqual([r["name"] for r in self.stored()], ["A", "B", "C", "E"])

    def test_many_posts_at_once_from_one_address_are_counted_exactly(self):
        self.use_options("rateLimit=5/minute\n")
        with concurrent.futures.ThreadPoolExecutor(max_workers=20) as pool:
            statuses = list(pool.map(lambda i: self.order(f"N{i}")[0], range(20)))
        self.assertEqual(sorted(statuses), [200] * 5 + [429] * 15)
        self.assertEqual(len(self.stored()), 5)


if __name__ == "__main__":
    unittest.main(verbosity=2)
