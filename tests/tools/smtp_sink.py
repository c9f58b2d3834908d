#!/usr/bin/python3
"""SMTP capture server for tests: accepts mail on a loopback port and writes
each message to a file of its own, so a test can compare what was sent.

    /usr/bin/python3 tests/tools/smtp_sink.py --port N --maildir DIR [--refuse TEXT]
        [--starttls | --tls] [--cert PEM --key PEM] [--user NAME --password WORD]
        [--defer N] [--drop-after-data N]

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
"550 5.1.1 Recipient refused". With --defer N the first N messages are
answered "451 4.3.0 Try again later" and not stored; with --drop-after-data N
the first N messages are stored and the connection is then closed without a
reply, as when it is lost past the final dot.

With --starttls the server offers STARTTLS and takes no mail before it; with
--tls it speaks TLS from the first byte (as on port 465); either uses the
certificate and key given. With --user and --password it takes no mail
without that login (AUTH PLAIN or LOGIN, over TLS only), refuses others with
"535 5.7.8 Authentication credentials invalid", and the stored mail has the
line "AUTH <mechanism> <name>" after its HELO line.
"""

import argparse
import asyncio
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult


class Capture:
    def __init__(self, maildir, refuse, defer=0, drop=0):
        self.maildir = maildir
        self.refuse = refuse
        self.count = 0
        self.defer = defer
        self.drop = drop

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if self.refuse and self.refuse in address:
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.defer > 0:
            self.defer -= 1
            return "451 4.3.0 Try again later"
        self.count += 1
        lines = [f"HELO {session.host_name}"]
        if getattr(session, "login", None):
            lines.append("AUTH {} {}".format(*session.login))
        lines.append(f"MAIL FROM: <{envelope.mail_from}>")
        lines += [f"RCPT TO: <{rcpt}>" for rcpt in envelope.rcpt_tos]
        lines.append("DATA")
        head = "".join(line + "\r\n" for line in lines).encode("utf-8", "surrogateescape")
        self.store(head + envelope.original_content)
        if self.drop > 0:
            self.drop -= 1
            server.transport.abort()
        return "250 OK: message stored"

    def store(self, content):
        name = f"mail-{self.count:04d}.eml"
        partial = f"{self.maildir.rstrip('/')}.partial-{name}"
        with open(partial, "wb") as f:
            f.write(content)
        os.replace(partial, os.path.join(self.maildir, name))


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        if auth_data.login != user.encode() or auth_data.password != password.encode():
            return AuthResult(success=False, handled=False)
        session.login = (mechanism, user)
        return AuthResult(success=True)
    return check


def smtp_options(args):
    """The SMTP server's keyword arguments, and the context for --tls."""
    options = {}
    context = None
    if args.starttls or args.tls:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    if args.starttls:
        options.update(tls_context=context, require_starttls=True)
    if args.user:
        # Over --tls the whole connection is encrypted, which aiosmtpd does
        # not see; over --starttls it insists on STARTTLS first.
        options.update(authenticator=authenticator(args.user, args.password),
                       auth_required=True, auth_require_tls=not args.tls)
    return options, context if args.tls else None


async def serve(args):
    loop = asyncio.get_running_loop()
    handler = Capture(args.maildir, args.refuse, args.defer, args.drop_after_data)
    options, implicit_tls = smtp_options(args)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="smtp-sink", loop=loop, **options), "127.0.0.1",
        args.port, ssl=implicit_tls)
    print(f"ready {server.sockets[0].getsockname()[1]}", flush=True)
    async with server:
        await server.serve_forever()


def main():
    parser = argparse.ArgumentParser(description="SMTP capture server for tests")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--maildir", required=True)
    parser.add_argument("--refuse", default="")
    parser.add_argument("--defer", type=int, default=0)
    parser.add_argument("--drop-after-data", type=int, default=0)
    security = parser.add_mutually_exclusive_group()
    security.add_argument("--starttls", action="store_true")
    security.add_argument("--tls", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    args = parser.parse_args()
    # Over --tls aiosmtpd warns of a login it believes unencrypted.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    os.makedirs(args.maildir, exist_ok=True)
    try:
        asyncio.run(serve(args))
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
