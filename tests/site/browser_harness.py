"""Headless Chromium for the browser tests, and the one way they wait for a
page: a click that loads a new page is done when the document holds no marker
that the old page was given before the click (staleness checks of old
elements race with the browser's own node bookkeeping)."""

import os
import tempfile
import unittest

from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

from site_harness import BIN_DIR, Site

SHOTS = os.environ.get("KALDER_SCREENSHOT_DIR",
                       os.path.join(os.path.dirname(BIN_DIR), "screenshots"))


def start_browser(profile, downloads=None):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu",
                 "--disable-background-networking", "--disable-sync", "--no-first-run",
                 "--disable-component-update", "--disable-default-apps",
                 f"--user-data-dir={profile}", "--window-size=1100,1400"):
        options.add_argument(flag)
    if downloads:
        options.add_experimental_option("prefs", {
            "download.default_directory": downloads,
            "download.prompt_for_download": False,
            "download.directory_upgrade": True,
            "safebrowsing.enabled": True,
        })
    browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    browser.set_page_load_timeout(60)
    return browser


class SiteBrowserTest(unittest.TestCase):
    """One demo site under SERVER and one browser for the tests of a class;
    with DOWNLOADS the browser saves downloads into cls.downloads.name."""

    SERVER = "lighttpd"
    DOWNLOADS = False

    @classmethod
    def setUpClass(cls):
        os.makedirs(SHOTS, exist_ok=True)
        cls.site = Site(cls.SERVER).start()
        cls.profile = tempfile.TemporaryDirectory()
        cls.downloads = tempfile.TemporaryDirectory() if cls.DOWNLOADS else None
        cls.browser = start_browser(cls.profile.name,
                                    cls.downloads.name if cls.downloads else None)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.profile.cleanup()
        if cls.downloads:
            cls.downloads.cleanup()
        cls.site.stop()

    def shot(self, name):
        self.browser.save_screenshot(os.path.join(SHOTS, name + ".png"))


def _new_page_loaded(browser):
    try:
        return browser.execute_script(
            "return document.readyState === 'complete' && !window.__kalderOldPage")
    except WebDriverException:
        return False  # between the two documents


def click_and_wait(browser, element, seconds=60):
    """Clicks something that loads a new page and waits until it has."""
    browser.execute_script("window.__kalderOldPage = true")
    element.click()
    WebDriverWait(browser, seconds, ignored_exceptions=(WebDriverException,)).until(
        _new_page_loaded)
