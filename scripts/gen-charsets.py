#!/usr/bin/env python3
"""Writes libs/qvl-core/data/charsets.json, the charset tables compiled into
qvl_core. The code-page bytes below are the legacy charsets' own; every other
value (VIQR, Windows-1258, the numeric escapes) is derived from the letters.

Run from the root of the repository: scripts/gen-charsets.py
"""

import json
import pathlib
import unicodedata

# Bytes of each code page for the 134 letters in ascending code-point order;
# a group of four digits is a two-byte sequence, first byte first.
CODE_PAGES = {
    "tcvn3": "B5 B8 A2 B7 CC D0 A3 D7 DD DF E3 A4 E2 EF F3 FD B5 B8 A9 B7 CC D0 AA D7 DD DF E3 AB E2 EF F3 FD A1 A8 A7 AE DC DC F2 F2 A5 AC A6 AD B9 B9 B6 B6 CA CA C7 C7 C8 C8 C9 C9 CB CB BE BE BB BB BC BC BD BD C6 C6 D1 D1 CE CE CF CF D5 D5 D2 D2 D3 D3 D4 D4 D6 D6 D8 D8 DE DE E4 E4 E1 E1 E8 E8 E5 E5 E6 E6 E7 E7 E9 E9 ED ED EA EA EB EB EC EC EE EE F4 F4 F1 F1 F8 F8 F5 F5 F6 F6 F7 F7 F9 F9 FA FA FE FE FB FB FC FC",
    "vni_windows": "41D8 41D9 41C2 41D5 45D8 45D9 45C2 CC CD 4FD8 4FD9 4FC2 4FD5 55D8 55D9 59D9 61F8 61F9 61E2 61F5 65F8 65F9 65E2 EC ED 6FF8 6FF9 6FE2 6FF5 75F8 75F9 79F9 41CA 61EA D1 F1 D3 F3 55D5 75F5 D4 F4 D6 F6 41CF 61EF 41DB 61FB 41C1 61E1 41C0 61E0 41C5 61E5 41C3 61E3 41C4 61E4 41C9 61E9 41C8 61E8 41DA 61FA 41DC 61FC 41CB 61EB 45CF 65EF 45DB 65FB 45D5 65F5 45C1 65E1 45C0 65E0 45C5 65E5 45C3 65E3 45C4 65E4 C6 E6 D2 F2 4FCF 6FEF 4FDB 6FFB 4FC1 6FE1 4FC0 6FE0 4FC5 6FE5 4FC3 6FE3 4FC4 6FE4 D4D9 F4F9 D4D8 F4F8 D4DB F4FB D4D5 F4F5 D4CF F4EF 55CF 75EF 55DB 75FB D6D9 F6F9 D6D8 F6F8 D6DB F6FB D6D5 F6F5 D6CF F6EF 59D8 79F8 CE EE 59DB 79FB 59D5 79F5",
    "viscii": "C0 C1 C2 C3 C8 C9 CA CC CD D2 D3 D4 F5 D9 DA DD E0 E1 E2 E3 E8 E9 EA EC ED F2 F3 F4 F5 F9 FA FD C5 E5 D0 F0 CE EE 9D FB B4 BD BF DF 80 D5 C4 E4 84 A4 85 A5 86 A6 E7 E7 87 A7 81 A1 82 A2 C6 C6 C7 C7 83 A3 89 A9 CB EB 88 A8 8A AA 8B AB 8C AC 8D AD 8E AE 9B EF 98 B8 9A F7 99 F6 8F AF 90 B0 91 B1 92 B2 93 B5 95 BE 96 B6 97 B7 B3 DE 94 FE 9E F8 9C FC BA D1 BB D7 BC D8 FF E6 B9 F1 9F CF DC DC D6 D6 DB DB",
    "vps": "80 C1 C2 82 D7 C9 CA B5 B4 BC B9 D4 BE A8 DA DD E0 E1 E2 E3 E8 E9 EA EC ED F2 F3 F4 F5 F9 FA 9A 88 E6 F1 C7 B8 EF AC DB F7 D6 D0 DC E5 E5 81 E4 83 C3 84 C0 85 C4 C5 C5 C6 C6 8D A1 8E A2 8F A3 F0 A4 A5 A5 CB CB DE C8 FE EB 90 89 93 8A 94 8B 95 CD 8C 8C B7 CC CE CE 86 86 BD D5 96 D3 97 D2 98 B0 99 87 B6 B6 9D A7 9E A9 9F AA A6 AB AE AE F8 F8 D1 FB AD D9 AF D8 B1 BA BB BB BF BF B2 FF 9C 9C FD 9B B3 CF",
    "bkhcm1": "81 80 9F 83 86 85 A5 8B 8A 90 8F AB 92 95 94 7B BF BE DD C1 C4 C3 E3 C9 C8 CE CD E9 D0 D3 D2 FB 99 D7 7D BD 8D CB 97 D5 B1 EF B7 F5 84 C2 82 C0 7E DE A1 DF A2 E0 A3 E1 A4 E2 9A D8 9B D9 9C DA 9D DB 98 DC 89 C7 87 C5 88 C6 A6 E4 A7 E5 A8 E6 A9 E7 AA E8 8C CA 8E CC 93 D1 91 CF AC EA AD EB AE EC AF ED B0 EE B2 F0 B3 F1 B4 F2 B5 F3 B6 F4 98 D6 96 D4 B8 F6 B9 F7 BA F8 BB F9 BC FA 5E FC 8E FF 60 FD 7C FE",
    "bkhcm2": "41C2 41C1 CA 41C4 45C2 45C1 CF D2 D1 4FC2 4FC1 D6 4FC4 55C2 55C1 59C1 61E2 61E1 EA 61E4 65E2 65E1 EF F2 F1 6FE2 6FE1 F6 6FE4 75E2 75E1 79E1 D9 F9 C0 E0 D4 F4 55C4 75E4 DA FA DB FB 41C5 61E5 41C3 61E3 CACB EAEB CACC EAEC CACD EAED CACE EAEE CAC5 EAE5 D9C6 F9E6 D9C7 F9E7 D9C8 F9E8 D9C9 F9E9 D9C5 F9E5 45C5 65E5 45C3 65E3 45C4 65E4 CFCB EFEB CFCC EFEC CFCD EFED CFCE EFEE CFE5 EFE5 D3 F3 D5 F5 4FC5 6FE5 4FC3 6FE3 D6CB F6EB D6CC F6EC D6CD F6ED D6CE F6EE D6C5 F6E5 DAC1 FAE1 DAC2 FAE2 DAC3 FAE3 DAC4 FAE4 DAC5 FAE5 55C5 75E5 55C3 75E3 DBC1 FBE1 DBC2 FBE2 DBC3 FBE3 DBC4 FBE4 DBC5 FBE5 59C2 79E2 59C5 79E5 59C3 79E3 59C4 79E4",
    "vietware_x": "41CC 41CF C1 41CE 45CC 45CF C3 C7 CA 4FCC 4FCF C4 4FCE 55CC 55CF 59CF 61EC 61EF E1 61EE 65EC 65EF E3 E7 EA 6FEC 6FEF E4 6FEE 75EC 75EF 79EF C0 E0 C2 E2 C9 E9 55CE 75EE C5 E5 C6 E6 41DB 61FB 41CD 61ED C1DA E1FA C1D6 E1F6 C1D8 E1F8 C1D9 E1F9 C1DB E1FB C0D5 E0F5 C0D2 E0F2 C0D3 E0F3 C0D4 E0F4 C0DB E0FB 45DB 65FB 45CD 65ED 45CE 65EE C3DA E3FA C3D6 E3F6 C3D8 E3F8 C3D9 E3F9 C3DB E3FB C8 E8 CB EB 4FDC 6FFC 4FCD 6FED C4DA E4FA C4D6 E4F6 C4D8 E4F8 C4D9 E4F9 C4DC E4FC C5CF E5EF C5CC E5EC C5CD E5ED C5CE E5EE C5DC E5FC 55DB 75FB 55CD 75ED C6CF E6EF C6CC E6EC C6CD E6ED C6CE E6EE C6DB E6FB 59CC 79EC 59D1 79F1 59CD 79ED 59CE 79EE",
    "vietware_full": "AA C0 97 BA CC CF 99 D8 DB DF E2 9A E1 EE F2 FC AA C0 A1 BA CC CF A3 D8 DB DF E2 A4 E1 EE F2 FC 96 9F 98 A2 DA DA F1 F1 9B A5 9C A7 C1 C1 B6 B6 CA CA C7 C7 C8 C8 C9 C9 CB CB C5 C5 C2 C2 C3 C3 C4 C4 C6 C6 D1 D1 CD CD CE CE D5 D5 D2 D2 D3 D3 D4 D4 D6 D6 D9 D9 DC DC E3 E3 E0 E0 E7 E7 E4 E4 E5 E5 E6 E6 E8 E8 EC EC E9 E9 EA EA EB EB ED ED F3 F3 EF EF F7 F7 F4 F4 F5 F5 F6 F6 F8 F8 F9 F9 FF FF FA FA FB FB",
}

