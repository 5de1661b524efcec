#!/usr/bin/env python3
"""Certificates for running the host over https in tests: a test certificate
authority, server certificates it signs, and a self-signed one. Made with the
openssl command line tool (signing through `openssl ca`, which sets any
validity period, also one that has already ended). Keys are 2048-bit RSA,
unencrypted PEM; certificates are PEM, signed with SHA-256.

Functions (folder: an existing folder the files are written to; every
function returns a Pair(cert, key) of file paths; hosts: host names and IP
addresses, which become the subjectAltName "DNS:..." and "IP:..." entries, the
first one also the common name):

  make_ca(folder, stem='ca', common_name='Quillpost Test CA', days=3650)
      the authority: STEM.pem (self-signed, CA:TRUE, keyCertSign and
      cRLSign) and STEM.key.
  make_server_cert(folder, ca, stem='server', hosts=DEFAULT_HOSTS, days=30,
                   expired=False)
      a server certificate signed by the Pair ca (CA:FALSE, digitalSignature
      and keyEncipherment, extendedKeyUsage serverAuth): valid from an hour
      ago for `days` days, or with expired=True valid for `days` days that
      ended a day ago.
  make_self_signed_cert(folder, stem='self-signed', hosts=DEFAULT_HOSTS, days=30)
      a server certificate signed by its own key (no known authority).
  make_set(folder)
      all of them: {'ca', 'server' (localhost and 127.0.0.1), 'expired',
      'wrong_name' (only DNS:wrong.example), 'self_signed'} -> Pair.

Run as a program, `testca.py FOLDER` makes the set in FOLDER and prints the
files. The host takes a server certificate as
`qphost.py ... --tls-cert server.pem --tls-key server.key`; a client trusts
it through ca.pem.
"""

import collections
import datetime
import ipaddress
import os
import re
import subprocess
import sys
import tempfile

DEFAULT_HOSTS = ('localhost', '127.0.0.1')
WRONG_HOSTS = ('wrong.example',)

Pair = collections.namedtuple('Pair', 'cert key')

_CONFIG = """\
[ ca ]
default_ca = test_ca

[ test_ca ]
database = {work}/index.txt
new_certs_dir = {work}
rand_serial = yes
default_md = sha256
policy = any_name
unique_subject = no
email_in_dn = no
copy_extensions = none

[ any_name ]
commonName = supplied

[ req ]
distinguished_name = req_name

[ req_name ]

[ ca_ext ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash

[ server_ext ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
{authority}subjectAltName = {names}
"""


def _openssl(*args):
    done = subprocess.run(['openssl', *args], capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f'openssl {args[0]} failed: {done.stderr.strip()}')


def _alt_names(hosts):
    names = []
    for host in hosts:
        try:
            names.append(f'IP:{ipaddress.ip_address(host)}')
        except ValueError:
            if not re.fullmatch(r'[A-Za-z0-9*]([A-Za-z0-9.-]*[A-Za-z0-9])?', host):
                raise ValueError(f'not a host name or IP address: {host!r}')
            names.append(f'DNS:{host}')
    if not names:
        raise ValueError('give at least one host')
    return ', '.join(names)


def _time(moment):
    return moment.astimezone(datetime.timezone.utc).strftime('%Y%m%d%H%M%SZ')


def _issue(folder, stem, common_name, extensions, start, end, ca=None, hosts=()):
    """Writes STEM.key and STEM.pem: a new key and a certificate for it,
    signed by ca (a Pair) or, without one, by the new key itself."""
    pair = Pair(os.path.join(folder, f'{stem}.pem'), os.path.join(folder, f'{stem}.key'))
    with tempfile.TemporaryDirectory() as work:
        config = os.path.join(work, 'openssl.cnf')
        with open(config, 'w') as f:
            f.write(_CONFIG.format(work=work, names=_alt_names(hosts) if hosts else '',
                                   authority='authorityKeyIdentifier = keyid\n' if ca else ''))
        open(os.path.join(work, 'index.txt'), 'w').close()
        request = os.path.join(work, 'request.csr')
        _openssl('genpkey', '-algorithm', 'RSA', '-pkeyopt', 'rsa_keygen_bits:2048',
                 '-out', pair.key)
        _openssl('req', '-new', '-config', config, '-key', pair.key,
                 '-subj', '/CN=' + common_name.replace('/', '\\/'), '-out', request)
        signer = ['-cert', ca.cert, '-keyfile', ca.key] if ca else ['-selfsign', '-keyfile',
                                                                    pair.key]
        _openssl('ca', '-batch', '-notext', '-config', config, '-in', request, '-out', pair.cert,
                 '-extensions', extensions, '-startdate', _time(start), '-enddate', _time(end),
                 *signer)
    return pair


def make_ca(folder, stem='ca', common_name='Quillpost Test CA', days=3650):
    now = datetime.datetime.now(datetime.timezone.utc)
    return _issue(folder, stem, common_name, 'ca_ext', now - datetime.timedelta(hours=1),
                  now + datetime.timedelta(days=days))


def _validity(days, expired):
    now = datetime.datetime.now(datetime.timezone.utc)
    if expired:
        end = now - datetime.timedelta(days=1)
        return end - datetime.timedelta(days=days), end
    return now - datetime.timedelta(hours=1), now + datetime.timedelta(days=days)


def make_server_cert(folder, ca, stem='server', hosts=DEFAULT_HOSTS, days=30, expired=False):
    start, end = _validity(days, expired)
    return _issue(folder, stem, hosts[0], 'server_ext', start, end, ca, hosts)


def make_self_signed_cert(folder, stem='self-signed', hosts=DEFAULT_HOSTS, days=30):
    start, end = _validity(days, False)
    return _issue(folder, stem, hosts[0], 'server_ext', start, end, None, hosts)


def make_set(folder):
    ca = make_ca(folder)
    return {'ca': ca,
            'server': make_server_cert(folder, ca),
            'expired': make_server_cert(folder, ca, 'expired', expired=True),
            'wrong_name': make_server_cert(folder, ca, 'wrong-name', WRONG_HOSTS),
            'self_signed': make_self_signed_cert(folder)}


def main(argv):
    if len(argv) != 1:
        print('usage: testca.py FOLDER', file=sys.stderr)
        return 2
    os.makedirs(argv[0], exist_ok=True)
    for name, pair in make_set(argv[0]).items():
        print(f'{name}: {pair.cert} {pair.key}')
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
