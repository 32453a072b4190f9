#!/usr/bin/env python3
"""accent-check.py BUILD [WORK]

Accented queries on a real Western-European corpus: every spelling of a query must find the same
articles. The corpus is Debian's translated manual pages (/usr/share/man/de, fr, sv, ...), up to
40 pages a language, those that convert to Windows-1252 whole. BUILD's tarvik indexes and copies
it twice, the usual way and with --ignore-accents; BUILD's kpxsearch then asks 200 accented words
and two-word phrases taken from the articles, each as written (small letters), in capitals, with
a capital first letter, and, in the accent-free set, each of those without its accents, in prefix
and in whole-word mode. It prints how many queries some spelling answers differently, and checks
the one-word answers against a model of the index (the articles that hold a word which, folded
with the set's table, equals the folded query or begins with it).

Exit status 0 when every spelling agrees and the model holds; 1 otherwise.
With --old BUILD is a build without the fold record: only the usual set is made, and the model is
not checked (its search folds a..z only)."""
import gzip
import os
import re
import subprocess
import sys
import tempfile

LANGUAGES = ['de', 'fr', 'sv', 'pt', 'nl', 'it', 'pt_BR', 'da', 'es', 'fi', 'nb']
PAGES_PER_LANGUAGE = 40

# The two Windows-1252 tables, written from their rules (platform/code_page.h).
CAPITALS = list(range(256))
for c in range(ord('a'), ord('z') + 1):
    CAPITALS[c] = c - 32
CAPITALS[0x9A], CAPITALS[0x9C], CAPITALS[0x9E], CAPITALS[0xFF] = 0x8A, 0x8C, 0x8E, 0x9F
for c in range(0xE0, 0xFF):
    if c != 0xF7:
        CAPITALS[c] = c - 0x20
WITHOUT_ACCENT = {}
for (low, high), letter in [((0xC0, 0xC5), 'A'), ((0xC7, 0xC7), 'C'), ((0xC8, 0xCB), 'E'),
                            ((0xCC, 0xCF), 'I'), ((0xD0, 0xD0), 'D'), ((0xD1, 0xD1), 'N'),
                            ((0xD2, 0xD6), 'O'), ((0xD8, 0xD8), 'O'), ((0xD9, 0xDC), 'U'),
                            ((0xDD, 0xDD), 'Y'), ((0x9F, 0x9F), 'Y'), ((0x8A, 0x8A), 'S'),
                            ((0x8E, 0x8E), 'Z')]:
    for c in range(low, high + 1):
        WITHOUT_ACCENT[c] = ord(letter)
ACCENT_FREE = [WITHOUT_ACCENT.get(CAPITALS[b], CAPITALS[b]) for b in range(256)]
SMALL = {CAPITALS[b]: b for b in range(256) if CAPITALS[b] != b}


def upper(word): return bytes(CAPITALS[b] for b in word)
def lower(word): return bytes(SMALL.get(b, b) for b in word)
def title(word): return upper(word[:1]) + lower(word[1:])
def accented(word): return any(ACCENT_FREE[b] != CAPITALS[b] for b in word)


def unaccented(word):
    """Each accented letter as its letter without accent, in its own case."""
    out = []
    for b in word:
        plain = ACCENT_FREE[b]
        out.append(b if plain == CAPITALS[b] else plain if CAPITALS[b] == b else plain + 32)
    return bytes(out)


def make_corpus(root):
    os.makedirs(os.path.join(root, 'articles'), exist_ok=True)
    names = []
    for language in LANGUAGES:
        directory = os.path.join('/usr/share/man', language)
        pages = sorted(os.path.join(d, f) for d, _, files in os.walk(directory)
                       for f in files if f.endswith('.gz'))
        taken = 0
        for page in pages:
            if taken == PAGES_PER_LANGUAGE:
                break
            try:
                text = gzip.open(page).read().decode('utf-8').encode('cp1252')
            except (OSError, UnicodeError):
                continue
            name = '%s_%s.txt' % (language, os.path.basename(page)[:-3])
            with open(os.path.join(root, 'articles', name), 'wb') as out:
                out.write(text)
            names.append(name)
            taken += 1
    with open(os.path.join(root, 'listing.txt'), 'w') as listing:
        listing.write(''.join(name + '\n' for name in names))
    return names


