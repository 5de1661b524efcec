"""What the host's request handling shares: its HTML pages and the ways a
request ends without the usual answer."""

import html


def page(title, content):
    return (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>{html.escape(title)}'
            f'</title></head><body><h1>{html.escape(title)}</h1>{content}</body></html>'
            ).encode('utf-8')


class DropConnection(Exception):
    """Ends the request without an answer, as a crashed server would."""


class Abandoned(Exception):
    """The client ended its request before the whole body came."""

    def __init__(self, received):
        super().__init__(received)
        self.received = received
