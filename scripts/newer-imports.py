#!/usr/bin/env python3
"""Checks that a Windows executable calls no function newer than the oldest Windows it supports
by name: neither through its import table (the loader refuses to start it) nor through a
delay-loaded DLL (the first call raises the delay-load failure, 0xC06D007F). Such functions
must be looked up at run time (framework/SystemFunction.h) and the program must do without
them where they are missing.

    newer-imports.py LIST EXE...   LIST: scripts/newer-functions.txt; exits 1 naming each
                                   function of LIST newer than its floor that an EXE imports
    newer-imports.py --dump EXE    prints each imported function: DLL, name, how it is imported
"""
import os
import runpy
import struct
import sys

# The PE reading of delay-imports.py, whose name is no module's.
Image = runpy.run_path(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                    'delay-imports.py'))['Image']


def load_time_imports(image):
    """(DLL, function) for each entry of the import directory, the loader's own table."""
    data = image.data
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    optional = pe + 24
    directories = optional + (112 if image.pe32plus else 96)
    table = struct.unpack_from('<I', data, directories + 8)[0]  # entry 1: the imports
    width, fmt, ordinal = (8, '<Q', 1 << 63) if image.pe32plus else (4, '<I', 1 << 31)
    at = image.offset(table) if table else None
    while at is not None:
        names, _, _, name, iat = struct.unpack_from('<5I', data, at)
        if name == 0:
            return
        dll = image.string(name).decode('ascii', 'replace')
        index = 0
        while True:
            entry = struct.unpack_from(fmt, data, image.offset((names or iat) + width * index))[0]
            if entry == 0:
                break
            if not entry & ordinal:
                text = image.string((entry & 0x7FFFFFFF) + 2)
                yield dll, text.decode('ascii', 'replace') if text else '?'
            index += 1
        at += 20


def imports(path):
    """(DLL in lower case, function, 'imported' or 'delay-loaded') for each function by name."""
    with open(path, 'rb') as f:
        image = Image(f.read())
    for dll, function in load_time_imports(image):
        yield dll.lower(), function, 'imported'
    for dll, iat, names in image.descriptors():
        for function, _ in image.slots(iat, names):
            yield dll.lower(), function, 'delay-loaded'


def version(text):
    return tuple(int(part) for part in text.split('.'))


def read_list(path):
    """The floor (version, Windows) and {(DLL, function): (version, where from)} of the list."""
    floor, newer = None, {}
    with open(path) as text:
        for number, line in enumerate(text, 1):
            line = line.split('#', 1)[0].strip()
            if not line:
                continue
            fields = line.split(None, 3)
            try:
                if fields[0] == 'floor':
                    floor = (version(fields[1]), ' '.join(fields[2:]))
                else:
                    newer[(fields[1].lower(), fields[0])] = (version(fields[2]), fields[3])
            except (IndexError, ValueError):
                sys.exit('%s:%d: want "floor VERSION WINDOWS" or "FUNCTION DLL VERSION WINDOWS, '
                         'ADDRESS"' % (path, number))
    if floor is None:
        sys.exit('%s: no "floor" line' % path)
    return floor, newer


def main(arguments):
    if len(arguments) == 2 and arguments[0] == '--dump':
        for dll, function, how in sorted(set(imports(arguments[1]))):
            print(dll, function, how)
        return 0
    if len(arguments) < 2:
        sys.exit(__doc__)
    (floor, floor_name), newer = read_list(arguments[0])
    problems = 0
    for path in arguments[1:]:
        for dll, function, how in sorted(set(imports(path))):
            minimum, source = newer.get((dll, function), ((), ''))
            if minimum > floor:
                print('%s: %s %s!%s, newer than %s: %s; look it up at run time '
                      '(AfxFindSystemFunction)' % (path, how, dll, function, floor_name, source),
                      file=sys.stderr)
                problems += 1
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
