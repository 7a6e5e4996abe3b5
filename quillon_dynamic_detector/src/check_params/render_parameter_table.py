#!/usr/bin/env python3
"""Renders the parameter schemas (quillon_dynamic_detector/schema/*.schema.json) into the
parameter tables of docs/parameters.md, between its marker comments.

    render_parameter_table.py --write   regenerate the tables (appended to the page when its
                                        marker comments are missing)
    render_parameter_table.py --check   exit 1 when the page's tables are not what the
                                        schemas give

Python's standard library only, so that it runs offline on any machine with Python 3.
"""

import argparse
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PACKAGE = os.path.normpath(os.path.join(HERE, '..', '..'))
REPOSITORY = os.path.dirname(PACKAGE)
SCHEMA_DIR = os.path.join(PACKAGE, 'schema')
BEGIN = '<!-- parameters:begin -->'
END = '<!-- parameters:end -->'
COMMAND = 'python3 quillon_dynamic_detector/src/check_params/render_parameter_table.py --write'

SCHEMAS = [
    ('trailscan.schema.json',
     '## `trailscan` (node "laser_subscriber")',
     'ROS 2 parameters, in a parameter file under `laser_subscriber:` / `ros__parameters:` '
     '(nested groups or dotted names).'),
    ('trailmerge.schema.json',
     '## `trailmerge` (node "trailmerge")',
     'ROS 2 parameters, in a parameter file under `trailmerge:` / `ros__parameters:`.'),
    ('detector_config.schema.json',
     '## Detector configuration (`config/cfg.yaml`, parameter "detector_cfg_file")',
     'The closed detector reads the section `dynamic_laser_detector:` (the keys of the '
     'stand-in; the maker\'s library may read others), the geometric motion detector the '
     'top-level keys. A missing key takes its default.'),
]

INTRO = '''Every setting of both programs and of the detectors' YAML file, generated from the schemas in
`quillon_dynamic_detector/schema/` (JSON Schema, one per node and one for the detector
configuration; installed to `share/quillon_dynamic_detector/schema/`). "Range" is what makes
sense: a value outside it starts with a warning. "Can work" is what works at all: beyond it
(a negative noise, a negative count of scans), trailscan and trailmerge refuse to start, naming
the key, the value and what it must be, as they refuse wrong types, NaN and infinity and a
self-filter outline or angle range that is none; the detectors refuse their own impossible
values. Keys a program or the detectors do not have are named at start-up with the nearest
known spelling, and ignored. `ros2 param describe` shows each parameter's meaning, unit and,
where they are closed, its "can work" limits as the range; every parameter is read at start-up
only, so a run-time set is refused as read-only. Check a file before you start:

```sh
ros2 run quillon_dynamic_detector quillon_check_params my_params.yaml my_cfg.yaml
build/quillon_check_params my_params.yaml my_cfg.yaml   # the same, in the standalone build
```

It reports unknown keys (with the nearest known spelling), wrong types, values that cannot work
(errors) and values outside the usual range (warnings),
keys that must not exceed another ("<= name" below), broken YAML and what the programs'
start-up would refuse, as `FILE:LINE: error|warning: text`; exit status 0 when all is clean.
Integer-looking values are integers in ROS 2 parameter files: write `1.0` for a "number".
'''


def load(name):
    with open(os.path.join(SCHEMA_DIR, name), encoding='utf-8') as f:
        return json.load(f)


def parameter_root(schema):
    """The object whose properties are the parameters (ROS 2 layout: "/**" ->
    "ros__parameters" -> a definition)."""
    try:
        reference = schema['properties']['/**']['properties']['ros__parameters']['$ref']
    except KeyError:
        return schema
    return schema['definitions'][reference.rsplit('/', 1)[1]]


def leaves(obj, prefix=''):
    """(dotted name, leaf) of every parameter, in schema order."""
    for key, value in obj['properties'].items():
        if value.get('type') == 'object':
            yield from leaves(value, prefix + key + '.')
        else:
            yield prefix + key, value


def number(value):
    return json.dumps(value)


def type_text(leaf):
    if leaf['type'] == 'array':
        return 'list of ' + leaf['items']['type'] + 's'
    return leaf['type']


def bounds_text(leaf, prefix):
    parts = []
    # A list's bounds are those of each of its values.
    bounds = leaf['items'] if leaf['type'] == 'array' else leaf
    for keyword, sign in (('Minimum', '>= '), ('ExclusiveMinimum', '> '),
                          ('Maximum', '<= '), ('ExclusiveMaximum', '< ')):
        key = prefix + keyword if prefix else keyword[0].lower() + keyword[1:]
        if key in bounds:
            parts.append(sign + number(bounds[key]))
    if bounds is not leaf and parts:
        parts[0] = 'each ' + parts[0]
    return parts


def range_text(leaf):
    parts = bounds_text(leaf, '')
    if 'minLength' in leaf:
        parts.append('not empty')
    if 'atMost' in leaf:
        parts.append('<= `' + leaf['atMost'] + '`')
    return ', '.join(parts)


def hard_text(leaf):
    return ', '.join(bounds_text(leaf, 'hard'))


def cell(text):
    return text.replace('|', '\\|')


def table(schema):
    rows = ['| Parameter | Type | Default | Unit | Range | Can work | Meaning |',
            '|---|---|---|---|---|---|---|']
    for name, leaf in leaves(parameter_root(schema)):
        rows.append('| `{}` | {} | `{}` | {} | {} | {} | {} |'.format(
            name, type_text(leaf), cell(number(leaf['default'])), leaf.get('unit', ''),
            cell(range_text(leaf)), cell(hard_text(leaf)), cell(leaf.get('description', ''))))
    return '\n'.join(rows)


def section():
    parts = [BEGIN, '<!-- Generated from quillon_dynamic_detector/schema/ by',
             '     ' + COMMAND + ' -->', INTRO]
    for name, heading, note in SCHEMAS:
        parts += [heading, '', note, '', table(load(name)), '']
    return '\n'.join(parts) + END


def with_section(page):
    """The page with the generated section in place (at its end when it has none yet)."""
    begin, end = page.find(BEGIN), page.find(END)
    if begin >= 0 and end > begin:
        return page[:begin] + section() + page[end + len(END):]
    return page.rstrip('\n') + '\n\n' + section() + '\n'


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument('--write', action='store_true', help='regenerate the tables')
    mode.add_argument('--check', action='store_true', help='fail when the tables are stale')
    parser.add_argument('--page', default=os.path.join(REPOSITORY, 'docs', 'parameters.md'))
    arguments = parser.parse_args()

    with open(arguments.page, encoding='utf-8') as f:
        page = f.read()
    wanted = with_section(page)
    if arguments.write:
        if wanted != page:
            with open(arguments.page, 'w', encoding='utf-8') as f:
                f.write(wanted)
        return 0
    if wanted != page or BEGIN not in page:
        print(f'{arguments.page}: the parameter tables are not what the schemas give; '
              f'regenerate them with:\n  {COMMAND}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
