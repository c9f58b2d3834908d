"""Scripts and redirects in a real browser (headless Chromium): the demo's
script page posts the order form with fetch and shows insert's JSON answer,
from the site itself and from another origin (the same server reached as
localhost instead of 127.0.0.1), which the group allows or, with other
options, refuses; the feedback form's group options send the visitor on to
a thank-you page that carries the label."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from browser_harness import SiteBrowserTest, click_and_wait  # noqa: E402

from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402


class ScriptAnswersTest(SiteBrowserTest):

    def stored_orders(self):
        if not os.path.exists(os.path.join(self.site.home, "orders.dat")):
            return ""
        return self.site.read("orders.dat").decode("utf-8")

    def send_order(self, host, surname, button="send"):
        """Fills in the script page served from `host` and sends it; returns
        the answer element once the script has shown the outcome."""
        self.browser.get(f"http://{host}:{self.site.port}/forms/script.htm")
        self.browser.find_element(By.ID, "name").send_keys("Ana")
        self.browser.find_element(By.ID, "surname").send_keys(surname)
        self.browser.find_element(By.ID, button).click()
        answer = self.browser.find_element(By.ID, "answer")
        WebDriverWait(self.browser, 30).until(
            lambda _: answer.get_attribute("data-state") not in (None, "sending"))
        return answer

    def assert_stored(self, answer, surname):
        self.assertEqual(answer.get_attribute("data-state"), "stored", answer.text)
        label = answer.get_attribute("data-label")
        self.assertRegex(label, r"^ORD-\d+$")
        self.assertIn(f"Stored under the label {label}", answer.text)
        self.assertIn(f"&LABEL=={label}\n", self.stored_orders())
        self.assertIn(f"surname=={surname}\n", self.stored_orders())

    def test_script_of_the_site_itself(self):
        answer = self.send_order("127.0.0.1", "Same")
        self.shot("20-script-same-origin")
        self.assert_stored(answer, "Same")

    def test_script_of_an_allowed_origin(self):
        answer = self.send_order("localhost", "Allowed")
        self.shot("21-script-other-origin")
        self.assert_stored(answer, "Allowed")
        # A JSON body is not a simple request: the browser asks first.
        answer = self.send_order("localhost", "Preflight", button="send-json")
        self.assert_stored(answer, "Preflight")

    def test_script_of_an_origin_not_allowed(self):
        options = os.path.join(self.site.home, "demo.grp.options")
        saved = self.site.read("demo.grp.options")
        try:
            with open(options, "w") as f:
                f.write("allowedOrigins=https://shop.example\n")
            before = self.stored_orders()
            answer = self.send_order("localhost", "Refused")
            self.shot("22-script-refused")
            self.assertEqual(answer.get_attribute("data-state"), "refused", answer.text)
            self.assertEqual(self.stored_orders(), before)
            # The page of the site itself may still post.
            self.assert_stored(self.send_order("127.0.0.1", "StillSame"), "StillSame")
        finally:
            with open(options, "wb") as f:
                f.write(saved)

    def test_redirect_after_the_post(self):
        self.browser.get(self.site.url("/forms/feedback.htm"))
        self.browser.find_element(By.ID, "name").send_keys("Ana")
        self.browser.find_element(By.ID, "message").send_keys("Lovely tea & cups")
        click_and_wait(self.browser, self.browser.find_element(By.ID, "send"))
        self.shot("23-redirect-thanks")
        self.assertRegex(self.browser.current_url,
                         rf"^http://127\.0\.0\.1:{self.site.port}/forms/thanks\.htm\?label=ORD-\d+$")
        label = self.browser.find_element(By.ID, "label").text
        self.assertTrue(self.browser.current_url.endswith("label=" + label))
        stored = self.site.read("feedback.dat").decode()
        self.assertIn(f"&LABEL=={label}\n", stored)
        self.assertIn("message==Lovely tea & cups\n", stored)


if __name__ == "__main__":
    unittest.main(verbosity=2)
