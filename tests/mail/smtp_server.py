#!/usr/bin/python3
"""A real SMTP server for the mail tests, on 127.0.0.1 (aiosmtpd): STARTTLS required, then AUTH
(PLAIN or LOGIN) with the one user and password given. Each accepted message is written to the
folder as NNNN.eml, its envelope beside it as NNNN.json. Recipients named with --refuse are
refused (550). Prints the port it listens on, then serves until SIGTERM."""
import argparse
import asyncio
import json
import os
import signal
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

p = argparse.ArgumentParser()
p.add_argument("--dir", required=True)
p.add_argument("--cert", required=True)
p.add_argument("--key", required=True)
p.add_argument("--user", required=True)
p.add_argument("--password", required=True)
p.add_argument("--refuse", action="append", default=[])
p.add_argument("--port", type=int, default=0)
args = p.parse_args()


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower() in (a.lower() for a in args.refuse):
            return "550 5.1.1 mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        n = len([f for f in os.listdir(args.dir) if f.endswith(".eml")])
        base = os.path.join(args.dir, "%04d" % n)
        with open(base + ".json", "w") as f:
            json.dump({"from": envelope.mail_from, "to": envelope.rcpt_tos,
                       "tls": session.ssl is not None,
                       "user": session.auth_data.login.decode() if session.auth_data else None},
                      f)
        # The message last: a reader that sees it sees its envelope too.
        with open(base + ".tmp", "wb") as f:
            f.write(envelope.original_content)
        os.rename(base + ".tmp", base + ".eml")
        return "250 2.0.0 accepted"


def authenticate(server, session, envelope, mechanism, auth_data):
    ok = (isinstance(auth_data, LoginPassword) and auth_data.login == args.user.encode()
          and auth_data.password == args.password.encode())
    return AuthResult(success=ok, auth_data=auth_data if ok else None)


async def main():
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert, args.key)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(Handler(), hostname="localhost", tls_context=context, require_starttls=True,
                     authenticator=authenticate, auth_required=True, auth_require_tls=True),
        "127.0.0.1", args.port)
    print(server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    loop.add_signal_handler(signal.SIGTERM, stop.set)
    await stop.wait()
    server.close()


asyncio.run(main())
