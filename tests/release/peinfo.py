"""Reads what the release check needs from a PE file's resources: the
resource tree, the version record and the icon groups. Standard library
only; the check imports it."""

import struct

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


class PE:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.nsec = struct.unpack_from("<H", data, pe + 6)[0]
        self.timestamp = struct.unpack_from("<I", data, pe + 8)[0]
        self.optsize = struct.unpack_from("<H", data, pe + 20)[0]
        self.opt = pe + 24
        self.rsrc_rva = struct.unpack_from("<I", data, self.opt + 96 + 2 * 8)[0]
        self.import_rva = struct.unpack_from("<I", data, self.opt + 96 + 1 * 8)[0]
        self.image_base = struct.unpack_from("<I", data, self.opt + 28)[0]
        self.subsystem_version = struct.unpack_from("<HH", data, self.opt + 48)
        self.dll_characteristics = struct.unpack_from("<H", data, self.opt + 70)[0]

    def to_off(self, rva):
        for i in range(self.nsec):
            sh = self.opt + self.optsize + 40 * i
            vsize, va, rawsize, raw = struct.unpack_from("<4I", self.data, sh + 8)
            if va <= rva < va + max(vsize, rawsize):
                return raw + rva - va
        raise ValueError("rva %x outside the sections" % rva)

    def cstr(self, rva):
        off = self.to_off(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("latin-1")

    def imports(self):
        """[(dll, name)]: name is the imported name, or an int for an
        import by ordinal."""
        out = []
        if not self.import_rva:
            return out
        desc = self.to_off(self.import_rva)
        while True:
            lookup, _, _, name_rva, thunk = struct.unpack_from("<5I", self.data, desc)
            if not name_rva:
                return out
            dll = self.cstr(name_rva)
            entry = self.to_off(lookup or thunk)
            while True:
                value = struct.unpack_from("<I", self.data, entry)[0]
                if not value:
                    break
                out.append((dll, value & 0xFFFF if value & 0x80000000 else self.cstr(value + 2)))
                entry += 4
            desc += 20

    def resources(self):
        """{(type, name, language): bytes}; names are ints or strings."""
        out = {}
        if not self.rsrc_rva:
            return out
        base = self.to_off(self.rsrc_rva)
        data = self.data

        def entries(off):
            named, ids = struct.unpack_from("<HH", data, off + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", data, off + 16 + 8 * i)
                if name & 0x80000000:
                    n = base + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", data, n)[0]
                    key = data[n + 2:n + 2 + 2 * length].decode("utf-16-le")
                else:
                    key = name
                yield key, target

        for rtype, t1 in entries(base):
            for name, t2 in entries(base + (t1 & 0x7FFFFFFF)):
                for lang, t3 in entries(base + (t2 & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", data, base + t3)
                    off = self.to_off(rva)
                    out[(rtype, name, lang)] = data[off:off + size]
        return out

    def one(self, rtype, name):
        found = [v for (t, n, _), v in self.resources().items() if t == rtype and n == name]
        return found[0] if len(found) == 1 else None


def version_info(pe):
    """(fixed, strings): fixed is (file ms, file ls, product ms, product ls,
    file type), strings the StringFileInfo values without their NULs. None
    when the file has no version record."""
    blob = pe.one(RT_VERSION, 1)
    if blob is None:
        return None

    def node(off):
        length, value_len, kind = struct.unpack_from("<HHH", blob, off)
        key_end = off + 6
        while blob[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = blob[off + 6:key_end].decode("utf-16-le")
        value = (key_end + 2 + 3) & ~3
        return length, value_len, kind, key, value

    def children(start, end):
        off = (start + 3) & ~3
        while off < end:
            length = struct.unpack_from("<H", blob, off)[0]
            if length == 0:
                break
            yield off
            off = (off + length + 3) & ~3

    length, value_len, _, key, value = node(0)
    if key != "VS_VERSION_INFO" or value_len < 52:
        return None
    sig, _, fms, fls, pms, pls = struct.unpack_from("<6I", blob, value)
    if sig != 0xFEEF04BD:
        return None
    filetype = struct.unpack_from("<I", blob, value + 36)[0]
    strings = {}
    for c in children(value + value_len, length):
        c_len, _, _, c_key, c_value = node(c)
        if c_key != "StringFileInfo":
            continue
        for table in children(c_value, c + c_len):
            t_len, _, _, _, t_value = node(table)
            for s in children(t_value, table + t_len):
                s_len, s_vlen, _, s_key, s_value = node(s)
                text = blob[s_value:s_value + 2 * s_vlen].decode("utf-16-le")
                strings[s_key] = text.rstrip("\0")
    return (fms, fls, pms, pls, filetype), strings


def icon_group(pe, name):
    """The images of an icon group: a list of (width, height, bit count,
    image bytes), 0 x 0 standing for 256 x 256. None when there is no such
    group."""
    group = pe.one(RT_GROUP_ICON, name)
    if group is None:
        return None
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    images = []
    for i in range(count):
        w, h, _, _, _, bits, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        images.append((w, h, bits, pe.one(RT_ICON, icon_id)))
    return images
