#!/usr/bin/env python3
"""Checks the HTML reports report_sample wrote: well-formed as XML, nothing from the data read as
markup, bars proportional to their counts and never past the axis, labels cut with "…"."""
import sys
import xml.etree.ElementTree as ET

SVG = '{http://www.w3.org/2000/svg}'
AXIS = 250.0
LABEL_CHARS = 18


def fail(message):
    sys.exit('check_report_html: ' + message)


def parse(path):
    try:
        return ET.parse(path).getroot()
    except ET.ParseError as e:
        fail(f'{path} is not well-formed: {e}')


def check_bars(root, path):
    for rect in root.iter(SVG + 'rect'):
        width = float(rect.get('width'))
        if not 0 <= width <= AXIS:
            fail(f'{path}: a bar of {width} passes its axis of {AXIS}')
    for svg in root.iter(SVG + 'svg'):
        bars = [(float(r.get('data-count')), float(r.get('width')))
                for r in svg.iter(SVG + 'rect') if r.get('class') == 'actual']
        if not bars:
            continue
        top_count, top_width = max(bars)
        scale = top_width / top_count if top_count else 0
        # Widths are written to 0.01.
        if any(abs(w - c * scale) > 0.006 for c, w in bars):
            fail(f'{path}: bar lengths not proportional to counts: {bars}')
        if any(w != 0 for c, w in bars if c == 0):
            fail(f'{path}: a count of 0 has a bar')
        for text in svg.iter(SVG + 'text'):
            if len(text.text or '') > 40 or '\n' in (text.text or ''):
                fail(f'{path}: an uncut label: {text.text!r}')


def main(folder):
    check = parse(folder + '/check_report.html')
    hostile = '<script>alert(1)</script> & "quiz"'
    if check.find('head/title').text != hostile or check.find('body/header/h1').text != hostile:
        fail('the hostile title is not shown as text')
    names = {e.tag.split('}')[-1] for e in check.iter()}
    if names & {'script', 'img', 'b', 'link', 'iframe'}:
        fail(f'text from the data became markup: {names}')
    if b'<script' in open(folder + '/check_report.html', 'rb').read():
        fail('a script element is in the file')
    check_bars(check, 'check_report.html')
    labels = [t.text for t in check.iter(SVG + 'text')]
    if 'W' * (LABEL_CHARS - 1) + '…' not in labels or 'ネコ…' not in labels:
        fail(f'long titles and line breaks are not cut with …: {labels}')
    cells = [td.text for td in check.iter('td')]
    if 'W' * 256 not in cells:
        fail('the table does not hold the whole title')
    sample = parse(folder + '/sample_report.html')
    check_bars(sample, 'sample_report.html')
    if not any(r.get('class') == 'predicted' for r in sample.iter(SVG + 'rect')):
        fail('the sample report has no bars')
    tally = parse(folder + '/tally_report.html')
    check_bars(tally, 'tally_report.html')
    rows = [[td.text for td in tr.iter('td')] for tr in tally.iter('tr')]
    for result in ('ライオンタイプ', 'イルカタイプ', 'ネコタイプ', 'のんびりナマケモノ'):
        if not any(r[:3] == [result, '1', '25.0%'] for r in rows):
            fail(f'the tally does not give {result} its 25 %: {rows}')
    if not any(r.get('class') == 'predicted' for r in tally.iter(SVG + 'rect')):
        fail('the tally report has no predicted shares')
    print('check_report_html: all three reports well-formed, escaped and in proportion')


main(sys.argv[1])
