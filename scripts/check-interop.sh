#!/usr/bin/env bash
# Opens what the editor's RTF writer writes in LibreOffice and compares.
# The round-trip test writes every document it saves (built ones and each
# corpus file loaded and saved again) with its text and formatting; each
# file is converted to .fodt by LibreOffice headless and checked for the
# same paragraphs and text, fonts (the Chinese font for Chinese text),
# sizes, bold, italic, underline, strike, colours, super/subscript,
# alignment, indents, tables, lists and pictures. Needs LibreOffice
# (installed with apt-get when missing); not part of the test suite.
#   scripts/check-interop.sh [build folder]
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(readlink -f "${1:-$top/build}")
test_program="$build/tests/tst_rtfroundtrip"

if ! command -v soffice >/dev/null; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends libreoffice-writer-nogui
fi
[ -x "$test_program" ] || cmake --build "$build" --target tst_rtfroundtrip

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen

# The test's own verdict is not this script's business; it only has to
# leave its files behind.
(cd "$top" && BILAN_RTF_EXPORT="$work/written" "$test_program" roundTrip corpus >"$work/test.log" 2>&1) || true
ls "$work"/written/*.rtf >/dev/null 2>&1 || { echo "check-interop: the test wrote no files" >&2; cat "$work/test.log" >&2; exit 1; }

soffice -env:UserInstallation="file://$work/profile" --headless --convert-to fodt \
    --outdir "$work/fodt" "$work"/written/*.rtf >/dev/null 2>&1

python3 - "$work/written" "$work/fodt" <<'PYTHON'
import os, re, sys
import xml.etree.ElementTree as ET

written, converted = sys.argv[1], sys.argv[2]
NS = {
    'office': 'urn:oasis:names:tc:opendocument:xmlns:office:1.0',
    'style': 'urn:oasis:names:tc:opendocument:xmlns:style:1.0',
    'text': 'urn:oasis:names:tc:opendocument:xmlns:text:1.0',
    'table': 'urn:oasis:names:tc:opendocument:xmlns:table:1.0',
    'draw': 'urn:oasis:names:tc:opendocument:xmlns:drawing:1.0',
    'fo': 'urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0',
    'svg': 'urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0',
}
def q(name):
    prefix, local = name.split(':')
    return '{%s}%s' % (NS[prefix], local)

def twips(length):
    if not length:
        return 0
    m = re.match(r'(-?[0-9.]+)(in|cm|mm|pt)', length)
    value, unit = float(m.group(1)), m.group(2)
    return value * {'in': 1440, 'cm': 1440 / 2.54, 'mm': 144 / 2.54, 'pt': 20}[unit]

def chinese(ch):
    return 0x2e80 <= ord(ch) <= 0x9fff or 0xf900 <= ord(ch) <= 0xfaff or 0xff00 <= ord(ch) <= 0xffef \
        or 0x3000 <= ord(ch) <= 0x303f or ord(ch) >= 0x20000

class Styles:
    def __init__(self, root):
        self.faces = {f.get(q('style:name')): f.get(q('svg:font-family')).strip("'")
                      for f in root.iter(q('style:font-face'))}
        self.styles = {}
        self.defaults = {}
        for s in root.iter(q('style:style')):
            self.styles[(s.get(q('style:family')), s.get(q('style:name')))] = s
        for d in root.iter(q('style:default-style')):
            self.defaults[d.get(q('style:family'))] = d

    def chain(self, family, name):
        seen = 0
        while name and seen < 20:
            s = self.styles.get((family, name))
            if s is None:
                break
            yield s
            name = s.get(q('style:parent-style-name'))
            seen += 1

    def text_property(self, span_style, para_style, attribute):
        sources = list(self.chain('text', span_style)) + list(self.chain('paragraph', para_style))
        if 'paragraph' in self.defaults:
            sources.append(self.defaults['paragraph'])
        for s in sources:
            for props in s.findall(q('style:text-properties')):
                if props.get(attribute) is not None:
                    return props.get(attribute)
        return None

    def paragraph_property(self, para_style, attribute):
        for s in self.chain('paragraph', para_style):
            for props in s.findall(q('style:paragraph-properties')):
                if props.get(attribute) is not None:
                    return props.get(attribute)
        return None

def character_format(styles, span_style, para_style, ch):
    asian = chinese(ch)
    def prop(western, eastern):
        return styles.text_property(span_style, para_style, eastern if asian else western)
    face = prop(q('style:font-name'), q('style:font-name-asian'))
    size = prop(q('fo:font-size'), q('style:font-size-asian'))
    color = styles.text_property(span_style, para_style, q('fo:color'))
    if styles.text_property(span_style, para_style, q('style:use-window-font-color')) == 'true' and \
            styles.text_property(span_style, None, q('fo:color')) is None:
        color = None
    background = styles.text_property(span_style, para_style, q('fo:background-color'))
    position = styles.text_property(span_style, para_style, q('style:text-position')) or ''
    return {
        'font': styles.faces.get(face, face),
        'size': round(twips(size) / 20, 1) if size else None,
        'bold': prop(q('fo:font-weight'), q('style:font-weight-asian')) == 'bold',
        'italic': prop(q('fo:font-style'), q('style:font-style-asian')) == 'italic',
        'underline': (styles.text_property(span_style, para_style, q('style:text-underline-style')) or 'none') != 'none',
        'strike': (styles.text_property(span_style, para_style, q('style:text-line-through-style')) or 'none') != 'none',
        'vertical': 'super' if position.startswith('super') or (position[:1].isdigit() and not position.startswith('0%'))
                    else 'sub' if position.startswith('sub') or position.startswith('-') else '',
        'color': color or 'auto',
        'background': background if background and background != 'transparent' else 'auto',
    }

def paragraphs(root, styles):
    found = []
    def walk(element, in_cell, in_list):
        for child in element:
            if child.tag in (q('text:p'), q('text:h')):
                found.append(paragraph(child, in_cell, in_list))
            elif child.tag == q('table:table-cell'):
                walk(child, True, in_list)
            elif child.tag in (q('text:list'), q('text:list-item')):
                walk(child, in_cell, True)
            elif child.tag in (q('table:table'), q('table:table-row'), q('table:table-rows'),
                               q('table:table-header-rows'), q('text:section')):
                walk(child, in_cell, in_list)
    def paragraph(p, in_cell, in_list):
        style = p.get(q('text:style-name'))
        chars, pictures = [], []
        def add(text, span):
            for ch in text or '':
                chars.append((ch, span))
        def inline(element, span):
            add(element.text, span)
            for child in element:
                if child.tag == q('text:span'):
                    inline(child, child.get(q('text:style-name')))
                elif child.tag == q('text:s'):
                    add(' ' * int(child.get(q('text:c'), '1')), span)
                elif child.tag == q('text:tab'):
                    add('\t', span)
                elif child.tag == q('text:line-break'):
                    add('\n', span)
                elif child.tag == q('draw:frame'):
                    if child.find(q('draw:image')) is not None:
                        pictures.append((twips(child.get(q('svg:width'))), twips(child.get(q('svg:height')))))
                elif child.tag in (q('text:a'), q('text:bookmark-ref'), q('text:sequence')):
                    inline(child, span)
                elif child.tag == q('text:note'):
                    pass
                add(child.tail, span)
        inline(p, None)
        return {'style': style, 'chars': chars, 'pictures': pictures, 'cell': in_cell, 'list': in_list}
    walk(root.find('.//' + q('office:text')), False, False)
    return found

RUN = re.compile(r'^  (.+?) ([0-9.]+)pt((?: (?:b|i|u|s|sup|sub))*) fg=(\S+) bg=(\S+): (.*)$')
PICTURE = re.compile(r'^  picture ([0-9]+)x([0-9]+) ')

def described(path):
    """The test's description of the document it wrote, as paragraphs."""
    paragraphs, tables = [], 0
    for line in open(path, encoding='utf-8').read().split('\n'):
        if line.startswith('table '):
            tables += 1
        elif line == 'end of table':
            tables -= 1
        elif line.startswith('paragraph '):
            words = line.split(' ')
            numbers = dict(w.split('=') for w in words if '=' in w)
            paragraphs.append({'align': {'left': 'start', 'right': 'end', 'centre': 'center'}.get(words[1], words[1]),
                               'list': words[2] == 'list', 'cell': tables > 0,
                               'li': int(numbers.get('li', 0)), 'fi': int(numbers.get('fi', 0)),
                               'runs': [], 'pictures': []})
        elif RUN.match(line):
            family, size, flags, fg, bg, text = RUN.match(line).groups()
            flags = flags.split()
            paragraphs[-1]['runs'].append({
                'text': text.replace('\u2028', '\n'), 'font': family, 'size': float(size),
                'bold': 'b' in flags, 'italic': 'i' in flags, 'underline': 'u' in flags, 'strike': 's' in flags,
                'vertical': 'super' if 'sup' in flags else 'sub' if 'sub' in flags else '',
                'color': fg, 'background': bg})
        elif PICTURE.match(line):
            w, h = PICTURE.match(line).groups()
            paragraphs[-1]['pictures'].append((int(w) * 15, int(h) * 15))
        elif line.startswith('  kept picture'):
            paragraphs[-1]['pictures'].append(None)
    return paragraphs

failures = 0
checked = 0
for name in sorted(os.listdir(written)):
    if not name.endswith('.described.txt'):
        continue
    base = name[:-len('.described.txt')]
    expected = described(os.path.join(written, name))
    fodt = os.path.join(converted, base + '.fodt')
    problems = []
    if not os.path.exists(fodt):
        problems.append('LibreOffice did not open it')
    else:
        root = ET.parse(fodt).getroot()
        styles = Styles(root)
        got = paragraphs(root, styles)
        # LibreOffice has no empty last paragraph of its own after a table.
        if len(got) != len(expected):
            problems.append('%d paragraphs, LibreOffice shows %d' % (len(expected), len(got)))
        for number, (want, have) in enumerate(zip(expected, got), 1):
            text = ''.join(r['text'] for r in want['runs'])
            shown = ''.join(c for c, _ in have['chars'])
            if text != shown:
                problems.append('paragraph %d: text %r, LibreOffice shows %r' % (number, text[:60], shown[:60]))
                continue
            where = 'paragraph %d' % number
            if want['cell'] != have['cell']:
                problems.append('%s: in a table cell %s, LibreOffice %s' % (where, want['cell'], have['cell']))
            if want['list'] != have['list']:
                problems.append('%s: list item %s, LibreOffice %s' % (where, want['list'], have['list']))
            align = styles.paragraph_property(have['style'], q('fo:text-align')) or 'start'
            align = {'left': 'start', 'right': 'end'}.get(align, align)
            if align != want['align']:
                problems.append('%s: aligned %s, LibreOffice %s' % (where, want['align'], align))
            if not want['list']:
                for key, attribute in (('li', 'fo:margin-left'), ('fi', 'fo:text-indent')):
                    shown_twips = twips(styles.paragraph_property(have['style'], q(attribute)))
                    if abs(shown_twips - want[key]) > 3:
                        problems.append('%s: %s %d twips, LibreOffice %d' % (where, key, want[key], shown_twips))
            if len(want['pictures']) != len(have['pictures']):
                problems.append('%s: %d pictures, LibreOffice %d' % (where, len(want['pictures']), len(have['pictures'])))
            for size, (sw, sh) in zip(want['pictures'], have['pictures']):
                if size is None:
                    continue
                w, h = size
                if abs(w - sw) > max(3, w * 0.01) or abs(h - sh) > max(3, h * 0.01):
                    problems.append('%s: picture %dx%d twips, LibreOffice %dx%d' % (where, w, h, sw, sh))
            start = 0
            for run in want['runs']:
                start += len(run['text'])
                for offset, ch in enumerate(run['text'], start - len(run['text'])):
                    span = have['chars'][offset][1]
                    if ch in ' \t\n':
                        continue
                    shown_format = character_format(styles, span, have['style'], ch)
                    for key in ('font', 'size', 'bold', 'italic', 'underline', 'strike', 'vertical', 'color', 'background'):
                        if shown_format[key] != run[key]:
                            problems.append('%s: %r %s %r, LibreOffice %r' % (where, ch, key, run[key], shown_format[key]))
                            break
                    else:
                        continue
                    break
    checked += 1
    status = 'ok' if not problems else 'DIFFERS'
    print('%-48s %s' % (base, status))
    for problem in problems[:8]:
        print('    ' + problem)
    if len(problems) > 8:
        print('    ... and %d more' % (len(problems) - 8))
    failures += bool(problems)
print('%d files opened in LibreOffice, %d with differences' % (checked, failures))
sys.exit(1 if failures else 0)
PYTHON
