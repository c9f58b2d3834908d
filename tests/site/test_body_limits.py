"""Bodies the programs would refuse are refused by the web server itself
(lighttpd, Apache, nginx as site/make-site configures them): a post that
announces 2,000,000,000 bytes gets 413 while its first megabytes are still
arriving, and nothing near its size reaches the disk."""

import os
import socket
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from site_harness import Site  # noqa: E402

ANNOUNCED = 2_000_000_000
SENT_AT_MOST = 48 << 20  # more than the limit of 22 MiB the demo gets
ON_DISK_AT_MOST = 8 << 20


def bytes_under(folder):
    total = 0
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            if not os.path.islink(path) and os.path.isfile(path):
                total += os.path.getsize(path)
    return total


def post_oversized(port, path):
    """Sends the header and then body bytes until the server answers or
    closes; returns its status line and how much was sent."""
    sock = socket.create_connection(("127.0.0.1", port), timeout=20)
    sent = 0
    try:
        sock.sendall((f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\n"
                      f"Content-Length: {ANNOUNCED}\r\nConnection: close\r\n\r\n").encode())
        piece = b"a=" + b"x" * (256 * 1024 - 2)
        sock.settimeout(0.05)
        answer = b""
        while sent < SENT_AT_MOST:
            try:
                answer += sock.recv(65536)
                if answer:
                    break
            except socket.timeout:
                pass
            try:
                sock.sendall(piece)
                sent += len(piece)
            except (BrokenPipeError, ConnectionResetError, socket.timeout):
                break
        sock.settimeout(20)
        try:
            while b"\r\n" not in answer:
                more = sock.recv(65536)
                if not more:
                    break
                answer += more
        except (ConnectionResetError, socket.timeout):
            pass
    finally:
        sock.close()
    return answer.split(b"\r\n", 1)[0].decode("latin-1"), sent


class LighttpdBodyLimitTest(unittest.TestCase):
    SERVER = "lighttpd"

    def setUp(self):
        self.site = Site(self.SERVER).start()

    def tearDown(self):
        self.site.stop()

    def test_oversized_body_is_refused_before_it_fills_the_disk(self):
        before = bytes_under(self.site.dir)
        status, sent = post_oversized(self.site.port, "/cgi-bin/insert.exe/demo")
        self.assertIn(" 413 ", status + " ", f"after {sent} bytes sent")
        self.assertLess(sent, SENT_AT_MOST)
        self.assertLess(bytes_under(self.site.dir) - before, ON_DISK_AT_MOST)

    def test_configuration_names_the_limit(self):
        limit = (16 << 20) + (5 << 20) + (1 << 20)  # the demo's uploadMaxTotal is 5M
        names = {"lighttpd": f"server.max-request-size = {limit // 1024}\n",
                 "apache": f"LimitRequestBody {limit}\n",
                 "nginx": f"client_max_body_size {limit};\n"}
        with open(os.path.join(self.site.dir, f"{self.SERVER}.conf")) as f:
            self.assertIn(names[self.SERVER], f.read())


class ApacheBodyLimitTest(LighttpdBodyLimitTest):
    SERVER = "apache"


class NginxBodyLimitTest(LighttpdBodyLimitTest):
    SERVER = "nginx"


if __name__ == "__main__":
    unittest.main()
