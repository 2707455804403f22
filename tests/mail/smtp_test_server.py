#!/usr/bin/python3
"""An SMTP server on a free loopback port for the e-mail tests, built on aiosmtpd.

Prints "PORT <n>" once it listens, then serves until its standard input closes (or five
minutes pass). Each message it accepts is parsed with the email package and written as
message-<n>.json in --dir: the envelope, the EHLO name, whether the session was encrypted and
who logged in, every header decoded, the body's bytes (Base64) and its text. The verb of
every command it receives is appended to commands.txt in --dir, one a line. With
--digest-only a message of any size is taken and recorded by the size and SHA-256 of its
decoded body instead of its parts.

--make-cert DIR writes a certificate authority (ca.pem) and a server certificate for
127.0.0.1 that it signed (server.pem, server.key) into DIR, and exits.
"""
import argparse
import warnings
import asyncio
import base64
import email
import email.policy
import hashlib
import json
import os
import select
import socket
import ssl
import subprocess
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def make_certificates(folder):
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)

    ca_key, ca = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    key, csr = os.path.join(folder, "server.key"), os.path.join(folder, "server.csr")
    cert, ext = os.path.join(folder, "server.pem"), os.path.join(folder, "server.ext")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca,
            "-days", "2", "-subj", "/CN=Tallyscan test authority")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr,
            "-subj", "/CN=127.0.0.1")
    with open(ext, "w") as f:
        f.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "extendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial",
            "-out", cert, "-days", "2", "-extfile", ext)


class Recorder:
    def __init__(self, folder, digest_only):
        self.folder = folder
        self.digest_only = digest_only
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        content = envelope.original_content
        auth = session.auth_data
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "helo": session.host_name,
            "tls": server.transport.get_extra_info("ssl_object") is not None,
            "login": auth.login.decode() if isinstance(auth, LoginPassword) else None,
            "longest_line": max(len(l) for l in content.split(b"\r\n")),
        }
        if self.digest_only:
            body = base64.b64decode(content[content.index(b"\r\n\r\n") + 4:])
            record["body_size"] = len(body)
            record["body_sha256"] = hashlib.sha256(body).hexdigest()
        else:
            message = email.message_from_bytes(content, policy=email.policy.default)
            part = message.get_payload(decode=True) or b""
            record.update({
                "headers": {name: str(value) for name, value in message.items()},
                "content_type": message.get_content_type(),
                "charset": message.get_content_charset(),
                "body_base64": base64.b64encode(part).decode(),
                "body_text": message.get_content(),
            })
        self.count += 1
        path = os.path.join(self.folder, "message-%d.json" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(path + ".tmp", path)
        return "250 OK"


class Checker:
    def __init__(self, user, password):
        self.user, self.password = user.encode(), password.encode()

    def __call__(self, server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == self.user
              and auth_data.password == self.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)


class TestSMTP(SMTP):
    refuse_ehlo = False
    drop_in_data = False
    command_log = None

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        for verb, method in list(self._smtp_methods.items()):
            self._smtp_methods[verb] = self._logged(verb, method)

    def _logged(self, verb, method):
        async def call(arg):
            with open(self.command_log, "a") as f:
                f.write(verb + "\n")
            return await method(arg)
        return call

    async def smtp_EHLO(self, hostname):
        if self.refuse_ehlo:
            await self.push("502 5.5.1 EHLO not implemented")
            return
        await super().smtp_EHLO(hostname)

    async def smtp_DATA(self, arg):
        if not self.drop_in_data:
            return await super().smtp_DATA(arg)
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        await self._reader.readline()
        self.transport.close()


class TestController(Controller):
    def factory(self):
        return TestSMTP(self.handler, **self.SMTP_kwargs)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    warnings.simplefilter("ignore", DeprecationWarning)
    parser = argparse.ArgumentParser()
    parser.add_argument("--make-cert")
    parser.add_argument("--dir")
    parser.add_argument("--cert-dir", help="serve TLS with server.pem/server.key from here")
    parser.add_argument("--implicit-tls", action="store_true")
    parser.add_argument("--auth", help="USER:PASSWORD")
    parser.add_argument("--plain-only", action="store_true")
    parser.add_argument("--auth-without-tls", action="store_true")
    parser.add_argument("--refuse-ehlo", action="store_true")
    parser.add_argument("--drop-in-data", action="store_true")
    parser.add_argument("--digest-only", action="store_true")
    parser.add_argument("--port", type=int, default=0, help="0: a free one")
    args = parser.parse_args()
    if args.make_cert:
        make_certificates(args.make_cert)
        return

    kwargs = {"auth_require_tls": not args.auth_without_tls}
    if args.digest_only:
        kwargs["data_size_limit"] = None
    context = None
    if args.cert_dir:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(os.path.join(args.cert_dir, "server.pem"),
                                os.path.join(args.cert_dir, "server.key"))
        if not args.implicit_tls:
            kwargs["tls_context"] = context
    if args.auth:
        user, password = args.auth.split(":", 1)
        kwargs["authenticator"] = Checker(user, password)
        kwargs["auth_required"] = True
        if args.plain_only:
            kwargs["auth_exclude_mechanism"] = ["LOGIN"]
    TestSMTP.refuse_ehlo = args.refuse_ehlo
    TestSMTP.drop_in_data = args.drop_in_data
    TestSMTP.command_log = os.path.join(args.dir, "commands.txt")
    controller = TestController(Recorder(args.dir, args.digest_only), hostname="127.0.0.1", port=args.port or free_port(),
                                ssl_context=context if args.implicit_tls else None, **kwargs)
    controller.start()
    print("PORT %d" % controller.port, flush=True)
    deadline = time.monotonic() + 300
    while time.monotonic() < deadline:
        ready, _, _ = select.select([sys.stdin], [], [], 1.0)
        if ready and not sys.stdin.buffer.read1(4096):
            break
    controller.stop()


if __name__ == "__main__":
    main()
