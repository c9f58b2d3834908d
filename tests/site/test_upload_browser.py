"""Files sent from a real browser (headless Chromium driven by Selenium): a
visitor fills in the demo's job application with a file of random bytes; the
file lies in the record's folder byte for byte, the record page offers it,
and the viewer sends it back whole with download headers. Screenshots go
beside those of test_browser.py, named 20-upload-*."""

import os
import re
import sys
import tempfile
import unittest
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(__file__))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402


class UploadBrowserTest(SiteBrowserTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.files = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.files.cleanup()
        super().tearDownClass()


    def show(self, query):
        """(status, headers, body) of the viewer, the password posted as its buttons post it."""
        url = self.site.url("/cgi-bin/show.exe/demo?" + query)
        data = urllib.parse.urlencode({"password": "demo"}).encode()
        with urllib.request.urlopen(url, data=data, timeout=30) as r:
            return r.status, r.headers, r.read()

    def test_file_arrives_and_downloads_byte_for_byte(self):
        content = os.urandom(6000) + b"\0\r\n--boundary-like\r\n\0" + os.urandom(100)
        path = os.path.join(self.files.name, "My CV \u010d.txt")
        with open(path, "wb") as f:
            f.write(content)

        self.browser.get(self.site.url("/forms/apply.htm"))
        self.browser.find_element(By.ID, "name").send_keys("Ana")
        self.browser.find_element(By.ID, "document").send_keys(path)
        self.shot("20-upload-1-form")
        click_and_wait(self.browser, self.browser.find_element(By.ID, "send"))
        self.shot("20-upload-2-answer")
        label = self.browser.find_element(By.ID, "label").text
        self.assertRegex(label, r"^ORD-\d+$")

        stored = os.path.join(self.site.home, "applications.files", label.lower(), "f1.bin")
        with open(stored, "rb") as f:
            self.assertEqual(f.read(), content)
        catalog = self.site.read("applications.dat").decode("utf-8")
        self.assertIn(f"document==My CV \u010d.txt (f1.bin, {len(content)} bytes)\n", catalog)
        mail = [m for m in self.site.mails(1) if b"show.exe/" in m][0]
        self.assertIn(f"File: My CV \u010d.txt, {len(content)} bytes".encode(), mail)

        status, _, page = self.show(f"label={label}&catalog=applications")
        self.assertEqual(status, 200)
        self.assertRegex(page.decode("utf-8"), r"file=f1\.bin\"[^>]*>")

        status, headers, body = self.show(f"label={label}&catalog=applications&file=f1.bin")
        self.assertEqual(status, 200)
        self.assertEqual(body, content)
        self.assertEqual(headers["Content-Type"], "application/octet-stream")
        self.assertEqual(headers["X-Content-Type-Options"], "nosniff")
        self.assertEqual(headers["Content-Disposition"],
                         "attachment; filename=\"My CV __.txt\"; "
                         "filename*=UTF-8''My%20CV%20%C4%8D.txt")
        self.assertTrue(re.match(r"no-store", headers["Cache-Control"]))


if __name__ == "__main__":
    unittest.main(verbosity=2)
