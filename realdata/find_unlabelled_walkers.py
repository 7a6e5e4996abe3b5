#!/usr/bin/env python3
"""Finds people who walk through a labelled recording of the real-recordings pack but are not
labelled, and writes `ignore` regions for them in the ground-truth CSV format.

    find_unlabelled_walkers.py PACK NAME [EXISTING_IGNORED_CSV] > NAME_ignored.csv

The scanner stands still in these recordings, so what stands out from the background is
something that came into view. Per scan:
  - foreground: returns at least 0.3 m nearer than the background of their beam, the 90th
    percentile of its returns over the whole recording (people pass in front of it, or stand
    there for a while, but not for 90 % of the time);
  - bodies: runs of at least 3 foreground returns on neighbouring beams (gaps of at most 3 beams
    and 0.3 m), joined when their centres lie within 0.6 m (two legs), within 5 m of the scanner
    and more than 1 m from every person labelled in that scan;
  - paths: bodies linked over scans to the nearest path end within 0.5 m + 2 m/s times the time
    since (gaps up to 0.5 s).
A path that ends at least 1 m from where it began is a person walking who is not labelled: each
labelled scan of it gets an ignore region of 0.5 m around the body, where a detection counts
neither way.
Objects that were put down while nobody looked never move and are left alone. The regions of
EXISTING_IGNORED_CSV are kept beside the new ones. Needs only Python's standard library.
"""

import csv
import glob
import math
import sqlite3
import struct
import sys

BACKGROUND_PERCENTILE = 0.9
NEARER_M = 0.3
MIN_RETURNS = 3
MAX_BEAM_GAP = 3
MAX_POINT_GAP_M = 0.3
LEGS_APART_M = 0.6
MAX_RANGE_M = 5.0
LABELLED_CLEARANCE_M = 1.0
LINK_GATE_M = 0.5
LINK_SPEED_M_S = 2.0
MAX_LINK_GAP_S = 0.5
MIN_DISPLACEMENT_M = 1.0
IGNORE_RADIUS_M = 0.5
LABELLED_WITHIN_NS = 60_000_000
HEADER = 'stamp_ns,kind,id,x,y,vx,vy,yaw,frame,omega,radius,name,fov,range_max,beams,scan_frame'


def read_scans(bag_folder):
    """Stamp (s), first angle, angle step, range limits and ranges of each /scan_01 message."""
    database = sqlite3.connect(glob.glob(bag_folder + '/*.db3')[0])
    (topic,) = database.execute("select id from topics where name='/scan_01'").fetchone()
    for (data,) in database.execute(
            'select data from messages where topic_id=? order by timestamp', (topic,)):
        body = data[4:]  # CDR: encapsulation header, then the message
        sec, nanosec, name_length = struct.unpack_from('<iII', body, 0)
        offset = (12 + name_length + 3) & ~3
        limits = struct.unpack_from('<7f', body, offset)
        angle_min, increment, range_min, range_max = limits[0], limits[2], limits[5], limits[6]
        (count,) = struct.unpack_from('<I', body, offset + 28)
        ranges = struct.unpack_from('<%df' % count, body, offset + 32)
        yield sec + nanosec * 1e-9, angle_min, increment, range_min, range_max, ranges


def read_labels(truth_csv):
    """People per labelled stamp (ns), and the mount line, from a ground-truth CSV."""
    people, mount = {}, None
    with open(truth_csv) as f:
        for row in csv.reader(line for line in f if not line.startswith('#')):
            if row[0] == 'stamp_ns':
                continue
            if row[1] == 'mount':
                mount = ','.join(row)
            elif row[1] == 'robot':
                people.setdefault(int(row[0]), [])
            elif row[1] == 'person':
                people.setdefault(int(row[0]), []).append((float(row[3]), float(row[4])))
    return people, mount


def background(scans):
    """Per beam, the range of what stands there: the 90th percentile of its returns over the
    whole recording (people pass in front of it, or stand there for a while)."""
    background_ranges = []
    for beam in range(len(scans[0][5])):
        returns = sorted(r for _, _, _, range_min, range_max, ranges in scans
                         for r in (ranges[beam],) if range_min <= r < range_max)
        background_ranges.append(
            returns[int(BACKGROUND_PERCENTILE * (len(returns) - 1))] if returns else math.inf)
    return background_ranges


