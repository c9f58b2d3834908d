"""The demo site through real web servers (lighttpd, Apache, nginx with
FastCGI) and a real mail server: posting forms, the mails they send,
rebuilding the index, the files that must never be served, many visitors
at once, and two front ends (nginx with FastCGI, lighttpd with CGI) writing
into one home."""

import concurrent.futures
import os
import signal
import sys
import time
import unittest
import urllib.error
import urllib.request

sys.path.insert(0, __import__("os").path.dirname(__file__))
from site_harness import Site  # noqa: E402


def records(catalog_bytes):
    """The item-form records of a catalog as dicts of their single-line fields."""
    out = []
    for block in catalog_bytes.decode("utf-8", "replace").split("\n\n"):
        fields = {}
        for line in block.split("\n"):
            if "==" in line:
                name, value = line.split("==", 1)
                fields[name] = value
        if fields:
            out.append(fields)
    return out


class LighttpdSiteTest(unittest.TestCase):
    SERVER = "lighttpd"

    def setUp(self):
        self.site = Site(self.SERVER).start()

    def tearDown(self):
        self.site.stop()

    def order(self, name, surname, **more):
        fields = {"name": name, "surname": surname, "email": "ana@example.org",
                  "item": "Teapot", "quantity": "2"}
        fields.update(more)
        return self.site.post("/cgi-bin/insert.exe/demo?formid=order", fields)

    def test_posted_order_is_stored_mailed_and_answered(self):
        status, page = self.order("Ana", "Novak", note="Fragile,\nplease")
        self.assertEqual(status, 200)
        text = page.decode()
        self.assertIn("Thank you, Ana!", text)
        self.assertIn('<b id="label">ORD-1</b>', text)
        (record,) = records(self.site.read("orders.dat"))
        self.assertEqual(record["&LABEL"], "ORD-1")
        self.assertEqual(record["surname"], "Novak")
        self.assertRegex(self.site.read("orders.idx").decode(), r"^ORD-1 order 0\n$")
        (mail,) = self.site.mails(1)
        self.assertIn(b"Subject: New order ORD-1 from Ana Novak", mail)
        self.assertIn(b"Fragile,", mail)

    def test_slovenian_answer_in_utf8(self):
        status, page = self.site.post(
            "/cgi-bin/insert.exe/demo?formid=order&language=slo,utf8,UTF-8",
            {"name": "Špela", "surname": "Žagar", "item": "Čajnik", "quantity": "1"})
        self.assertEqual(status, 200)
        text = page.decode("utf-8")
        self.assertIn("Hvala, Špela!", text)
        self.assertIn("Va&#353;e naro&#269;ilo", text)
        self.assertIn('charset=UTF-8', text)

    def test_markup_in_a_field_is_shown_as_text(self):
        status, page = self.order("<script>alert(1)</script>", "X")
        self.assertEqual(status, 200)
        self.assertNotIn(b"<script>", page)
        self.assertIn(b"&lt;script&gt;", page)

    def test_index_is_rebuilt_through_the_web_server(self):
        self.order("Ana", "Novak")
        self.order("Bor", "Kos")
        status, page = self.site.get("/cgi-bin/lunoder.exe/demo")
        self.assertEqual(status, 200)
        self.assertNotIn(b"<li>", page)  # the login page: a rebuild needs the password
        status, page = self.site.post("/cgi-bin/lunoder.exe/demo", {"password": "demo"})
        self.assertEqual(status, 200)
        self.assertIn(b"<li> <tt><b>orders</b></tt>", page)
        self.assertEqual(self.site.read("orders.idx").decode().count("\n"), 2)

    def test_system_files_are_never_served(self):
        self.order("Ana", "Novak")
        for name in ("kalder.ini", "demo.grp", "orders.dat", "orders.idx", "demo.lck",
                     "demo.labels", "order.msg", "order-mail.tmt", "KALDER.INI",
                     "kalder.ini%00.htm", "..%2fforms/kalder.ini"):
            status, body = self.site.get("/forms/" + name)
            self.assertIn(status, (400, 403, 404), name)
            self.assertNotIn(b"password", body, name)
        status, _ = self.site.get("/forms/order.htm")
        self.assertEqual(status, 200)

    def test_help_pages_under_the_cgi_directory_and_the_home(self):
        for prefix in ("/cgi-bin/manual.exe/", "/forms/manual.exe/"):
            status, page = self.site.get(prefix + "Pzorvik.htm?language=slo")
            self.assertEqual(status, 200, prefix)
            self.assertIn(b'<html lang="sl">', page)
            for rest in ("Pnothing.htm", "../kalder.ini", "%2e%2e/kalder.ini", "..%2fkalder.ini",
                         "Pzorvik.htm/x", "..%2f..%2fforms%2fkalder.ini"):
                status, body = self.site.get(prefix + rest)
                self.assertIn(status, (403, 404), prefix + rest)
                self.assertNotIn(b"[GROUPS]", body, prefix + rest)
        # The one name in the home opens nothing else of it.
        for path in ("manual.exe.ini", "manual.exe%2f..%2fkalder.ini", "Manual.exe/Pzorvik.htm",
                     "xmanual.exe/Pzorvik.htm"):
            status, body = self.site.get("/forms/" + path)
            self.assertIn(status, (400, 403, 404), path)
            self.assertNotIn(b"[GROUPS]", body, path)

    def test_metrics_token_reaches_the_program_and_health_answers(self):
        path = os.path.join(self.site.home, "kalder.ini")
        with open(path, encoding="utf-8") as f:
            settings = f.read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(settings.replace("[GENERAL]\n", "[GENERAL]\nmetricsToken=tok-5Yw\n", 1))

        def scrape(token):
            request = urllib.request.Request(self.site.url("/cgi-bin/show.exe?metrics=1"),
                                             headers={"Authorization": "Bearer " + token})
            try:
                with urllib.request.urlopen(request, timeout=30) as r:
                    return r.status, r.headers.get("Content-Type"), r.read()
            except urllib.error.HTTPError as e:
                return e.code, e.headers.get("Content-Type"), e.read()

        status, content_type, page = scrape("tok-5Yw")
        self.assertEqual(status, 200, page)
        self.assertEqual(content_type, "text/plain; version=0.0.4; charset=utf-8")
        self.assertIn(b"# TYPE kalder_submissions_total counter", page)
        self.assertEqual(scrape("tok-5Yx")[0], 401)
        self.assertEqual(self.site.get("/cgi-bin/show.exe?health=1"), (200, b"ok\n"))

    def test_uploaded_files_are_never_served(self):
        folder = os.path.join(self.site.home, "demo.files", "ord-1")
        os.makedirs(folder)
        for name in ("f1.bin", "x.html"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(b"<p>uploaded secret</p>")
        for path in ("demo.files/ord-1/f1.bin", "demo.files/ord-1/x.html", "demo.files/ord-1/",
                     "demo.files/", "demo.files/ord-1/%78.html"):
            status, body = self.site.get("/forms/" + path)
            self.assertIn(status, (403, 404), path)
            self.assertNotIn(b"uploaded secret", body, path)

    def test_simultaneous_posts_get_distinct_labels(self):
        count = 100
        with concurrent.futures.ThreadPoolExecutor(max_workers=25) as pool:
            results = list(pool.map(lambda i: self.order(f"N{i}", f"S{i:03d}"), range(count)))
        self.assertTrue(all(status == 200 for status, _ in results))
        stored = records(self.site.read("orders.dat"))
        self.assertEqual(len(stored), count)
        self.assertEqual(len({r["&LABEL"] for r in stored}), count)
        self.assertIn(f"count={count}\n", self.site.read("demo.grp").decode())
        # The index keeps the records sorted by surname whatever order they came in.
        by_label = {r["&LABEL"]: r["surname"] for r in stored}
        index = self.site.read("orders.idx").decode().splitlines()
        surnames = [by_label[line.split()[0]] for line in index]
        self.assertEqual(surnames, sorted(surnames))


class ApacheSiteTest(LighttpdSiteTest):
    """The same site under Apache with site/apache/kalder-site.conf."""

    SERVER = "apache"


def workers(program):
    """The pids of the processes running `program`."""
    found = []
    for name in os.listdir("/proc"):
        try:
            with open(f"/proc/{name}/cmdline", "rb") as f:
                if f.read().split(b"\0")[0] == program.encode():
                    found.append(int(name))
        except (OSError, ValueError):
            pass
    return sorted(found)


class NginxSiteTest(LighttpdSiteTest):
    """The same site under nginx with site/nginx/kalder-site.conf, the
    programs resident under spawn-fcgi and multiwatch."""

    SERVER = "nginx"

    def test_a_killed_worker_is_replaced(self):
        program = os.path.join(self.site.dir, "www", "cgi-bin", "insert.exe")
        before = workers(program)
        self.assertEqual(len(before), 2)
        os.kill(before[0], signal.SIGKILL)
        deadline = time.time() + 10
        while time.time() < deadline:
            now = workers(program)
            if len(now) == 2 and before[0] not in now:
                break
            time.sleep(0.05)
        self.assertEqual(len(workers(program)), 2)
        self.assertNotIn(before[0], workers(program))
        for i in range(4):
            self.assertEqual(self.order(f"N{i}", "S")[0], 200, self.site.server_log())
        self.assertEqual(len(records(self.site.read("orders.dat"))), 4)


class SharedHomeTest(unittest.TestCase):
    """lighttpd running the programs as CGI and nginx running them resident
    over FastCGI, both writing into the home of the lighttpd site."""

    def setUp(self):
        self.cgi = Site("lighttpd").start()
        self.fastcgi = Site("nginx", shared_home=self.cgi.home).start()

    def tearDown(self):
        self.fastcgi.stop()
        self.cgi.stop()

    def test_simultaneous_posts_through_both_servers(self):
        count = 200

        def order(i):
            site = self.cgi if i % 2 else self.fastcgi
            fields = {"name": f"N{i}", "surname": f"S{i:03d}", "email": "ana@example.org",
                      "item": "Teapot", "quantity": "1"}
            return site.post("/cgi-bin/insert.exe/demo?formid=order", fields)[0]

        with concurrent.futures.ThreadPoolExecutor(max_workers=32) as pool:
            statuses = list(pool.map(order, range(count)))
        self.assertEqual(statuses, [200] * count)
        stored = records(self.cgi.read("orders.dat"))
        self.assertEqual(len(stored), count)
        self.assertEqual(len({r["&LABEL"] for r in stored}), count)
        self.assertIn(f"count={count}\n", self.cgi.read("demo.grp").decode())
        index = self.cgi.read("orders.idx")
        status, _ = self.fastcgi.post("/cgi-bin/lunoder.exe/demo", {"password": "demo"})
        self.assertEqual(status, 200)
        self.assertEqual(self.cgi.read("orders.idx"), index)


if __name__ == "__main__":
    unittest.main(verbosity=2)
