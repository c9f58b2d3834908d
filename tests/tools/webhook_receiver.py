#!/usr/bin/python3
"""Webhook receiver for tests: takes POSTs on a loopback port over HTTPS (or
plain HTTP without --cert), checks each one's Standard Webhooks signature and
writes what came to a file of its own, so a test can compare it.

    /usr/bin/python3 tests/tools/webhook_receiver.py --port N --dir DIR
        --secret whsec_... [--cert PEM --key PEM] [--fail N] [--fail-status CODE]

Prints "ready PORT" (and flushes) once it listens; with --port 0 the system
chooses the port. Runs until it is terminated.

The first N requests (--fail) are answered 503, or CODE (--fail-status);
later ones 200. Each request becomes DIR/hook-0001.txt, ... in
the order received, written whole (under another name, then moved in):

    status <the status answered>
    signature <valid|invalid>
    webhook-id <the header>
    content-type <the header>

    <the body as received>
"""

import argparse
import base64
import hashlib
import hmac
import http.server
import os
import ssl
import sys


def signature_valid(secret, headers, body):
    key = base64.b64decode(secret[len("whsec_"):])
    signed = "{}.{}.".format(headers.get("webhook-id", ""),
                             headers.get("webhook-timestamp", "")).encode() + body
    expected = base64.b64encode(hmac.new(key, signed, hashlib.sha256).digest()).decode()
    given = [part.split(",", 1)[1] for part in headers.get("webhook-signature", "").split()
             if part.startswith("v1,")]
    return any(hmac.compare_digest(expected, one) for one in given)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--secret", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--fail", type=int, default=0)
    parser.add_argument("--fail-status", type=int, default=503)
    options = parser.parse_args()
    os.makedirs(options.dir, exist_ok=True)
    count = [0]

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *arguments):
            pass

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", "0")))
            count[0] += 1
            status = options.fail_status if count[0] <= options.fail else 200
            valid = signature_valid(options.secret, self.headers, body)
            text = ("status {}\nsignature {}\nwebhook-id {}\ncontent-type {}\n\n".format(
                status, "valid" if valid else "invalid", self.headers.get("webhook-id", ""),
                self.headers.get("Content-Type", ""))).encode() + body
            name = "hook-{:04d}.txt".format(count[0])
            temporary = os.path.join(options.dir, "." + name)
            with open(temporary, "wb") as file:
                file.write(text)
            os.rename(temporary, os.path.join(options.dir, name))
            answer = b"this body is not kept\n"
            self.send_response(status)
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)

    server = http.server.HTTPServer(("127.0.0.1", options.port), Handler)
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("ready {}".format(server.server_address[1]), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    sys.exit(0)


if __name__ == "__main__":
    main()
