"""The help pages in a real browser: an administrator logs in to zorvik on
the demo site, in English and in Slovenian, follows every help link of the
overview and of the group page (whose links start at the home's web path,
/forms/, since the server sets PATH_TRANSLATED there) and lands on the
section in the link's language, the page's script having moved to the page
of that language. Unknown pages and paths with ".." stay 404, and so does an
address that the server shortens to a page's name while the browser keeps a
"javascript:" last segment, which the old script would have run."""

import os
import re
import sys
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "manual"))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402
from site_harness import SOURCE_DIR  # noqa: E402
import help_text  # noqa: E402

from selenium.common.exceptions import NoAlertPresentException  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402


def headings(folder):
    """{section id: heading as the browser shows it} of Pzorvik in a language."""
    page = help_text.parse_page(os.path.join(SOURCE_DIR, "manual", "text", folder, "Pzorvik.md"))
    return {h.id: re.sub(r"[`*]", "", h.lines[0]) for h in page.headings()}


def answer_of(url):
    """(status, header lines) of a GET."""
    try:
        with urllib.request.urlopen(url, timeout=30) as r:
            return r.status, r.headers
    except urllib.error.HTTPError as e:
        return e.code, e.headers


def status_of(url):
    return answer_of(url)[0]


# lighttpd and nginx decode "%2F" and resolve "..": they give this address
# PATH_INFO "/Pzorvik.htm", while the browser's path ends in
# "javascript:alert(document.domain)%2F%2F%2F..%2FPzorvik.htm".
SCRIPT_ADDRESS = ("/cgi-bin/manual.exe/javascript:alert(document.domain)%2F%2F%2F..%2FPzorvik.htm"
                  "#settings?language=slo")


class ManualBrowserTest(SiteBrowserTest):
    def help_links(self):
        return [a.get_attribute("href") for a in
                self.browser.find_elements(By.CSS_SELECTOR, 'a[href*="manual.exe/"]')]

    def press(self, caption):
        click_and_wait(self.browser, self.browser.find_element(
            By.CSS_SELECTOR, f'input[type=submit][value="{caption}"]'))

    def admin_pages_links(self, query, details, save):
        """The help links of the overview, of the demo group's page as the
        overview's button opens it (posted to zorvik.exe, no PATH_INFO) and
        as a save answers it (posted to zorvik.exe/demo)."""
        self.browser.get(self.site.url("/cgi-bin/zorvik.exe" + query))
        self.browser.find_element(By.NAME, "password").send_keys("demo")
        self.press(self.browser.find_element(By.CSS_SELECTOR, "input[type=submit]")
                   .get_attribute("value"))
        overview = self.help_links()
        self.browser.find_element(By.CSS_SELECTOR, 'input[name=mark][value="demo"]').click()
        self.press(details)
        group = self.help_links()
        self.press(save)
        return overview, group, self.help_links()

    def test_every_help_link_lands_on_its_section_in_its_language(self):
        for query, lang, details, save in (
                ("", "en", "Show Details", "Save Changes"),
                ("?language=slo", "sl", "Podrobnosti", "Shrani spremembe")):
            expected = headings(lang)
            overview, group, saved = self.admin_pages_links(query, details, save)
            self.assertEqual(len(overview), 4, overview)
            self.assertEqual(len(group), 8, group)
            self.assertEqual(saved, [l.replace("/cgi-bin/", "/forms/") for l in group])
            self.assertTrue(all("/cgi-bin/manual.exe/Pzorvik.htm#" in l for l in overview + group))
            for link in overview + group + saved:
                with self.subTest(link=link):
                    address, _, fragment = link.partition("#")
                    word = fragment.split("?")[0]
                    self.assertEqual(fragment, word + "?" + query[1:])
                    self.assertEqual(status_of(address), 200)
                    self.browser.get(link)
                    WebDriverWait(self.browser, 30).until(
                        lambda b: b.current_url.endswith("#" + word))
                    self.assertEqual(self.browser.execute_script(
                        "return document.documentElement.lang"), lang)
                    section = self.browser.find_element(By.ID, word)
                    self.assertEqual(section.text, expected[word])
                    top = self.browser.execute_script(
                        "return arguments[0].getBoundingClientRect().top", section)
                    self.assertTrue(-2 < top < 1000, top)  # scrolled to it
            self.shot(f"11-manual-{lang}")

    def test_unknown_pages_and_tricks_stay_404(self):
        for prefix in ("/cgi-bin/manual.exe/", "/forms/manual.exe/"):
            for rest in ("Pnothing.htm", "%2e%2e/kalder.ini", "..%2f..%2fforms%2fkalder.ini"):
                self.assertIn(status_of(self.site.url(prefix + rest)), (403, 404), prefix + rest)
            self.assertEqual(status_of(self.site.url(prefix + "Pnothing.htm")), 404)
        self.browser.get(self.site.url("/forms/manual.exe/Pnothing.htm?language=slo"))
        self.assertEqual(self.browser.find_element(By.TAG_NAME, "h1").text, "Strani pomo\u010di ni")

    def test_an_address_holding_a_script_gets_no_page(self):
        self.assertEqual(status_of(self.site.url(SCRIPT_ADDRESS.partition("#")[0])), 404)
        self.browser.get(self.site.url(SCRIPT_ADDRESS))
        self.assertEqual(self.browser.find_element(By.TAG_NAME, "h1").text, "Help page not found")
        self.assertEqual(self.browser.execute_script("return document.scripts.length"), 0)
        self.assertTrue(self.browser.current_url.endswith("%2FPzorvik.htm#settings?language=slo"))
        with self.assertRaises(NoAlertPresentException):
            self.browser.switch_to.alert.text
        self.shot("11-manual-script-address")

    def test_a_page_admits_its_own_script_alone(self):
        status, headers = answer_of(self.site.url("/cgi-bin/manual.exe/Pzorvik.htm"))
        self.assertEqual(status, 200)
        policies = headers.get_all("Content-Security-Policy")
        self.assertEqual(len(policies), 1, policies)
        self.assertRegex(policies[0],
                         r"^frame-ancestors 'none'; script-src 'sha256-[A-Za-z0-9+/]{43}='$")
        self.assertEqual(headers.get_all("X-Content-Type-Options"), ["nosniff"])
        status, headers = answer_of(self.site.url("/forms/manual.exe/Pnothing.htm"))
        self.assertEqual(status, 404)
        self.assertEqual(headers.get_all("Content-Security-Policy"),
                         ["frame-ancestors 'none'; script-src 'none'"])


class NginxManualBrowserTest(ManualBrowserTest):
    """The same under nginx, the help program resident over FastCGI."""

    SERVER = "nginx"


if __name__ == "__main__":
    unittest.main(verbosity=2)
