#!/usr/bin/python3
"""SMTP capture server for tests: accepts mail on a loopback port and writes
each message to a file of its own, so a test can compare what was sent.

    /usr/bin/python3 tests/tools/smtp_sink.py --port N --maildir DIR [--refuse TEXT]

Prints "ready PORT" (and flushes) once it listens; with --port 0 the system
chooses the port. Runs until it is terminated.

Each message becomes DIR/mail-0001.eml, mail-0002.eml, ... in the order
received. A file appears whole (it is written under another name beside DIR
and then moved in) and holds, each line ending in CR LF:

    HELO <the HELO or EHLO argument>
    MAIL FROM: <sender>
    RCPT TO: <recipient>          one line per accepted recipient
    DATA
    <the message data as received, dot-stuffing removed, line ends kept>

A recipient that contains the --refuse text is refused with
"550 5.1.1 Recipient refused".
"""

import argparse
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


class Capture:
    def __init__(self, maildir, refuse):
        self.maildir = maildir
        self.refuse = refuse
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse and self.refuse in address:
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        lines = [f"HELO {session.host_name}", f"MAIL FROM: <{envelope.mail_from}>"]
        lines += [f"RCPT TO: <{rcpt}>" for rcpt in envelope.rcpt_tos]
        lines.append("DATA")
        head = "".join(line + "\r\n" for line in lines).encode("utf-8", "surrogateescape")
        self.store(head + envelope.original_content)
        return "250 OK: message stored"

    def store(self, content):
        name = f"mail-{self.count:04d}.eml"
        partial = f"{self.maildir.rstrip('/')}.partial-{name}"
        with open(partial, "wb") as f:
            f.write(content)
        os.replace(partial, os.path.join(self.maildir, name))


async def serve(port, maildir, refuse):
    loop = asyncio.get_running_loop()
    handler = Capture(maildir, refuse)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="smtp-sink", loop=loop), "127.0.0.1", port)
    print(f"ready {server.sockets[0].getsockname()[1]}", flush=True)
    async with server:
        await server.serve_forever()


def main():
    parser = argparse.ArgumentParser(description="SMTP capture server for tests")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--refuse", default="")
    args = parser.parse_args()
    os.makedirs(args.maildir, exist_ok=True)
    try:
        asyncio.run(serve(args.port, args.maildir, args.refuse))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
