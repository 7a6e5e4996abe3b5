#!/usr/bin/env python3
"""Renders the parameter schemas (quillon_dynamic_detector/schema/*.schema.json) into the
"Parameters" section of the repository README, between its marker comments.

    render_parameter_table.py --write   regenerate the section (inserted after the section
                                        "## On a robot with ROS 2 Humble" when it is missing)
    render_parameter_table.py --check   exit 1 when the README's section is not what the
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
ANCHOR = '## On a robot with ROS 2 Humble'
COMMAND = 'python3 quillon_dynamic_detector/src/check_params/render_parameter_table.py --write'

SCHEMAS = [
    ('trailscan.schema.json',
     '### `trailscan` (node "laser_subscriber")',
     'ROS 2 parameters, in a parameter file under `laser_subscriber:` / `ros__parameters:` '
     '(nested groups or dotted names).'),
    ('trailmerge.schema.json',
     '### `trailmerge` (node "trailmerge")',
     'ROS 2 parameters, in a parameter file under `trailmerge:` / `ros__parameters:`.'),
    ('detector_config.schema.json',
     '### Detector configuration (`config/cfg.yaml`, parameter "detector_cfg_file")',
     'The closed detector reads the section `dynamic_laser_detector:` (the keys of the '
     'stand-in; the maker\'s library may read others), the geometric motion detector the '
     'top-level keys. A missing key takes its default.'),
]

INTRO = '''## Parameters

Every setting of both programs and of the detectors' YAML file, generated from the schemas in
`quillon_dynamic_detector/schema/` (JSON Schema, one per node and one for the detector
configuration; installed to `share/quillon_dynamic_detector/schema/`). "Range" is what makes
sense; the programs start with values outside it (they refuse only wrong types, NaN and
infinity, a self-filter outline or angle range that is none, and the detectors a few impossible
values), so check a file before you start:

```sh
ros2 run quillon_dynamic_detector quillon_check_params my_params.yaml my_cfg.yaml   # or build/quillon_check_params
```

It reports unknown keys (with the nearest known spelling), wrong types, values out of range,
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


def range_text(leaf):
    parts = []
    # A list's range is that of each of its values.
    bounds = leaf['items'] if leaf['type'] == 'array' else leaf
    for keyword, sign in (('minimum', '>= '), ('exclusiveMinimum', '> '),
                          ('maximum', '<= '), ('exclusiveMaximum', '< ')):
        if keyword in bounds:
            parts.append(sign + number(bounds[keyword]))
    if bounds is not leaf and parts:
        parts[0] = 'each ' + parts[0]
    if 'minLength' in leaf:
        parts.append('not empty')
    if 'atMost' in leaf:
        parts.append('<= `' + leaf['atMost'] + '`')
    return ', '.join(parts)


def cell(text):
    return text.replace('|', '\\|')


def table(schema):
    rows = ['| Parameter | Type | Default | Unit | Range | Meaning |',
            '|---|---|---|---|---|---|']
    for name, leaf in leaves(parameter_root(schema)):
        rows.append('| `{}` | {} | `{}` | {} | {} | {} |'.format(
            name, type_text(leaf), cell(number(leaf['default'])), leaf.get('unit', ''),
            cell(range_text(leaf)), cell(leaf.get('description', ''))))
    return '\n'.join(rows)


def section():
    parts = [BEGIN, '<!-- Generated from quillon_dynamic_detector/schema/ by',
             '     ' + COMMAND + ' -->', INTRO]
    for name, heading, note in SCHEMAS:
        parts += [heading, '', note, '', table(load(name)), '']
    return '\n'.join(parts) + END


def with_section(readme):
    """The README with the generated section in place; ValueError when there is no place."""
    begin, end = readme.find(BEGIN), readme.find(END)
    if begin >= 0 and end > begin:
        return readme[:begin] + section() + readme[end + len(END):]
    anchor = readme.find(ANCHOR + '\n')
    if anchor < 0:
        raise ValueError(f'no section "{ANCHOR}" to put the parameters after')
    following = readme.find('\n## ', anchor + len(ANCHOR))
    if following < 0:
        return readme.rstrip('\n') + '\n\n' + section() + '\n'
    return readme[:following + 1] + section() + '\n\n' + readme[following + 1:]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument('--write', action='store_true', help='regenerate the README section')
    mode.add_argument('--check', action='store_true', help='fail when the section is stale')
    parser.add_argument('--readme', default=os.path.join(REPOSITORY, 'README.md'))
    arguments = parser.parse_args()

    with open(arguments.readme, encoding='utf-8') as f:
        readme = f.read()
    try:
        wanted = with_section(readme)
    except ValueError as error:
        print(f'{arguments.readme}: {error}', file=sys.stderr)
        return 1
    if arguments.write:
        if wanted != readme:
            with open(arguments.readme, 'w', encoding='utf-8') as f:
                f.write(wanted)
        return 0
    if wanted != readme or BEGIN not in readme:
        print(f'{arguments.readme}: the "Parameters" section is not what the schemas give; '
              f'regenerate it with:\n  {COMMAND}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