NAMES = {
    "tcvn3": "TCVN3 (ABC)",
    "vni_windows": "VNI Windows",
    "cp1258": "Windows 1258 codepage",
    "viqr": "VIQR",
    "viscii": "VISCII",
    "vps": "VPS",
    "bkhcm1": "BKHCM 1",
    "bkhcm2": "BKHCM 2",
    "vietware_x": "Vietware X",
    "vietware_full": "Vietware Full",
    "ncr_decimal": "NCR Decimal",
    "ncr_hex": "NCR Hex",
    "cstring_hex": "Unicode C string Hex",
    "cstring_decimal": "Unicode C string Decimal",
}

# (base, mark) for the twelve vowel letters; the mark is a combining character.
VOWELS = [
    ("a", ""), ("a", "\u0306"), ("a", "\u0302"), ("e", ""), ("e", "\u0302"), ("i", ""),
    ("o", ""), ("o", "\u0302"), ("o", "\u031B"), ("u", ""), ("u", "\u031B"), ("y", ""),
]
TONES = ["", "\u0301", "\u0300", "\u0309", "\u0303", "\u0323"]  # sắc huyền hỏi ngã nặng

VIQR_MARK = {"": "", "\u0302": "^", "\u0306": "(", "\u031B": "+"}
VIQR_TONE = {"": "", "\u0301": "'", "\u0300": "`", "\u0309": "?", "\u0303": "~", "\u0323": "."}

