"""The stand-in host's mailbox model: accounts, folders, messages.

Kept apart from the HTTP side so that the SOAP service, the pages and the
admin interface all act on the same state. Every change holds one lock: the
server answers requests on several threads.
"""

import itertools
import threading
import time

DEFAULT_CLIENT_VERSION = 4


class Message:
    def __init__(self, uid, header_num, sender, subject, body, folder):
        self.uid = uid
        self.header_num = header_num
        self.sender = sender
        self.subject = subject
        self.body = body
        self.folder = folder
        self.unread = True
        self.spam = False
        self.received = int(time.time())

    def summary(self):
        return {'uid': self.uid, 'header_num': self.header_num, 'from': self.sender,
                'subject': self.subject, 'folder': self.folder, 'unread': self.unread,
                'spam': self.spam}


class Account:
    def __init__(self, address, password, status='active'):
        self.address = address
        self.password = password
        self.status = status
        self.folders = {'INBOX': [], 'Trash': [], 'Spam': []}
        self.preferences = {}
        self.watched = {}  # host key -> set of folder names

    def messages(self, folder):
        return self.folders.setdefault(folder, [])


class Model:
    def __init__(self):
        self.lock = threading.RLock()
        self.accounts = {}
        self.header_counter = 0
        self.client_version = DEFAULT_CLIENT_VERSION
        self._uids = itertools.count(1)

    def add_account(self, address, password, status='active'):
        if not isinstance(address, str) or '@' not in address:
            raise ValueError('address must be an e-mail address')
        if not isinstance(password, str):
            raise ValueError('password must be a string')
        with self.lock:
            account = Account(address.lower(), password, status)
            self.accounts[account.address] = account
            return account

    def account(self, address):
        with self.lock:
            return self.accounts.get(str(address).lower())

    def deliver(self, to, sender, subject, body, folder='INBOX'):
        with self.lock:
            account = self.account(to)
            if account is None:
                raise KeyError('no account ' + str(to))
            self.header_counter += 1
            message = Message(str(next(self._uids)), self.header_counter, sender, subject, body,
                              folder)
            account.messages(folder).append(message)
            return message

    def set_client_version(self, version):
        if not isinstance(version, int) or isinstance(version, bool):
            raise ValueError('version must be an integer')
        with self.lock:
            self.client_version = version

    def describe_accounts(self):
        with self.lock:
            return [{'address': a.address, 'status': a.status,
                     'folders': {name: len(msgs) for name, msgs in a.folders.items()}}
                    for a in self.accounts.values()]
