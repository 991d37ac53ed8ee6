#!/usr/bin/env python3
"""Writes the seed corpus of the tag fuzzer into corpus/: small files with the
tag shapes the reader must handle (ID3v2.2/2.3/2.4, unsynchronisation,
extended headers, footers, every text encoding, ID3v1.0/1.1). The audio is a
few hundred bytes of an MPEG frame header and filler; the fuzzer mutates from
here. Run it again only to change the seeds."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")

AUDIO = b"\xff\xfb\x90\x64" + bytes(range(256)) + b"\xaa" * 160


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def header(major, flags, size):
    return b"ID3" + bytes([major, 0, flags]) + syncsafe(size)


def f23(fid, content, flags2=0):
    return fid.encode() + struct.pack(">I", len(content)) + bytes([0, flags2]) + content


def f24(fid, content, status=0, fmt=0):
    return fid.encode() + syncsafe(len(content)) + bytes([status, fmt]) + content


def f22(fid, content):
    n = len(content)
    return fid.encode() + bytes([(n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF]) + content


def tag(major, frames, padding=0, flags=0, footer=False):
    body = frames + b"\0" * padding
    out = header(major, flags | (0x10 if footer else 0), len(body)) + body
    if footer:
        out += b"3DI" + bytes([major, 0, flags | 0x10]) + syncsafe(len(body))
    return out


def v1(title, artist=b"", album=b"", year=b"", comment=b"", track=None, genre=255):
    def field(b, w):
        return b[:w] + b"\0" * (w - len(b[:w]))
    block = b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
    if track is None:
        block += field(comment, 30)
    else:
        block += field(comment, 28) + b"\0" + bytes([track])
    return block + bytes([genre])


def unsync(data):
    out = bytearray()
    for i, b in enumerate(data):
        out.append(b)
        if b == 0xFF and (i + 1 == len(data) or data[i + 1] == 0 or data[i + 1] >= 0xE0):
            out.append(0)
    return bytes(out)


def utf16(text, bom=True):
    return (b"\xff\xfe" if bom else b"") + text.encode("utf-16-le")


PIC = b"\xff\xd8\xff\xe0" + bytes(range(64)) + b"\xff\xd9"

seeds = {
    "empty": b"",
    "audio-only": AUDIO,
    "v1.0": AUDIO + v1(b"Title", b"Artist", b"Album", b"1999", b"A thirty byte comment here...!", genre=17),
    "v1.1": AUDIO + v1(b"Caf\xe9", b"Artist", b"Album", b"2001", b"Comment", track=7, genre=148),
    "v23-basic": tag(3, f23("TIT2", b"\0Title") + f23("TPE1", b"\0Artist") + f23("TALB", b"\0Album")
                     + f23("TRCK", b"\x007/12") + f23("TYER", b"\x002004") + f23("TCON", b"\0(17)")
                     + f23("COMM", b"\0engiTunNORM\0 0000 1111") + f23("COMM", b"\0eng\0Hello"), 32) + AUDIO,
    "v23-unicode": tag(3, f23("TIT2", b"\x01" + utf16("\u0441\u043f\u0430\u0441\u0438\u0431\u043e"))
                       + f23("TPE1", b"\x01\xfe\xff" + "\u65e5\u672c".encode("utf-16-be"))
                       + f23("TXXX", b"\x01" + utf16("KEY") + b"\0\0" + utf16("value"))
                       + f23("APIC", b"\0image/jpeg\0\x03" + b"cover\0" + PIC)
                       + f23("USLT", b"\x01eng" + utf16("") + b"\0\0" + utf16("la la")), 16) + AUDIO
                      + v1(b"spasibo", track=1, genre=0),
    "v23-unsync-exthdr": (lambda body: header(3, 0xC0, len(body)) + body)(
        unsync(struct.pack(">I", 6) + b"\0\0\0\0\0\0" + f23("TIT2", b"\0\xff\xe0 sync")
               + f23("APIC", b"\0image/jpeg\0\x00\0" + PIC) + f23("TCON", b"\0(17)Rock")) + b"\0" * 8) + AUDIO,
    "v23-flags": tag(3, f23("TIT2", b"\0Plain")
                     + f23("TPE1", b"\x05\0Grouped artist", 0x20) + f23("TALB", b"xxxxzzzz", 0x80)
                     + f23("PRIV", b"owner\0data") + f23("POPM", b"a@b\0\xff\0\0\0\x10"), 4) + AUDIO,
    "v24-basic": tag(4, f24("TIT2", b"\x03T\xc3\xadtulo") + f24("TPE1", b"\x02" + "\u0410\u0411".encode("utf-16-be"))
                     + f24("TDRC", b"\x002010-05-01") + f24("TRCK", b"\x00300")
                     + f24("TCON", b"\x0017") + f24("COMM", b"\x03engdesc\0text")
                     + f24("TXXX", b"\x03key\0\xc3\xa9t\xc3\xa9")
                     + f24("APIC", b"\x03image/png\0\x03caf\xc3\xa9\0" + PIC)
                     + f24("TSOT", b"\0sort") + f24("TLEN", b"\x001000", fmt=0x08), 20) + AUDIO,
    "v24-footer-unsync": tag(4, f24("TIT2", unsync(b"\0\xff\xe0title"), fmt=0x02)
                             + f24("TALB", b"\0\0\0\x05\0Album", fmt=0x01)
                             + f24("TPE1", b"\x07\0Grouped", fmt=0x40), 0, flags=0x80, footer=True) + AUDIO,
    "v24-exthdr": (lambda body: header(4, 0x40, len(body)) + body)(
        syncsafe(6) + b"\x01\0" + f24("TIT2", b"\0Extended") + b"\0" * 10) + AUDIO,
    "v24-plain-sizes": tag(4, b"TIT2" + struct.pack(">I", 0x85) + b"\0\0\0" + b"T" * 0x84
                           + f24("TPE1", b"\0after")) + AUDIO,
    "v22": tag(2, f22("TT2", b"\0Old title") + f22("TP1", b"\x01" + utf16("\u00e9l\u00e8ve"))
               + f22("TAL", b"\0Album") + f22("TRK", b"\x003/9") + f22("TYE", b"\x001990")
               + f22("TCO", b"\0(8)") + f22("COM", b"\0eng\0v22 comment")
               + f22("PIC", b"\0JPG\x03desc\0" + PIC) + f22("TXX", b"\0k\0v"), 8) + AUDIO + v1(b"v22"),
    "v24-conversions": tag(4, f24("TIT2", b"\x03Titel") + f24("TPE1", b"\x03Alpha\0Beta")
                           + f24("TCON", b"\x0017\x008\0Eurodisco") + f24("TDRC", b"\x002004-05-06T12:30:45")
                           + f24("TDOR", b"\x001999-03") + f24("TIPL", b"\x03producer\0P\0engineer\0E")
                           + f24("TMCL", b"\0guitar\0G") + f24("TSOP", b"\x03Sort") + f24("TMOO", b"\x03Mellow")
                           + f24("WXXX", b"\x03Seite\0http://x/") + f24("USER", b"\x03deuNur f\xc3\xbcr")
                           + f24("GEOB", b"\x03text/plain\0f.txt\0Beschr\0DATA")
                           + f24("SYLT", b"\x03eng\x02\x01D\0La\0\0\0\0\x10Li\0\0\0\0\x20")
                           + f24("OWNE", b"\x03EUR1\x0020240101H\xc3\xa4ndler")
                           + f24("COMR", b"\x03EUR1\x0020250101http://s/\0\x01S\0D\0image/png\0LOGO")
                           + f24("CHAP", b"ch0\0" + bytes(16) + f24("TIT2", b"\x03Kapitel"))
                           + f24("CTOC", b"toc\0\x03\x01ch0\0" + f24("TIT2", b"\x03Inhalt"))
                           + f24("TPE2", syncsafe(5) + zlib.compress(b"\0Band"), fmt=0x09)
                           + f24("TPE3", b"\x80secret", fmt=0x04), 16) + AUDIO,
    "v23-chapters-compressed": tag(3, f23("TIT2", struct.pack(">I", 6) + zlib.compress(b"\0Title"), 0x80)
                                   + f23("TPE1", b"\x81encrypted", 0x40)
                                   + f23("COMM", b"\x07\0eng\0Grouped comment", 0x20)
                                   + f23("COMM", b"\0engiTunSMPB\0 00000000 00000210")
                                   + f23("CHAP", b"c1\0" + bytes(16) + f23("TIT2", b"\x03Chapter \xc3\xa9"))
                                   + f23("CTOC", b"t\0\x03\x01c1\0" + f23("TIT2", b"\0Contents")), 8) + AUDIO,
    "v22-player": tag(2, f22("TT2", b"\0Song") + f22("TCM", b"\0Composer") + f22("TP2", b"\0Band")
                      + f22("TBP", b"\x00120") + f22("TCP", b"\x001") + f22("TEN", b"\0iTunes")
                      + f22("TS2", b"\0Band, The") + f22("TSA", b"\0Album, The")
                      + f22("COM", b"\0engiTunSMPB\0 00000000 00000210") + f22("ULT", b"\0eng\0La la")
                      + f22("LNK", b"TT2http://x/\0id") + f22("CRM", b"owner\0desc\0data")
                      + f22("TZZ", b"\0unknown text"), 8) + AUDIO,
    "oversized": header(3, 0, 0x0FFFFFFF) + f23("TIT2", b"\0Too big") + AUDIO,
    "frame-past-end": tag(3, f23("TIT2", b"\0ok") + b"TPE1" + struct.pack(">I", 0x7FFFFFFF) + b"\0\0abc") + AUDIO,
    "tag-only": tag(3, f23("TIT2", b"\0No audio") + b"\0" * 100),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(OUT, name + ".mp3"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
