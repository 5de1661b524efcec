"""The stand-in host's mailbox model: accounts, folders, messages.

Kept apart from the HTTP side so that the SOAP service, the pages and the
admin interface all act on the same state. Every change holds one lock: the
server answers requests on several threads, and a SOAP operation that reads
and changes several things holds the lock for its whole run.
"""

import itertools
import re
import threading
import time

DEFAULT_CLIENT_VERSION = 4
SYSTEM_FOLDERS = ('INBOX', 'Trash', 'Spam')


# Where a new mailbox's header numbers start.
FIRST_HEADER_NUM = 1000


class Message:
    def __init__(self, uid, header_num, sender, display, email, subject, body, folder):
        self.uid = uid
        self.header_num = header_num
        self.sender = sender
        self.display = display
        self.email = email
        self.subject = subject
        self.body = body
        self.folder = folder
        self.unread = True
        self.spam = False
        self.recallable = False
        self.received = int(time.time())

    def summary(self):
        return {'uid': self.uid, 'header_num': self.header_num, 'from': self.sender,
                'from_display': self.display, 'from_email': self.email,
                'subject': self.subject, 'body': self.body, 'folder': self.folder,
                'unread': self.unread, 'spam': self.spam, 'recallable': self.recallable}


def split_sender(sender, display=None):
    """Display name and address of a From text such as 'Ann <ann@x.example>'."""
    match = re.fullmatch(r'\s*"?([^"<]*?)"?\s*<([^>]*)>\s*', sender)
    if match:
        return (display if display is not None else match.group(1)), match.group(2)
    return (display if display is not None else sender), sender


class Account:
    def __init__(self, address, password, status='active'):
        self.address = address
        self.password = password
        self.status = status
        self.folders = {name: [] for name in SYSTEM_FOLDERS}
        self.preferences = {}
        self.watched = {}  # host key -> set of folder paths
        # Header numbers count deliveries to this mailbox; they never go back,
        # so a client's stored number stays meaningful across deletions. They
        # start where a mailbox with a history would be: the notifier reads a
        # header number of 0 as "never asked", so a mailbox that answered 0
        # would have its first message learned, never announced.
        self.header_counter = FIRST_HEADER_NUM

    def messages(self, folder):
        return self.folders.setdefault(folder, [])

    def find(self, path, uid):
        for message in self.folders.get(path, ()):
            if message.uid == uid:
                return message
        return None

    def move(self, message, folder):
        self.folders[message.folder].remove(message)
        message.folder = folder
        self.messages(folder).append(message)

    def purge(self, message):
        self.folders[message.folder].remove(message)

    def unread_inbox(self):
        return [m for m in self.folders['INBOX'] if m.unread]

    def preference(self, name, default):
        return self.preferences.get(name, default)

    def describe(self):
        return {'address': self.address, 'status': self.status,
                'header_counter': self.header_counter,
                'folders': {name: len(msgs) for name, msgs in self.folders.items()},
                'unread': {name: sum(m.unread for m in msgs)
                           for name, msgs in self.folders.items()},
                'preferences': dict(self.preferences),
                'watched': {key: sorted(paths) for key, paths in self.watched.items()}}


class Model:
    def __init__(self):
        self.lock = threading.RLock()
        self.accounts = {}
        self.client_version = DEFAULT_CLIENT_VERSION
        # What the page-address operations answer instead of the host's own
        # pages (a hostile service, for the hand-off's scenarios); None: own.
        self.page_url = None
        self._uids = itertools.count(1)

    def add_account(self, address, password, status='active'):
        """Adds an account, or changes the password and status of an existing
        one and keeps its mailbox."""
        if not isinstance(address, str) or '@' not in address:
            raise ValueError('address must be an e-mail address')
        if not isinstance(password, str):
            raise ValueError('password must be a string')
        if not isinstance(status, str) or not status:
            raise ValueError('status must be a non-empty string')
        with self.lock:
            account = self.accounts.get(address.lower())
            if account is None:
                account = Account(address.lower(), password, status)
                self.accounts[account.address] = account
            else:
                account.password, account.status = password, status
            return account

    def account(self, address):
        with self.lock:
            return self.accounts.get(str(address).lower())

    def authenticate(self, address, password):
        """The account when address and password match, else None. Addresses
        compare without case, passwords exactly."""
        if address is None or password is None:
            return None
        with self.lock:
            account = self.accounts.get(address.lower())
            if account is None or account.password != password:
                return None
            return account

    def deliver(self, to, sender, subject, body, folder='INBOX', display=None, received=None):
        with self.lock:
            account = self.account(to)
            if account is None:
                raise KeyError('no account ' + str(to))
            account.header_counter += 1
            name, email = split_sender(sender, display)
            message = Message(str(next(self._uids)), account.header_counter, sender, name,
                              email, subject, body, folder)
            if received is not None:
                message.received = received
            account.messages(folder).append(message)
            return message

    def set_page_url(self, url):
        if url is not None and not isinstance(url, str):
            raise ValueError('url must be a string or null')
        with self.lock:
            self.page_url = url

    def set_client_version(self, version):
        if not isinstance(version, int) or isinstance(version, bool):
            raise ValueError('version must be an integer')
        with self.lock:
            self.client_version = version

    def set_preference(self, address, name, value):
        if not isinstance(name, str) or not isinstance(value, str):
            raise ValueError('name and value must be strings')
        with self.lock:
            account = self.account(address)
            if account is None:
                raise KeyError('no account ' + str(address))
            account.preferences[name] = value

    def describe_accounts(self):
        with self.lock:
            return [a.describe() for a in self.accounts.values()]

    def describe_messages(self, address):
        with self.lock:
            account = self.account(address)
            if account is None:
                raise KeyError('no account ' + str(address))
            return {name: [m.summary() for m in msgs]
                    for name, msgs in account.folders.items()}
