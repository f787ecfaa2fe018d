#!/usr/bin/env python3
"""Checks the delay-load imports of a Windows executable, reading only the file.

MinGW's delay-import libraries (dlltool --output-delaylib) leave the PE header's delay-import
directory empty: each DLL's descriptor sits in the code section and reaches the loader only
through the thunks. So the descriptors are found by their shape (attributes 1, RVAs into the
image, a ".dll" name, no bound or unload table, no time stamp), and for each the import address
table is walked beside its name table. Before the first call, every slot must hold the address
of its loader thunk, in an executable section of the image: a slot that holds 0 or points
elsewhere is a call to nowhere at the first use.

    delay-imports.py EXE DLL...   prints one line per delay-loaded DLL; exits 1 naming each
                                  bad slot, or when a DLL named is not delay-loaded
"""
import struct
import sys


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from('<I', data, 0x3C)[0]
        if data[pe:pe + 4] != b'PE\0\0':
            raise ValueError('not a PE file')
        sections, optional_size = struct.unpack_from('<H12xH', data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from('<H', data, optional)[0]
        self.pe32plus = magic == 0x20B
        self.image_base = struct.unpack_from('<Q' if self.pe32plus else '<I', data,
                                             optional + (24 if self.pe32plus else 28))[0]
        self.image_size = struct.unpack_from('<I', data, optional + 56)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw, flags = struct.unpack_from(
                '<8sIII I12xI', data, table + 40 * i)
            self.sections.append((name.rstrip(b'\0').decode('ascii', 'replace'),
                                  rva, max(vsize, raw_size), raw, raw_size, flags))

    def offset(self, rva):
        """The file offset of an RVA that has bytes in the file, else None."""
        for _, start, size, raw, raw_size, _ in self.sections:
            if start <= rva < start + min(size, raw_size):
                return raw + rva - start
        return None

    def executable(self, rva):
        return any(start <= rva < start + size and flags & 0x20000000
                   for _, start, size, _, _, flags in self.sections)

    def string(self, rva, limit=256):
        at = self.offset(rva)
        if at is None:
            return None
        end = self.data.find(b'\0', at, at + limit)
        return None if end < 0 else self.data[at:end]

    def descriptors(self):
        """The delay-import descriptors, found by their shape in every section."""
        found = []
        for _, start, _, raw, raw_size, _ in self.sections:
            for at in range(raw, raw + raw_size - 31, 4):
                attrs, name, hmod, iat, names, bound, unload, stamp = struct.unpack_from(
                    '<8I', self.data, at)
                if attrs != 1 or bound or unload or stamp:
                    continue
                if not all(0 < rva < self.image_size for rva in (name, hmod, iat, names)):
                    continue
                dll = self.string(name)
                if dll is None or not dll.lower().endswith(b'.dll') or not dll.isascii():
                    continue
                found.append((dll.decode('ascii'), iat, names))
        return found

    def slots(self, iat, names):
        """(function name, slot value) for each entry of one DLL's address table."""
        width, fmt, ordinal = (8, '<Q', 1 << 63) if self.pe32plus else (4, '<I', 1 << 31)
        index = 0
        while True:
            name_at = self.offset(names + width * index)
            slot_at = self.offset(iat + width * index)
            if name_at is None or slot_at is None:
                raise ValueError('a delay-import table runs out of the file')
            entry = struct.unpack_from(fmt, self.data, name_at)[0]
            if entry == 0:
                return
            if entry & ordinal:
                function = '#%d' % (entry & 0xFFFF)
            else:
                text = self.string((entry & 0x7FFFFFFF) + 2)
                function = text.decode('ascii', 'replace') if text else '?'
            yield function, struct.unpack_from(fmt, self.data, slot_at)[0]
            index += 1


def main(path, expected):
    with open(path, 'rb') as f:
        image = Image(f.read())
    problems = []
    seen = set()
    for dll, iat, names in image.descriptors():
        seen.add(dll.lower())
        count = 0
        for function, slot in image.slots(iat, names):
            count += 1
            rva = slot - image.image_base
            if slot == 0:
                problems.append('%s!%s: slot holds 0' % (dll, function))
            elif not (0 <= rva < image.image_size and image.executable(rva)):
                problems.append('%s!%s: slot holds %#x, outside the image\'s code'
                                % (dll, function, slot))
        print('%s: %s delay-loaded, %d functions' % (path, dll, count))
    for dll in expected:
        if dll.lower() not in seen:
            problems.append('%s is not delay-loaded' % dll)
    for problem in problems:
        print('%s: %s' % (path, problem), file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
