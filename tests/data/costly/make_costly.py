#!/usr/bin/env python3
"""Small files that cost a careless reader far more than their size, and a run of
each through kvword under prlimit.

Every case is a row of CASES: a builder that returns the file's bytes, the tool's
options, and the outcome a sound reader gives (its text or its failure). The test
builds each file into the work folder, runs the tool under a CPU limit that grows
with the file (FLOOR_SECONDS plus SECONDS_PER_MB for each megabyte, times the
build's slowness factor) and an address-space limit, and checks the outcome.

    make_costly.py --tool build/debug/cli/kvword --out /tmp/costly [--slow 3] [NAME ...]
    make_costly.py --write /tmp/costly [NAME ...]    # only write the files

Standard library only. See README.md beside this file for adding a row."""
import argparse
import io
import os
import struct
import subprocess
import sys
import time
import zipfile

FLOOR_SECONDS = 5.0
SECONDS_PER_MB = 2.0
MEMORY_MB = 1024

# ---------------------------------------------------------------------------
# Compound files (version 4: 4096-byte sectors, every stream of 4096 bytes or more
# so that no mini stream is needed).

SECTOR = 4096
FREESECT, ENDOFCHAIN, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def compound_file(streams):
    """streams: {name: bytes}, all in the root storage; each is padded to 4096 bytes."""
    streams = {n: d + b"\0" * max(0, SECTOR - len(d)) for n, d in streams.items()}
    names = sorted(streams, key=lambda n: (len(n), n.upper()))
    # Each stream takes whole sectors.
    data = [streams[n] + b"\0" * (max(SECTOR, -(-len(streams[n]) // SECTOR) * SECTOR) - len(streams[n]))
            for n in names]
    sectors = []  # (first sector, count) per stream
    at = 0
    for d in data:
        count = (len(d) + SECTOR - 1) // SECTOR
        sectors.append((at, count))
        at += count
    dir_first = at
    dir_entries = 1 + len(names)
    dir_count = (dir_entries * 128 + SECTOR - 1) // SECTOR
    at += dir_count
    # FAT sectors: each holds SECTOR / 4 entries, itself included.
    per_fat = SECTOR // 4
    fat_count = 1
    while (at + fat_count) > fat_count * per_fat:
        fat_count += 1
    if fat_count > 109:
        raise ValueError("file too large for a header-only DIFAT")
    fat = [FREESECT] * (fat_count * per_fat)
    for first, count in sectors:
        for k in range(count):
            fat[first + k] = first + k + 1 if k + 1 < count else ENDOFCHAIN
    for k in range(dir_count):
        fat[dir_first + k] = dir_first + k + 1 if k + 1 < dir_count else ENDOFCHAIN
    for k in range(fat_count):
        fat[at + k] = FATSECT

    def entry(name, kind, child, right, start, size):
        raw = name.encode("utf-16-le")
        e = raw + b"\0" * (64 - len(raw))
        e += struct.pack("<HBBIII", len(raw) + 2 if name else 0, kind, 1, NOSTREAM, right, child)
        e += b"\0" * 16 + b"\0" * 4 + b"\0" * 16
        e += struct.pack("<IQ", start, size)
        return e

    directory = entry("Root Entry", 5, 1 if names else NOSTREAM, NOSTREAM, ENDOFCHAIN, 0)
    for i, n in enumerate(names):
        # A degenerate but ordered tree: each entry is the right sibling of the one before.
        right = i + 2 if i + 1 < len(names) else NOSTREAM
        directory += entry(n, 2, NOSTREAM, right, sectors[i][0], len(streams[n]))
    directory += b"\0" * (dir_count * SECTOR - len(directory))

    header = b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16
    header += struct.pack("<HHHHH", 0x3E, 4, 0xFFFE, 12, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", dir_count, fat_count, dir_first, 0, 4096, ENDOFCHAIN, 0, ENDOFCHAIN, 0)
    difat = [at + k for k in range(fat_count)] + [FREESECT] * (109 - fat_count)
    header += struct.pack("<109I", *difat)
    header += b"\0" * (SECTOR - len(header))
    return header + b"".join(data) + directory + struct.pack("<%dI" % len(fat), *fat)


# ---------------------------------------------------------------------------
# Word 97 documents: the text as one UTF-16 piece at 1024 of the main stream, one
# page of character runs and one of paragraph runs after it, the tables named by
# the header's offset/length pairs in the table stream.

TEXT_START = 1024
PAIR = {"Stshf": 1, "PlcffndRef": 2, "PlcffndTxt": 3, "PlcfSed": 6, "BteChpx": 12, "BtePapx": 13, "Sttbfffn": 15, "Clx": 33, "PlfLst": 73, "PlfLfo": 74}
STORIES = ["main", "footnotes", "headers", "macros", "annotations", "endnotes", "textboxes", "headertextboxes"]


def _fkp(runs, paragraphs):
    """One 512-byte page of runs [(first_fc, lim_fc, istd, grpprl)]."""
    page = bytearray(512)
    n = len(runs)
    entry = 13 if paragraphs else 1
    for i, r in enumerate(runs):
        struct.pack_into("<I", page, 4 * i, r[0])
    struct.pack_into("<I", page, 4 * n, runs[-1][1] if runs else 0)
    free = 511
    for i, (_, _, istd, grpprl) in enumerate(runs):
        if paragraphs:
            body = struct.pack("<H", istd) + grpprl
            props = (bytes([(len(body) + 1) // 2]) + body) if len(body) % 2 else (b"\0" + bytes([len(body) // 2]) + body)
        else:
            if not grpprl:
                continue
            props = bytes([len(grpprl)]) + grpprl
        free = (free - len(props)) & ~1
        assert free > 4 * (n + 1) + entry * n, "too many runs for one page"
        page[free:free + len(props)] = props
        page[4 * (n + 1) + entry * i] = free // 2
    page[511] = n
    return bytes(page)


def word97(stories, chars=(), paras=(), tables=None, sections=None):
    """stories: {story name: text}; chars: [(first cp, lim cp, grpprl)]; paras:
    [(first cp, lim cp, istd, grpprl)]; tables: {pair name: bytes}; sections:
    (count, grpprl), count sections that all name one section grpprl."""
    text = "".join(stories.get(s, "") for s in STORIES)
    total = len(text)
    fc = lambda cp: TEXT_START + 2 * cp

    def runs(given, with_istd):
        out, cp = [], 0
        for g in sorted(given):
            first, lim = g[0], g[1]
            if first > cp:
                out.append((fc(cp), fc(first), 0, b""))
            out.append((fc(first), fc(lim), g[2] if with_istd else 0, g[-1]))
            cp = lim
        if cp < total:
            out.append((fc(cp), fc(total), 0, b""))
        return out

    main = bytearray(TEXT_START)
    struct.pack_into("<HH", main, 0, 0xA5EC, 193)
    struct.pack_into("<H", main, 6, 0x0409)
    struct.pack_into("<H", main, 10, 0x0200)  # the tables are in 1Table
    struct.pack_into("<II", main, 24, TEXT_START, fc(total))
    for i, s in enumerate(STORIES):
        struct.pack_into("<I", main, 76 + 4 * i, len(stories.get(s, "")))
    struct.pack_into("<H", main, 152, 93)
    main += text.encode("utf-16-le")
    main += b"\0" * (-len(main) % 512)
    chp_pn = len(main) // 512
    main += _fkp(runs(chars, False), False) + _fkp(runs(paras, True), True)
    if sections:
        count, grpprl = sections
        sepx_fc = len(main)
        main += struct.pack("<H", len(grpprl)) + grpprl
        cps = [total * i // count for i in range(count)] + [total]
        tables = dict(tables or {})
        tables["PlcfSed"] = struct.pack("<%dI" % (count + 1), *cps) + struct.pack("<HIHI", 0, sepx_fc, 0, 0) * count

    table = bytearray()
    pairs = {}

    def put(name, data):
        pairs[name] = (len(table), len(data))
        table.extend(data)
        if len(table) % 2:
            table.append(0)

    put("Clx", struct.pack("<BIIIHIH", 2, 16, 0, total, 0, TEXT_START, 0))
    put("BteChpx", struct.pack("<III", TEXT_START, fc(total), chp_pn))
    put("BtePapx", struct.pack("<III", TEXT_START, fc(total), chp_pn + 1))
    for name, data in (tables or {}).items():
        put(name, data)
    for name, (at, size) in pairs.items():
        struct.pack_into("<II", main, 154 + 8 * PAIR[name], at, size)
    return compound_file({"WordDocument": bytes(main), "1Table": bytes(table)})


def style_sheet(styles):
    """styles: [(kind 1 paragraph / 2 character, base istd or 0xFFF, name, papx, chpx)]."""
    out = struct.pack("<HHH", 18, len(styles), 10) + b"\0" * 14
    for kind, base, name, papx, chpx in styles:
        s = struct.pack("<HHHHH", 0, kind | base << 4, 2 if kind == 1 else 1, 0, 0)
        s += struct.pack("<H", len(name)) + name.encode("utf-16-le") + b"\0\0"
        if len(s) % 2:
            s += b"\0"
        if kind == 1:
            s += struct.pack("<H", 2 + len(papx)) + b"\0\0" + papx
            if len(s) % 2:
                s += b"\0"
        s += struct.pack("<H", len(chpx)) + chpx
        if len(s) % 2:
            s += b"\0"
        out += struct.pack("<H", len(s)) + s
    return out


def sprm16(opcode, value):
    return struct.pack("<HH", opcode, value)


sprmCIstd, sprmPIlfo = 0x4A30, 0x460B


def doc_style_self(refs):
    """A character style whose properties apply itself refs times, used by a run."""
    styles = [(1, 0xFFF, "Normal", b"", b""), (2, 0xFFF, "Loop", b"", sprm16(sprmCIstd, 1) * refs)]
    return word97({"main": "Hello, costly world.\r"}, chars=[(0, 5, sprm16(sprmCIstd, 1))],
                  tables={"Stshf": style_sheet(styles)})


def doc_style_web(count, refs, used=20):
    """count character styles each applying the refs styles after it; the first
    used of them each have a run."""
    styles = [(1, 0xFFF, "Normal", b"", b"")]
    for i in range(count):
        chpx = b"".join(sprm16(sprmCIstd, 1 + (i + k) % count) for k in range(1, refs + 1))
        styles.append((2, 0xFFF, "S%d" % i, b"", chpx))
    text = "".join("Run %d. " % i for i in range(used)) + "\r"
    at, runs = 0, []
    for i in range(used):
        runs.append((at, at + 3, sprm16(sprmCIstd, 1 + i)))
        at += len("Run %d. " % i)
    return word97({"main": text}, chars=runs, tables={"Stshf": style_sheet(styles)})


def list_level(number_text="\0."):
    """A level numbered 1., 2., ... in decimal, followed by a tab."""
    lvl = struct.pack("<IBB", 1, 0, 0) + b"\0" * 9 + bytes([0]) + struct.pack("<II", 0, 0)
    lvl += bytes([0, 0, 0, 0])
    return lvl + struct.pack("<H", len(number_text)) + number_text.encode("utf-16-le")


def doc_list_overrides(lists, overrides, label=1000):
    """lists simple lists (lsid 1..lists) and overrides all naming the last list,
    whose level's text ends in label spaces; the paragraphs are in override 1."""
    lst = struct.pack("<H", lists)
    for i in range(lists):
        lst += struct.pack("<II", i + 1, 0) + struct.pack("<9H", *([0x0FFF] * 9)) + bytes([1, 0])
    lst += list_level() * (lists - 1) + list_level("\0." + " " * label)
    lfo = bytearray(struct.pack("<I", overrides))
    lfo += struct.pack("<IIIBBBB", lists, 0, 0, 0, 0, 0, 0) * overrides
    return word97({"main": "A\rB\r"}, paras=[(0, 4, 0, sprm16(sprmPIlfo, 1))],
                  tables={"PlfLst": lst, "PlfLfo": bytes(lfo)})


def doc_sections_one_sepx(count, sprms):
    """count sections naming one section grpprl of sprms sprms (about 4 bytes each)."""
    grpprl = sprm16(0x5015, 1) * sprms  # a section sprm the notes do not read
    main, note = "Sections.\x02\r" + "Sections.\r" * 3 + "\r", "\x02 Note.\r"
    # One footnote, so that the notes' numbering reads the sections.
    notes = {"PlcffndRef": struct.pack("<IIH", 9, len(main), 1), "PlcffndTxt": struct.pack("<II", 0, len(note))}
    return word97({"main": main, "footnotes": note}, tables=notes, sections=(count, grpprl[:65000]))


def doc_many_footnote_paragraphs(count):
    """A footnote story of count short paragraphs (read with --max-length)."""
    return word97({"main": "Main.\r", "footnotes": "Note line.\r" * count + "\r"})


# ---------------------------------------------------------------------------
# .docx packages.

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"


def docx(body, parts=None):
    types = ('<?xml version="1.0" encoding="UTF-8"?>'
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/>'
             '<Override PartName="/word/document.xml" ContentType="application/'
             'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
    rels = ('<?xml version="1.0" encoding="UTF-8"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            'relationships/officeDocument" Target="word/document.xml"/></Relationships>')
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", types)
        z.writestr("_rels/.rels", rels)
        z.writestr("word/document.xml", '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="%s">'
                   '<w:body>%s</w:body></w:document>' % (W, body))
        for name, data in (parts or {}).items():
            z.writestr(name, data)
    return buf.getvalue()


def docx_paragraphs(count):
    return docx("<w:p><w:r><w:t>Line of text.</w:t></w:r></w:p>" * count)


REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
REL_AFCHUNK = REL + "/aFChunk"
REL_HEADER = REL + "/header"


def rels_part(targets):
    """A relationships part: (id, type, target) triples."""
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s'
            '</Relationships>' % "".join('<Relationship Id="%s" Type="%s" Target="%s"/>' % t for t in targets))


def chunk_refs(ids):
    return "".join('<w:altChunk xmlns:r="%s" r:id="%s"/>' % (REL, i) for i in ids)


def docx_chunk_levels(refs, levels):
    """Each level's page imports the level below refs times; the bottom holds one word.
    The imports nest in .docx packages: level k is a package whose body imports
    level k-1 refs times."""
    inner = docx("<w:p><w:r><w:t>Deep.</w:t></w:r></w:p>")
    for _ in range(levels):
        inner = docx(chunk_refs(["c%d" % i for i in range(refs)]), {
            "word/_rels/document.xml.rels": rels_part([("c%d" % i, REL_AFCHUNK, "chunk.docx") for i in range(refs)]),
            "word/chunk.docx": inner})
    return inner


def docx_one_chunk(chunk_name, chunk, refs):
    """A body that imports one chunk refs times."""
    return docx(chunk_refs(["c"] * refs), {
        "word/_rels/document.xml.rels": rels_part([("c", REL_AFCHUNK, chunk_name)]),
        "word/" + chunk_name: chunk})


def docx_shared_header(size, refs):
    """One header part of about size bytes of text that refs sections name."""
    sect = '<w:sectPr><w:headerReference xmlns:r="%s" w:type="default" r:id="h"/></w:sectPr>' % REL
    body = "".join("<w:p><w:pPr>%s</w:pPr><w:r><w:t>Section.</w:t></w:r></w:p>" % sect for _ in range(refs))
    run = "<w:p><w:r><w:t>%s</w:t></w:r></w:p>" % ("Head " * 200)
    header = '<w:hdr xmlns:w="%s">%s</w:hdr>' % (W, run * (size // len(run)))
    return docx(body, {"word/_rels/document.xml.rels": rels_part([("h", REL_HEADER, "header1.xml")]),
                       "word/header1.xml": header})


def docx_many_entries(refs, entries):
    """refs header references, each to its own one-word header, behind entries zip entries."""
    sect = "".join('<w:p><w:pPr><w:sectPr><w:headerReference xmlns:r="%s" w:type="default" r:id="h%d"/>'
                   '</w:sectPr></w:pPr></w:p>' % (REL, i) for i in range(refs))
    parts = {"word/_rels/document.xml.rels": rels_part([("h%d" % i, REL_HEADER, "h%d.xml" % i) for i in range(refs)])}
    for i in range(refs):
        parts["word/h%d.xml" % i] = '<w:hdr xmlns:w="%s"><w:p><w:r><w:t>H</w:t></w:r></w:p></w:hdr>' % W
    for i in range(entries - refs):
        parts["pad/%d" % i] = ""
    return docx(sect, parts)


def rtf_page(size):
    return ("{\\rtf1\\ansi " + "Chunk text. " * (size // 12) + "\\par}").encode()


def html_page(body):
    return ("<html><body>%s</body></html>" % body).encode()


def html_unclosed_properties(count):
    return ("<html><head><!--[if gte mso 9]><xml><o:DocumentProperties>%s</o:DocumentProperties></xml>"
            "<![endif]--></head><body><p>Body.</p></body></html>" % ("<o:x>" * count)).encode()


def html_end_tags(opened, ends):
    return html_page("<div>" * opened + "<p>Text.</p>" + "</span>" * ends)


def mhtml_empty_parts(count):
    boundary = "b"
    parts = "".join("--%s\r\nContent-Type: text/plain\r\n\r\n\r\n" % boundary for _ in range(count))
    return ("MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"%s\"\r\n\r\n"
            "--%s\r\nContent-Type: text/html\r\n\r\n<html><body><p>Page.</p></body></html>\r\n%s--%s--\r\n"
            % (boundary, boundary, parts, boundary)).encode()


def word2003_headers(decl_bytes, count):
    """Word 2003 XML whose root declares decl_bytes of namespaces, with count sections
    each naming an empty header."""
    decls = "".join(' xmlns:n%d="urn:x-kvword-%d"' % (i, i) for i in range(decl_bytes // 28))
    sect = ('<w:p><w:pPr><w:sectPr><w:hdr w:type="odd"/></w:sectPr></w:pPr></w:p>') * count
    return ('<?xml version="1.0"?><?mso-application progid="Word.Document"?>'
            '<w:wordDocument xmlns:w="http://schemas.microsoft.com/office/word/2003/wordml"%s>'
            '<w:body><w:p><w:r><w:t>Body.</w:t></w:r></w:p>%s</w:body></w:wordDocument>' % (decls, sect)).encode()


# ---------------------------------------------------------------------------
# The table. Expected outcomes: ("text", S) the standard output is S exactly (LF
# line ends asked for); ("starts", S) it starts with S; ("contains", S) it holds S;
# ("fails", S) exit status 1
# and standard error holds S. xfail: the reader is known to exceed the bounds here
# (the row passes when it does, and fails once it no longer does: flip it then).


class Case:
    def __init__(self, name, build, args, expect, xfail=False):
        self.name, self.build, self.args, self.expect, self.xfail = name, build, args, expect, xfail


CASES = [
    Case("doc_style_applies_itself.doc", lambda: doc_style_self(4), [],
         ("text", "Hello, costly world.\n")),
    Case("doc_style_applies_itself_60.doc", lambda: doc_style_self(60), ["--view=stored"],
         ("text", "\nHello, costly world.\n\n\n")),
    Case("doc_styles_apply_each_other.doc", lambda: doc_style_web(200, 40), [],
         ("starts", "Run 0. Run 1. Run 2.")),
    Case("doc_list_overrides_500k.doc", lambda: doc_list_overrides(20000, 500000), [],
         ("text", "1.%s\tA\n2.%s\tB\n" % (" " * 1000, " " * 1000))),
    Case("doc_60k_sections_one_sepx.doc", lambda: doc_sections_one_sepx(60000, 16000), [],
         ("starts", "Sections.[1]\nSections.\n")),
    Case("doc_footnotes_max_length.doc", lambda: doc_many_footnote_paragraphs(400000),
         ["--max-length=100000", "--footnotes"], ("starts", "Main.\n--- footnotes ---\nNote line.\nNote line.\n")),
    Case("docx_1m_paragraphs_max_length.docx", lambda: docx_paragraphs(1000000), ["--max-length=100000"],
         ("starts", "Line of text.\nLine of text.\n")),
    # Packages and web pages: parts and chunks read once however often they are
    # named, searches bounded by what the syntax allows, names found by hash.
    Case("docx_chunks_30_by_4_levels.docx", lambda: docx_chunk_levels(30, 4), [],
         ("starts", "Deep.\nDeep.\n")),
    Case("docx_rtf_chunk_200k_times.docx", lambda: docx_one_chunk("c.rtf", rtf_page(100000), 200000), [],
         ("fails", "limit of 268435456 characters of text")),
    Case("docx_html_chunk_ampersands.docx", lambda: docx_one_chunk("c.htm", html_page("&" * 400000), 1), [],
         ("starts", "&&&&&&&&")),
    Case("htm_unclosed_properties.htm", lambda: html_unclosed_properties(200000), ["--summary"],
         ("starts", "Body.\n")),
    Case("xml_word2003_40k_headers.xml", lambda: word2003_headers(60000, 40000), ["--all"],
         ("starts", "Body.\n")),
    Case("docx_4mb_header_20_refs.docx", lambda: docx_shared_header(4 << 20, 20), [],
         ("starts", "Section.\nSection.\n")),
    Case("docx_20k_headers_30k_entries.docx", lambda: docx_many_entries(20000, 30000), ["--all"],
         ("contains", "--- headers ---\nH\nH\n")),
    Case("mht_300k_empty_parts.mht", lambda: mhtml_empty_parts(300000), [],
         ("starts", "Page.\n")),
    Case("htm_1024_open_2m_end_tags.htm", lambda: html_end_tags(1024, 2000000), [],
         ("starts", "Text.\n")),
]


# ---------------------------------------------------------------------------


def run_case(case, tool, out, slow):
    path = os.path.join(out, case.name)
    data = case.build()
    with open(path, "wb") as f:
        f.write(data)
    mb = len(data) / 1e6
    cpu = int((FLOOR_SECONDS + SECONDS_PER_MB * mb) * slow + 0.999)
    limits = ["prlimit", "--cpu=%d" % cpu]
    if MEMORY_MB:
        limits.append("--as=%d" % (MEMORY_MB << 20))
    start = time.monotonic()
    p = subprocess.run(limits + [tool, "--lf", "--quiet"] + case.args + [path], capture_output=True)
    wall = time.monotonic() - start
    stdout = p.stdout.decode("utf-8", "replace")
    stderr = p.stderr.decode("utf-8", "replace")
    kind, want = case.expect
    if p.returncode < 0 or p.returncode > 2:
        within, why = False, "ended by signal %d or status %d (CPU limit %d s, %d MiB)" % (
            -p.returncode, p.returncode, cpu, MEMORY_MB)
    elif "bad_alloc" in stderr or "memory" in stderr.lower():
        within, why = False, "ran out of memory: " + stderr.strip()[:200]
    elif kind == "text":
        within, why = p.returncode == 0 and stdout == want, "status %d, output %r" % (p.returncode, stdout[:200])
    elif kind == "contains":
        within, why = p.returncode == 0 and want in stdout, "status %d, output %r" % (p.returncode, stdout[:200])
    elif kind == "starts":
        within, why = p.returncode == 0 and stdout.startswith(want), "status %d, output %r" % (
            p.returncode, stdout[:200])
    else:
        within, why = p.returncode == 1 and want in stderr, "status %d, error %r" % (p.returncode, stderr[:200])
    size = "%.1f KB" % (len(data) / 1e3)
    if case.xfail:
        ok = not within
        verdict = "exceeds as known" if ok else "now within bounds: remove xfail from its row"
    else:
        ok = within
        verdict = "ok" if ok else "FAILED: " + why
    print("%-40s %10s  %5.1f s wall  %s" % (case.name, size, wall, verdict), flush=True)
    if ok and not case.xfail:
        os.remove(path)
    return ok


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--tool", help="the kvword to run")
    ap.add_argument("--out", help="the folder the files are written to")
    ap.add_argument("--write", help="only write the files to this folder")
    ap.add_argument("--slow", type=float, default=1.0, help="multiply the CPU bounds (debug or sanitizer builds)")
    ap.add_argument("--no-memory-limit", action="store_true", help="leave the address space unbounded (ASan)")
    ap.add_argument("names", nargs="*", help="only these cases")
    args = ap.parse_args()
    cases = [c for c in CASES if not args.names or c.name in args.names]
    if args.write:
        os.makedirs(args.write, exist_ok=True)
        for c in cases:
            with open(os.path.join(args.write, c.name), "wb") as f:
                f.write(c.build())
        return 0
    if not args.tool or not args.out:
        ap.error("--tool and --out are needed to run the cases")
    global MEMORY_MB
    if args.no_memory_limit:
        MEMORY_MB = 0
    os.makedirs(args.out, exist_ok=True)
    failed = [c.name for c in cases if not run_case(c, args.tool, args.out, args.slow)]
    if failed:
        print("failed: " + ", ".join(failed))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
