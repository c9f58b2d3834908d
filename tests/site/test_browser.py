"""The demo site in a real browser (headless Chromium driven by Selenium):
a visitor fills in the Slovenian form, an administrator builds a new group
through the admin pages and rebuilds its index. A screenshot of every page is
kept under the build directory."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import Select, WebDriverWait  # noqa: E402




class BrowserTest(SiteBrowserTest):

    def open(self, path):
        self.browser.get(self.site.url(path))

    def fill(self, name, value):
        field = self.browser.find_element(By.NAME, name)
        field.clear()
        field.send_keys(value)

    def click_and_wait(self, element):
        click_and_wait(self.browser, element)

    def press(self, value):
        self.click_and_wait(
            self.browser.find_element(By.CSS_SELECTOR, f'input[type=submit][value="{value}"]'))

    def page(self):
        return self.browser.page_source

    def test_visitor_submits_the_slovenian_form(self):
        self.open("/forms/narocilo.htm")
        self.fill("name", "Špela")
        self.fill("surname", "Žagar")
        Select(self.browser.find_element(By.NAME, "item")).select_by_visible_text("Čajnik")
        self.fill("note", "Hvala za čaj")
        self.shot("01-form")
        self.click_and_wait(self.browser.find_element(By.ID, "send"))
        self.shot("02-thank-you")
        self.assertIn("Hvala, Špela!", self.page())
        label = self.browser.find_element(By.ID, "label").text
        self.assertRegex(label, r"^ORD-\d+$")
        stored = self.site.read("orders.dat").decode("utf-8")
        self.assertIn("surname==Žagar", stored)
        self.assertIn("item==Čajnik", stored)

    def spent_proofs(self):
        path = os.path.join(self.site.home, "demo.grp.pow.spent")
        return len(self.site.read(path).splitlines()) if os.path.exists(path) else 0

    def test_the_order_form_posts_a_solved_proof_of_work(self):
        spent = self.spent_proofs()
        self.open("/forms/order.htm")
        WebDriverWait(self.browser, 30).until(lambda browser: browser.find_element(
            By.CSS_SELECTOR, ".kalder-proof-note[role=status][aria-live=polite]"))
        self.fill("name", "Pia")
        self.fill("surname", "Delavec")
        # Sent at once: the form waits for the work, then posts with it.
        self.click_and_wait(self.browser.find_element(By.ID, "send"))
        self.shot("02b-order-with-proof")
        self.assertIn("Pia", self.page())
        stored = self.site.read("orders.dat").decode("utf-8")
        self.assertIn("surname==Delavec", stored)
        self.assertNotIn("kalderProof", stored)
        self.assertEqual(self.spent_proofs(), spent + 1)

    def test_administrator_builds_a_group(self):
        self.open("/cgi-bin/zorvik.exe")
        self.shot("03-login")
        self.fill("password", "demo")
        self.click_and_wait(self.browser.find_element(By.CSS_SELECTOR, "input[type=submit]"))
        self.assertIn("Settings in initialization file", self.page())
        self.fill("newname", "club")
        self.fill("newvalue", os.path.join(self.site.home, "club.grp"))
        self.press("Add")
        self.shot("04-settings")
        self.browser.find_element(By.CSS_SELECTOR, 'input[name=mark][value="club"]').click()
        self.press("Show Details")
        self.assertIn("club", self.page())
        self.fill("fnewname", "member")
        self.press("Add Form")
        self.fill("bnewname", "members")
        self.fill("bnewform", "member")
        self.press("Add Catalog")
        self.fill("rnewaddr", "club@localhost")
        self.fill("rnewform", "member")
        self.press("Add Response")
        self.press("Save Changes")
        self.shot("05-group")
        group = self.site.read("club.grp").decode()
        self.assertIn("form=member\n", group)
        self.assertIn("catalog=members member\n", group)
        self.assertIn("response=club@localhost - member\n", group)
        self.press("rebuild")  # a button of its own form, which posts the password on
        self.shot("06-rebuild")
        self.assertIn("members", self.page())
        self.open("/cgi-bin/zorvik.exe?language=slo")
        self.fill("password", "demo")
        self.click_and_wait(self.browser.find_element(By.CSS_SELECTOR, "input[type=submit]"))
        self.shot("07-settings-slovenian")
        self.assertIn("Nastavitve v inicializacijski datoteki", self.page())
        self.assertIn("Shrani spremembe", self.page())


if __name__ == "__main__":
    unittest.main(verbosity=2)