def queries(root, names):
    letter = rb'[A-Za-z\x8a\x8c\x8e\x9a\x9c\x9e\x9f\xc0-\xd6\xd8-\xf6\xf8-\xff]'
    words, phrases = set(), set()
    for name in names:
        text = open(os.path.join(root, 'articles', name), 'rb').read()
        words |= {lower(t) for t in re.findall(letter + b'{3,}', text) if accented(t)}
        pair = b'(?<![^ \\n])(' + letter + b'{3,}) (' + letter + b'{3,})(?![^ \\n])'
        phrases |= {lower(a + b' ' + b) for a, b in re.findall(pair, text)
                    if accented(a) or accented(b)}
    words, phrases = sorted(words), sorted(phrases)
    pick = lambda items, n: [items[i * len(items) // n] for i in range(min(n, len(items)))]
    return pick(words, 160) + pick(phrases, 40)


def main():
    args = [a for a in sys.argv[1:] if a != '--old']
    old = '--old' in sys.argv
    if not args:
        sys.exit(__doc__)
    build = os.path.abspath(args[0])
    work = args[1] if len(args) > 1 else tempfile.mkdtemp(prefix='accent-check-')
    tarvik = os.path.join(build, 'preproc/cli/tarvik')
    kpxsearch = os.path.join(build, 'xtra/kpxsearch/kpxsearch')
    names = make_corpus(os.path.join(work, 'corpus'))
    common = ['--listing', os.path.join(work, 'corpus/listing.txt'),
              '--articles', os.path.join(work, 'corpus/articles')]

    def run(*arguments):
        result = subprocess.run(arguments, capture_output=True)
        if result.returncode not in (0, 1):
            sys.exit('%s failed: %s' % (arguments[0], result.stderr.decode(errors='replace')))
        return result

    sets = {'usual': (os.path.join(work, 'index'), [], CAPITALS)}
    if not old:
        sets['accent-free'] = (os.path.join(work, 'index-af'), ['--ignore-accents'], ACCENT_FREE)
    for index, options, _ in sets.values():
        run(tarvik, 'index', *common, *options, '--index', index, '--log', index + '.log')
    copies = os.path.join(work, 'copies')
    run(tarvik, 'copy', *common, '--copy', copies, '--log', copies + '.log')

    def answer(index, phrase, whole):
        mode = ['--whole-word'] if whole else []
        out = run(kpxsearch, '--index', index, '--articles', copies, '--list', *mode, '--',
                  phrase).stdout.split()
        return [int(n) for n in out[1:]]

    asked = queries(os.path.join(work, 'corpus'), names)
    tokens = []
    for name in names:
        text = open(os.path.join(work, 'corpus/articles', name), 'rb').read().split(b'\0')[0]
        tokens.append(set(re.split(rb'[\t\n\v\f\r ]+', text)) - {b''})
    print('%d articles in %d languages; %d queries (%d words, %d phrases)'
          % (len(names), len(LANGUAGES), len(asked), sum(b' ' not in q for q in asked),
             sum(b' ' in q for q in asked)))
    failed = False
    for kind, (index, _, table) in sets.items():
        differ = found = wrong = 0
        fold = lambda w: bytes(table[b] for b in w)
        folded = [{fold(t) for t in ts} for ts in tokens]
        for q in asked:
            spellings = [q, upper(q), title(q)]
            if kind == 'accent-free':
                spellings += [unaccented(s) for s in spellings]
            disagree = False
            for whole in (False, True):
                answers = [answer(index, s, whole) for s in spellings]
                disagree |= any(a != answers[0] for a in answers)
                found += bool(answers[0])
                if old or b' ' in q:
                    continue
                model = [i + 1 for i, ts in enumerate(folded)
                         if any(t == fold(q) if whole else t.startswith(fold(q)) for t in ts)]
                wrong += answers[0] != [a for a in model if a <= 2500]
            differ += disagree
        print('%s set: %d of %d queries answer differently in some spelling (%d spellings each, '
              'both word modes); %d of %d answers as written find something'
              % (kind, differ, len(asked), len(spellings), found, 2 * len(asked)))
        if not old:
            print('%s set: %d one-word answers differ from the model' % (kind, wrong))
        failed |= differ > 0 or wrong > 0
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
