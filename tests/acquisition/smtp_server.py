#!/usr/bin/python3
"""A loopback SMTP server for the mail tests, built on aiosmtpd.

It listens on 127.0.0.1 on a free port and writes into --dir:
  port          the port number, once it listens
  wire.bin      every byte the client sent, in order (commands, credentials, mail text)
  mail-N.eml    the text of each accepted mail as the server stored it (dot-unstuffed)
Like the public mail providers, it accepts AUTH LOGIN after a plain HELO.
--starttls: STARTTLS under a certificate for 127.0.0.1, its own CA (ca.pem); AUTH under TLS only.
"""
import argparse
import asyncio
import os
import ssl
import subprocess
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class WireLog:
    def __init__(self, reader, path):
        self._reader = reader
        self._path = path

    def _log(self, data):
        with open(self._path, 'ab') as f:
            f.write(data)
        return data

    async def readuntil(self, *args, **kwargs):
        return self._log(await self._reader.readuntil(*args, **kwargs))

    async def readline(self):
        return self._log(await self._reader.readline())

    async def read(self, *args, **kwargs):
        return self._log(await self._reader.read(*args, **kwargs))

    def __getattr__(self, name):
        return getattr(self._reader, name)


class Handler:
    def __init__(self, opts):
        self.opts = opts
        self.count = 0

    async def handle_HELO(self, server, session, envelope, hostname):
        session.host_name = hostname
        if self.opts.helo_lines > 1:
            lines = ['250-hello %d' % i for i in range(self.opts.helo_lines - 1)]
            return '\r\n'.join(lines + ['250 ' + server.hostname])
        return '250 ' + server.hostname

    async def handle_MAIL(self, server, session, envelope, address, options):
        if self.opts.mail_code:
            return '%d sender refused' % self.opts.mail_code
        envelope.mail_from = address
        return '250 OK'

    async def handle_RCPT(self, server, session, envelope, address, options):
        if address in self.opts.refuse_rcpt:
            return '550 5.1.1 mailbox unavailable'
        envelope.rcpt_tos.append(address)
        return '250 OK'

    async def handle_DATA(self, server, session, envelope):
        if self.opts.data_code:
            return '%d transaction failed' % self.opts.data_code
        path = os.path.join(self.opts.dir, 'mail-%d.eml' % self.count)
        self.count += 1
        with open(path, 'wb') as f:
            f.write(envelope.original_content)
        return '250 Message accepted'


class LoggingSMTP(SMTP):
    def __init__(self, opts, *args, **kwargs):
        self.opts = opts
        super().__init__(*args, **kwargs)

    def _client_connected_cb(self, reader, writer):
        super()._client_connected_cb(reader, writer)
        self._reader = WireLog(reader, os.path.join(self.opts.dir, 'wire.bin'))

    async def _handle_client(self):
        if self.opts.silent:
            await asyncio.sleep(3600)
            return
        if self.opts.greeting_delay > 0:
            await asyncio.sleep(self.opts.greeting_delay)
        for i in range(self.opts.greeting_lines - 1):
            self._writer.write(b'220-welcome line %d\r\n' % i)
        await super()._handle_client()

    async def smtp_EHLO(self, hostname):
        if self.opts.refuse_ehlo:
            return await self.push('502 5.5.1 command not implemented')
        await super().smtp_EHLO(hostname)

    async def smtp_HELO(self, hostname):
        await super().smtp_HELO(hostname)
        self.session.extended_smtp = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--dir', required=True)
    ap.add_argument('--user', default='alarm@example.com')
    ap.add_argument('--password', default='abcdefghijklmnop')
    ap.add_argument('--greeting-delay', type=float, default=0)
    ap.add_argument('--greeting-lines', type=int, default=1)
    ap.add_argument('--helo-lines', type=int, default=1)
    ap.add_argument('--silent', action='store_true')
    ap.add_argument('--mail-code', type=int, default=0)
    ap.add_argument('--data-code', type=int, default=0)
    ap.add_argument('--refuse-rcpt', action='append', default=[])
    ap.add_argument('--refuse-ehlo', action='store_true')
    ap.add_argument('--starttls', action='store_true')
    opts = ap.parse_args()

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (mechanism == 'LOGIN' and isinstance(auth_data, LoginPassword)
              and auth_data.login == opts.user.encode()
              and auth_data.password == opts.password.encode())
        return AuthResult(success=ok, handled=False)

    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH) if opts.starttls else None
    if tls:
        subprocess.run(('openssl req -x509 -nodes -newkey rsa:2048 -subj /CN=127.0.0.1 -addext '
                        'subjectAltName=IP:127.0.0.1 -keyout key.pem -out ca.pem').split(),
                       cwd=opts.dir, check=True, capture_output=True)
        tls.load_cert_chain(os.path.join(opts.dir, 'ca.pem'), os.path.join(opts.dir, 'key.pem'))
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = Handler(opts)
    server = loop.run_until_complete(loop.create_server(
        lambda: LoggingSMTP(opts, handler, hostname='mail.test', authenticator=authenticator,
                            auth_require_tls=bool(tls), tls_context=tls, decode_data=False,
                            loop=loop),
        host='127.0.0.1', port=0))
    port = server.sockets[0].getsockname()[1]
    tmp = os.path.join(opts.dir, 'port.tmp')
    with open(tmp, 'w') as f:
        f.write(str(port))
    os.replace(tmp, os.path.join(opts.dir, 'port'))
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
