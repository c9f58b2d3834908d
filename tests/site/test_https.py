"""The administration pages over HTTPS under lighttpd, Apache and nginx, with a
certificate the test makes: plain HTTP is redirected there, the certificate
verifies, the forms keep working over plain HTTP, and a query string that
Apache would turn into program arguments stays an ordinary web request."""

import os
import ssl
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.parse
import urllib.request

sys.path.insert(0, os.path.dirname(__file__))
from site_harness import Site  # noqa: E402


def make_certificate(directory):
    cert, key = os.path.join(directory, "test.crt"), os.path.join(directory, "test.key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    return cert, key


class NoRedirect(urllib.request.HTTPRedirectHandler):
    def redirect_request(self, *args):
        return None


class LighttpdHttpsTest(unittest.TestCase):
    SERVER = "lighttpd"

    @classmethod
    def setUpClass(cls):
        cls.certs = tempfile.TemporaryDirectory()
        cls.cert, cls.key = make_certificate(cls.certs.name)

    @classmethod
    def tearDownClass(cls):
        cls.certs.cleanup()

    def setUp(self):
        self.site = Site(self.SERVER, tls=(self.cert, self.key)).start()
        self.context = ssl.create_default_context(cafile=self.cert)

    def tearDown(self):
        self.site.stop()

    def https(self, path, fields=None):
        url = f"https://127.0.0.1:{self.site.https_port}{path}"
        data = urllib.parse.urlencode(fields).encode() if fields is not None else None
        try:
            with urllib.request.urlopen(url, data=data, context=self.context, timeout=30) as r:
                return r.status, r.headers, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers, e.read()

    def test_plain_http_to_the_admin_pages_is_redirected(self):
        opener = urllib.request.build_opener(NoRedirect)
        for path in ("/cgi-bin/zorvik.exe?language=slo", "/cgi-bin/show.exe/demo?catalog=orders",
                     "/cgi-bin/lunoder.exe/demo"):
            with self.assertRaises(urllib.error.HTTPError) as caught:
                opener.open(self.site.url(path), data=b"password=demo", timeout=30)
            self.assertEqual(caught.exception.code, 308, path)
            self.assertEqual(caught.exception.headers["Location"],
                             f"https://127.0.0.1:{self.site.https_port}{path}")

    def test_admin_login_over_verified_https(self):
        status, headers, page = self.https("/cgi-bin/zorvik.exe", {"password": "demo"})
        self.assertEqual(status, 200)
        self.assertIn(b"demo.grp", page)
        self.assertIn("max-age", headers["Strict-Transport-Security"])
        with self.assertRaises(urllib.error.URLError):
            urllib.request.urlopen(f"https://127.0.0.1:{self.site.https_port}/cgi-bin/zorvik.exe",
                                   context=ssl.create_default_context(), timeout=30)

    def test_forms_still_post_over_plain_http_and_files_stay_private(self):
        status, _ = self.site.post("/cgi-bin/insert.exe/demo?formid=order",
                                   {"name": "Ana", "surname": "Novak", "item": "Teapot"})
        self.assertEqual(status, 200)
        self.assertIn(b"Novak", self.site.read("orders.dat"))
        for name in ("kalder.ini", "demo.grp", "orders.dat"):
            status, _, body = self.https("/forms/" + name)
            self.assertIn(status, (403, 404), name)
            self.assertNotIn(b"password", body)

    def test_argument_like_query_is_an_ordinary_request(self):
        before = self.site.read("kalder.ini")
        status, _, page = self.https("/cgi-bin/zorvik.exe?--set-password")
        self.assertEqual(status, 200)
        self.assertIn(b"<form", page)
        self.assertEqual(self.site.read("kalder.ini"), before)


class ApacheHttpsTest(LighttpdHttpsTest):
    """The same under Apache, whose mod_cgi passes a query string without "="
    to the program as arguments."""

    SERVER = "apache"


class NginxHttpsTest(LighttpdHttpsTest):
    """The same under nginx, the programs over FastCGI."""

    SERVER = "nginx"


if __name__ == "__main__":
    unittest.main(verbosity=2)