def bodies_in(scan, background_ranges, labelled_people):
    _, angle_min, increment, range_min, range_max, ranges = scan
    runs, run = [], []
    for beam, r in enumerate(ranges):
        if not (range_min <= r < range_max and r < background_ranges[beam] - NEARER_M):
            continue
        angle = angle_min + beam * increment
        point = (beam, r * math.cos(angle), r * math.sin(angle))
        if run and (point[0] - run[-1][0] > MAX_BEAM_GAP or
                    math.dist(point[1:], run[-1][1:]) > MAX_POINT_GAP_M):
            runs.append(run)
            run = []
        run.append(point)
    runs.append(run)
    joined = []  # [sum x, sum y, count]
    for run in runs:
        if len(run) < MIN_RETURNS:
            continue
        x = sum(p[1] for p in run) / len(run)
        y = sum(p[2] for p in run) / len(run)
        for body in joined:
            if math.dist((x, y), (body[0] / body[2], body[1] / body[2])) < LEGS_APART_M:
                body[0], body[1], body[2] = body[0] + x, body[1] + y, body[2] + 1
                break
        else:
            joined.append([x, y, 1])
    found = []
    for sx, sy, count in joined:
        place = (sx / count, sy / count)
        if math.hypot(*place) <= MAX_RANGE_M and all(
                math.dist(place, person) > LABELLED_CLEARANCE_M for person in labelled_people):
            found.append(place)
    return found


def unlabelled_walkers(scans, labels):
    """Ignore regions per labelled stamp: {stamp_ns: [(x, y, note), ...]}."""
    background_ranges = background(scans)
    label_stamps = sorted(labels)
    paths = []  # each a list of (scan index, stamp s, x, y, labelled stamp ns or None)
    for index, scan in enumerate(scans):
        stamp_ns = round(scan[0] * 1e9)
        label = min(label_stamps, key=lambda s: abs(s - stamp_ns))
        labelled = abs(label - stamp_ns) < LABELLED_WITHIN_NS
        for x, y in bodies_in(scan, background_ranges, labels[label] if labelled else []):
            best = None
            for path in paths:
                last = path[-1]
                since = scan[0] - last[1]
                gap = math.dist((x, y), (last[2], last[3]))
                if (last[0] != index and since <= MAX_LINK_GAP_S and
                        gap < LINK_GATE_M + LINK_SPEED_M_S * since and
                        (best is None or gap < best[0])):
                    best = (gap, path)
            place = (index, scan[0], x, y, label if labelled else None)
            if best:
                best[1].append(place)
            else:
                paths.append([place])
    regions = {}
    for path in paths:
        displacement = math.dist(path[0][2:4], path[-1][2:4])
        if displacement < MIN_DISPLACEMENT_M:
            continue
        print(f'# walker not labelled: scans {path[0][0]}-{path[-1][0]}, from '
              f'({path[0][2]:.2f}, {path[0][3]:.2f}) to ({path[-1][2]:.2f}, {path[-1][3]:.2f}) m, '
              f'{displacement:.2f} m apart', file=sys.stderr)
        for _, _, x, y, label in path:
            if label is not None:
                regions.setdefault(label, []).append((x, y, 'person_walking_unlabelled'))
    return regions


def read_ignored(path, regions, comments):
    with open(path) as f:
        lines = f.readlines()
    comments.extend(line.rstrip('\n') for line in lines if line.startswith('#'))
    for row in csv.reader(line for line in lines if not line.startswith('#')):
        if row[0] != 'stamp_ns' and row[1] == 'ignore':
            regions.setdefault(int(row[0]), []).append(
                (float(row[3]), float(row[4]), row[11], float(row[10])))


def main():
    pack, name = sys.argv[1], sys.argv[2]
    scans = list(read_scans(f'{pack}/bags/{name}'))
    labels, mount = read_labels(f'{pack}/ground_truth/{name}_ground_truth.csv')
    regions = unlabelled_walkers(scans, labels)
    comments = []
    if len(sys.argv) > 3:
        read_ignored(sys.argv[3], regions, comments)
    comments = comments or [
        f'# Regions of {name} where a person is known to be but is not labelled (see README.md',
        '# beside this folder).']
    notes = {region[2] for found in regions.values() for region in found}
    if 'person_walking_unlabelled' in notes:
        comments.append('# person_walking_unlabelled: found in the scans by '
                        'find_unlabelled_walkers.py beside this file.')
    print('\n'.join(comments))
    print(HEADER)
    print(mount)
    for stamp in sorted(regions):
        print(f'{stamp},robot,0,0,0,0,0,0,odom,0,,,,,,base_scan_01')
        for region in regions[stamp]:
            x, y, note = region[:3]
            radius = region[3] if len(region) > 3 else IGNORE_RADIUS_M
            print(f'{stamp},ignore,0,{x:.4f},{y:.4f},,,,odom,,{radius:g},{note},,,,')


if __name__ == '__main__':
    main()