# Windows-1258 keeps the marked vowels as bytes and writes the tone as a
# combining byte after them.
CP1258_BASE = {"\u00C2": 0xC2, "\u00CA": 0xCA, "\u00D4": 0xD4, "\u0102": 0xC3,
               "\u01A0": 0xD5, "\u01AF": 0xDD, "\u0110": 0xD0}
CP1258_TONE = {"\u0301": 0xEC, "\u0300": 0xCC, "\u0309": 0xD2, "\u0303": 0xDE, "\u0323": 0xF2}

# Windows-1252 leaves these five bytes unassigned; they stay C1 controls.
CP1252_UNASSIGNED = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def letters():
    """(letter, base, mark, tone) of the 134 letters, in code-point order."""
    out = []
    for base, mark in VOWELS:
        for tone in TONES:
            if not mark and not tone:
                continue
            for b in (base, base.upper()):
                out.append((unicodedata.normalize("NFC", b + mark + tone), b, mark, tone))
    out += [("\u0111", "d", "stroke", ""), ("\u0110", "D", "stroke", "")]
    out.sort(key=lambda row: ord(row[0]))
    assert len(out) == 134 and all(len(row[0]) == 1 for row in out)
    return out


def byte_char(b):
    if b < 0x80 or b >= 0xA0 or b in CP1252_UNASSIGNED:
        return chr(b)
    return bytes([b]).decode("cp1252")


def code_page_values(row):
    groups = row.split()
    assert len(groups) == 134, len(groups)
    values = []
    for group in groups:
        raw = bytes.fromhex(group)
        assert len(raw) in (1, 2), group
        values.append("".join(byte_char(b) for b in raw))
    return values


def viqr(letter, base, mark, tone):
    if mark == "stroke":
        return base + base
    return base + VIQR_MARK[mark] + VIQR_TONE[tone]


def cp1258(letter, base, mark, tone):
    bare = letter if mark == "stroke" else unicodedata.normalize("NFC", base + mark)
    lead = CP1258_BASE.get(bare.upper())
    if lead is None:
        lead = ord(bare)
    elif bare.islower():
        lead += 0x20
    value = chr(lead)
    if tone:
        value += chr(CP1258_TONE[tone])
    return value


def main():
    rows = letters()
    charsets = {}
    for ident in NAMES:
        if ident in CODE_PAGES:
            values = code_page_values(CODE_PAGES[ident])
            table = {row[0]: value for row, value in zip(rows, values)}
        elif ident == "viqr":
            table = {row[0]: viqr(*row) for row in rows}
        elif ident == "cp1258":
            table = {row[0]: cp1258(*row) for row in rows}
        elif ident == "ncr_decimal":
            table = {row[0]: "&#%d;" % ord(row[0]) for row in rows}
        elif ident == "ncr_hex":
            table = {row[0]: "&#x%X;" % ord(row[0]) for row in rows if ord(row[0]) > 0xFF}
        elif ident == "cstring_hex":
            table = {row[0]: "\\x%X" % ord(row[0]) for row in rows}
        else:
            table = {row[0]: "\\u%d" % ord(row[0]) for row in rows}
        charsets[ident] = {"name": NAMES[ident], "map": table}
    document = {
        "_meta": {
            "source": "code pages of the legacy Vietnamese charsets; scripts/gen-charsets.py",
            "note": "code-page bytes are written as the Windows-1252 characters of the "
                    "same number; 81 8D 8F 90 9D as U+0081 U+008D U+008F U+0090 U+009D",
        },
        "charsets": charsets,
    }
    path = pathlib.Path("libs/qvl-core/data/charsets.json")
    path.write_text(json.dumps(document, ensure_ascii=False, indent=1) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
