#!/usr/bin/env python3
"""Checks that the source folders keep their layers.

- base/ includes nothing from another folder of src/ and no window header;
- no file outside app/ includes app/, and no file outside cli/ includes cli/ (the two top folders:
  the window program and the command-line program);
- no core source (TALLYRA_CORE_SOURCES), no source of the command-line program
  (TALLYRA_BATCH_SOURCES), nor a header either includes from src/, includes a window header.
Window headers are the headers of Qt Widgets. Prints each offence; exit status 1 when there is one.
Usage: check_layers.py SRC_DIR QT_WIDGETS_INCLUDE_DIR
"""
import os
import re
import sys

src = sys.argv[1]
widgets_dir = sys.argv[2]
widget_headers = set(os.listdir(widgets_dir)) if os.path.isdir(widgets_dir) else set()
include_re = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def includes(path):
    with open(path, encoding='utf-8') as f:
        return include_re.findall(f.read())


def is_window_header(name):
    return name.startswith('QtWidgets/') or name in widget_headers


offences = []
files = []
for root, _, names in os.walk(src):
    for n in names:
        if n.endswith(('.cpp', '.h')):
            files.append(os.path.relpath(os.path.join(root, n), src))

for f in files:
    folder = f.split(os.sep)[0]
    for inc in includes(os.path.join(src, f)):
        top = inc.split('/')[0] if '/' in inc else None
        if folder == 'base' and top and top != 'base' and os.path.isdir(os.path.join(src, top)):
            offences.append(f'{f}: base/ includes {inc}')
        if folder == 'base' and is_window_header(inc):
            offences.append(f'{f}: base/ includes the window header {inc}')
        for top_folder in ('app', 'cli'):
            if folder != top_folder and top == top_folder:
                offences.append(f'{f}: includes {inc} from {top_folder}/')

# Core sources, the command-line program and everything they include from src/ stay free of
# window headers.
core = []
for root, _, names in os.walk(src):
    if 'sources.cmake' in names:
        text = open(os.path.join(root, 'sources.cmake'), encoding='utf-8').read()
        for block in re.findall(r'list\(APPEND TALLYRA_CORE_SOURCES(.*?)\)', text, re.S):
            core += block.split()
        for block in re.findall(r'set\(TALLYRA_BATCH_SOURCES(.*?)\)', text, re.S):
            core += block.split()
seen = set()
todo = list(core)
while todo:
    f = todo.pop()
    if f in seen or not os.path.exists(os.path.join(src, f)):
        continue
    seen.add(f)
    for inc in includes(os.path.join(src, f)):
        if is_window_header(inc):
            offences.append(f'{f}: core or command-line source includes the window header {inc}')
        elif os.path.exists(os.path.join(src, inc)):
            todo.append(inc)

for o in sorted(set(offences)):
    print(o)
sys.exit(1 if offences else 0)
