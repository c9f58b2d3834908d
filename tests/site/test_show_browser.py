"""The record viewer in a real browser (headless Chromium driven by Selenium):
a visitor signs the demo visitors' book, whose response sends the default
mail with the viewer's link; the link is opened, the login passed, the
record, the catalog's list and the CSV download are checked. Screenshots go
beside those of test_browser.py, named 10-show-*."""

import csv
import io
import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402

BOM = b"\xef\xbb\xbf"



def wait_for_download(directory, seconds=30):
    """The bytes of the one finished download in `directory`."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        names = os.listdir(directory)
        # Chromium writes a hidden temporary file, then a .crdownload one.
        partial = [n for n in names if n.startswith(".") or n.endswith(".crdownload")]
        done = [n for n in names if n not in partial]
        if done and not partial:
            with open(os.path.join(directory, done[0]), "rb") as f:
                return done[0], f.read()
        time.sleep(0.1)
    raise AssertionError(f"no download in {directory}: {os.listdir(directory)}")


class ShowBrowserTest(SiteBrowserTest):
    DOWNLOADS = True

    def click_and_wait(self, element):
        click_and_wait(self.browser, element)

    def press(self, caption, loads_page=True):
        button = self.browser.find_element(
            By.CSS_SELECTOR, f'input[type=submit][value="{caption}"]')
        if loads_page:
            self.click_and_wait(button)
        else:
            button.click()

    def page(self):
        return self.browser.page_source

    def sign_visitors_book(self):
        self.browser.get(self.site.url("/forms/visit.htm"))
        self.browser.find_element(By.ID, "surname").send_keys('"Spela <b>\u017dagar</b>')
        self.browser.find_element(By.ID, "comment").send_keys('=1+1, first visit\n"nice"')
        self.click_and_wait(self.browser.find_element(By.ID, "send"))
        return self.browser.find_element(By.ID, "label").text

    def test_mail_link_login_record_list_and_csv(self):
        label = self.sign_visitors_book()
        self.assertRegex(label, r"^ORD-\d+$")
        mails = [m for m in self.site.mails(1) if b"show.exe/" in m]
        self.assertEqual(len(mails), 1, mails)
        link = re.search(rb"http://\S+/show\.exe/\S+", mails[0]).group(0).decode()
        self.assertRegex(link, r"/cgi-bin/show\.exe/demo\?label=ORD-\d+&catalog=visits\d{6}$")
        member = link.rsplit("=", 1)[1]

        # The link asks for the password and comes back to the same record.
        self.browser.get(link)
        self.shot("10-show-1-login")
        self.assertIn("Records of the group of catalogs", self.page())
        self.assertNotIn("first visit", self.page())
        self.browser.find_element(By.NAME, "password").send_keys("demo")
        self.click_and_wait(self.browser.find_element(By.CSS_SELECTOR, "input[type=submit]"))
        self.shot("10-show-2-record")
        self.assertEqual(self.browser.find_element(By.TAG_NAME, "h1").text, f"Record {label}")
        cells = [td.text for td in self.browser.find_elements(By.TAG_NAME, "td")]
        # Markup escaped; one letter typed as a quote-letter pair, one in UTF-8.
        self.assertIn("\u0160pela <b>\u017dagar</b>", cells)
        self.assertIn('=1+1, first visit\n"nice"', cells)  # the line break kept
        self.assertEqual(self.browser.find_elements(By.TAG_NAME, "b"), [])

        # The catalog's list, reached through a button that posts the password on.
        self.press("All records of the catalog")
        self.shot("10-show-3-list")
        self.assertIn(f"Catalog {member}", self.browser.find_element(By.TAG_NAME, "h1").text)
        self.assertIn("Records 1 to 1 of 1", self.page())

        # The CSV download: UTF-8 with a byte-order mark, CR LF rows, the
        # formula-like comment defused, the letters as UTF-8.
        self.press("Download as CSV", loads_page=False)
        name, data = wait_for_download(self.downloads.name)
        self.assertEqual(name, f"{member}.csv")
        self.assertTrue(data.startswith(BOM), data[:10])
        self.assertTrue(data.endswith(b"\r\n"))
        rows = list(csv.reader(io.StringIO(data[len(BOM):].decode("utf-8"), newline="")))
        self.assertEqual(rows[0], ["&LABEL", "&FORMID", "&COMPUTER", "&DATE", "&TIME",
                                   "surname", "comment"])
        self.assertEqual(len(rows), 2)
        self.assertEqual(rows[1][0], label)
        self.assertEqual(rows[1][1], "visit")
        self.assertEqual(rows[1][5:],
                         ["\u0160pela <b>\u017dagar</b>", "'=1+1, first visit\n\"nice\""])
        self.shot("10-show-4-after-download")


if __name__ == "__main__":
    unittest.main(verbosity=2)
