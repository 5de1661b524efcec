#!/usr/bin/env python3
"""Writes control/downloads/upcase_table.h: how the file system upper-cases the UTF-16
units of a name when it compares names without regard to case.

Each unit of the Basic Multilingual Plane maps to its simple uppercase
letter (the one-letter mapping of the Unicode character database; letters
whose uppercase is several letters, like U+00DF, stay as they are) when that
letter's lowercase is the unit again.
Surrogates stay as they are: names are compared unit by unit, so letters
beyond the plane are not folded. The mappings are stored as runs of units
that step by one or by two and move by the same distance.

The table follows the Unicode version of the Python that writes it, named in
the file. To check that the committed file matches (with the same version):
    scripts/gen_upcase_table.py --check
"""

import os
import sys
import unicodedata

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'control', 'downloads', 'upcase_table.h')


def simple_upper(unit):
    ch = chr(unit)
    upper = ch.upper()
    if len(upper) != 1:
        # Python gives the full mapping; where that is several letters the
        # simple one, when there is one, is the title-case letter.
        upper = ch.title()
    return ord(upper) if len(upper) == 1 else unit


def simple_lower(unit):
    lower = chr(unit).lower()
    return ord(lower) if len(lower) == 1 else unit


def mappings():
    """Units and their uppercase letters, where the mapping goes both ways:
    the system leaves a letter as it is when the uppercase letter's own
    lowercase is another (U+00B5 micro sign, U+0131 dotless i, U+017F long
    s, U+03C2 final sigma, title-case digraphs), so that no two lowercase
    letters meet in one uppercase letter."""
    pairs = []
    for unit in range(0x10000):
        if 0xD800 <= unit <= 0xDFFF:
            continue
        upper = simple_upper(unit)
        if upper != unit and simple_lower(upper) == unit:
            pairs.append((unit, upper))
    return pairs


def runs(pairs):
    """(first, last, step, delta): every step-th unit from first to last moves by delta."""
    result = []
    i = 0
    while i < len(pairs):
        first, upper = pairs[i]
        delta = upper - first
        best = (first, first, 1, delta)
        for step in (1, 2):
            last = first
            j = i + 1
            while j < len(pairs) and pairs[j][0] == last + step and pairs[j][1] - pairs[j][0] == delta:
                last = pairs[j][0]
                j += 1
            if last > best[1]:
                best = (first, last, step, delta)
        result.append(best)
        i += (best[1] - first) // best[2] + 1
    return result


def render():
    lines = [
        '// Written by scripts/gen_upcase_table.py from the Unicode %s character'
        % unicodedata.unidata_version,
        '// database: do not edit.',
        '#pragma once',
        '',
        '#include <cstdint>',
        '',
        'namespace gwax::upcase_table {',
        '',
        '// Every `step`-th unit from `first` to `last` moves by `delta`.',
        'struct Run {',
        '  char16_t first;',
        '  char16_t last;',
        '  uint8_t step;',
        '  int32_t delta;',
        '};',
        '',
        'inline constexpr Run kRuns[] = {',
    ]
    table = runs(mappings())
    for first, last, step, delta in table:
        lines.append('    {0x%04X, 0x%04X, %d, %d},' % (first, last, step, delta))
    lines += [
        '};',
        '',
        '// Units that have an uppercase letter of their own.',
        'inline constexpr unsigned kMappedUnits = %d;' % len(mappings()),
        '',
        '}  // namespace gwax::upcase_table',
        '',
    ]
    return '\n'.join(lines)


def main():
    text = render()
    if sys.argv[1:] == ['--check']:
        with open(OUT, encoding='utf-8') as f:
            if f.read() != text:
                print('control/downloads/upcase_table.h does not match its generator', file=sys.stderr)
                return 1
        return 0
    with open(OUT, 'w', encoding='utf-8') as f:
        f.write(text)
    return 0


if __name__ == '__main__':
    sys.exit(main())
