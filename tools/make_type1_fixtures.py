#!/usr/bin/python3
"""Writes the hand-written Type 1 font fixtures of the glyph decoder tests.

Each font is written as Type 1 assembly text and assembled with t1utils' t1asm; the program is
stored the way a PDF FontFile holds it: cleartext, eexec section (binary, or hexadecimal text
for the hex font) and the zeros-and-cleartomark trailer, without PFB segment headers. The cases:

- ParchT1Basic: hints of every kind, lines and curves of every Type 1 form, sbw, div, flex
  through othersubrs 0 to 2, hint replacement through othersubr 3, an accented glyph (seac)
  whose base and accent side bearings differ, a seac naming the glyph itself, a subroutine
  that calls itself, a glyph without endchar, and an Encoding array that puts one name.
- ParchT1Plain: lenIV -1 (charstrings not encrypted) with procedures named -|, |- and |.
- ParchT1Hex: the eexec section as hexadecimal text, after a FontDirectory test in the cleartext.

Usage: /usr/bin/python3 tools/make_type1_fixtures.py  (needs t1utils and python3-fonttools).
Deterministic.
"""
import os
import subprocess
import tempfile

from fontTools.t1Lib import T1Font

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "pdf", "render",
                   "ScrivletType1Fixtures")

CLEARTEXT = """%!PS-AdobeFont-1.0: {name} 001.000
%%Title: {name}
{prologue}11 dict begin
/FontInfo 4 dict dup begin
/version (001.000) readonly def
/FullName ({name}) readonly def
/ItalicAngle 0 def
/isFixedPitch false def
end readonly def
/FontName /{name} def
/PaintType 0 def
/FontType 1 def
/FontMatrix [0.001 0 0 0.001 0 0] readonly def
{encoding}
/FontBBox {{-50 -250 1000 900}} readonly def
currentdict end
currentfile eexec
"""

ENCODING_ARRAY = """/Encoding 256 array
0 1 255 {1 index exch /.notdef put} for
dup 65 /square put
readonly def"""

PRIVATE = """dup /Private 9 dict dup begin
/{rd} {{string currentfile exch readstring pop}} executeonly def
/{nd} {{noaccess def}} executeonly def
/{np} {{noaccess put}} executeonly def
/BlueValues [-10 0 700 710] def
/MinFeature {{16 16}} def
/password 5839 def
{leniv}/Subrs 7 array
dup 0 {{
\t3 0 callothersubr
\tpop
\tpop
\tsetcurrentpoint
\treturn
\t}}{np}
dup 1 {{
\t0 1 callothersubr
\treturn
\t}}{np}
dup 2 {{
\t0 2 callothersubr
\treturn
\t}}{np}
dup 3 {{
\treturn
\t}}{np}
dup 4 {{
\t3 1 3 callothersubr
\tpop
\tcallsubr
\treturn
\t}}{np}
dup 5 {{
\t100 0 rlineto
\t5 callsubr
\treturn
\t}}{np}
dup 6 {{
\t0 40 hstem
\t300 20 vstem
\treturn
\t}}{np}
{nd}
2 index /CharStrings {count} dict dup begin
"""

# Glyph programs shared by all fonts.
BASIC_GLYPHS = {
    ".notdef": "0 500 hsbw\nendchar",
    "square": "50 600 hsbw\n0 50 hstem\n50 50 vstem\n0 0 rmoveto\n500 hlineto\n500 vlineto\n"
              "-500 0 rlineto\nclosepath\nendchar",
    "curves": "40 700 hsbw\n10 20 30 40 50 60 hstem3\n1 2 3 4 5 6 vstem3\ndotsection\n"
              "100 hmoveto\n50 100 150 200 vhcurveto\n200 50 -100 -150 hvcurveto\n"
              "-30 -20 -40 -10 -100 -50 rrcurveto\n300 vmoveto\n600 2 div 0 rlineto\n"
              "0 -120 rlineto\nclosepath\nendchar",
    "sbwglyph": "30 40 800 0 sbw\n100 100 rmoveto\n200 0 rlineto\n0 200 rlineto\nclosepath\nendchar",
    "flexed": "0 800 hsbw\n0 0 rmoveto\n100 0 rlineto\n1 callsubr\n"
              "200 0 rmoveto 2 callsubr\n-100 0 rmoveto 2 callsubr\n50 20 rmoveto 2 callsubr\n"
              "50 0 rmoveto 2 callsubr\n50 0 rmoveto 2 callsubr\n50 -20 rmoveto 2 callsubr\n"
              "50 0 rmoveto 2 callsubr\n50 450 0 0 callsubr\n0 300 rlineto\n-400 0 rlineto\n"
              "closepath\nendchar",
    "hintrepl": "20 600 hsbw\n0 50 hstem\n100 100 rmoveto\n200 0 rlineto\n4 callsubr\n0 40 hstem\n"
                "0 200 rlineto\n6 1 3 callothersubr\npop\ncallsubr\n-200 0 rlineto\nclosepath\nendchar",
    "e": "30 500 hsbw\n0 0 rmoveto\n400 0 rlineto\n0 400 rlineto\nclosepath\nendchar",
    "acute": "60 300 hsbw\n0 0 rmoveto\n100 100 rlineto\n-100 0 rlineto\nclosepath\nendchar",
    "eacute": "30 500 hsbw\n60 100 500 101 194 seac",
    "a": "30 500 hsbw\n60 0 0 97 194 seac",
    "recurse": "0 500 hsbw\n0 0 rmoveto\n5 callsubr\nclosepath\nendchar",
    "open": "0 500 hsbw\n0 0 rmoveto\n100 0 rlineto\n0 100 rlineto\nclosepath",
}


def charstring_block(glyphs, rd, nd):
    text = ""
    for name, program in glyphs.items():
        body = "\n".join("\t" + line for line in program.split("\n"))
        text += "/%s {\n%s\n\t}%s\n" % (name, body, nd)
    return text


# The usual test whether the font is already defined, which the cleartext reader skips.
FONT_DIRECTORY_PROLOGUE = """FontDirectory /{name} known {{/{name} findfont dup /UniqueID known
{{dup /UniqueID get 4999999 eq exch /FontType get 1 eq and}} {{pop false}} ifelse
{{save true}} {{false}} ifelse}} {{false}} ifelse
"""


def font_source(name, encoding, rd="RD", nd="ND", np="NP", leniv="", prologue=False):
    glyphs = BASIC_GLYPHS
    text = CLEARTEXT.format(name=name, encoding=encoding,
                            prologue=FONT_DIRECTORY_PROLOGUE.format(name=name) if prologue else "")
    text += PRIVATE.format(rd=rd, nd=nd, np=np, leniv=leniv, count=len(glyphs))
    text += charstring_block(glyphs, rd, nd)
    text += "end\nend\nreadonly put\nnoaccess put\ndup /FontName get exch definefont pop\n"
    text += "mark currentfile closefile\ncleartomark\n"
    return text


def assemble(source, option):
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "font.txt")
        out = os.path.join(work, "font.out")
        with open(src, "w") as f:
            f.write(source)
        subprocess.run(["t1asm", option, src, out], check=True)
        with open(out, "rb") as f:
            return f.read()


def pfb_to_raw(pfb):
    """The segments of a PFB file joined without their headers."""
    raw, pos = b"", 0
    while pos + 2 <= len(pfb) and pfb[pos] == 0x80 and pfb[pos + 1] in (1, 2):
        length = int.from_bytes(pfb[pos + 2:pos + 6], "little")
        raw += pfb[pos + 6:pos + 6 + length]
        pos += 6 + length
    return raw


def main():
    os.makedirs(OUT, exist_ok=True)
    fonts = {
        "ParchT1Basic.t1": pfb_to_raw(assemble(font_source("ParchT1Basic", ENCODING_ARRAY), "-b")),
        "ParchT1Plain.t1": pfb_to_raw(assemble(
            font_source("ParchT1Plain", "/Encoding StandardEncoding def", "-|", "|-", "|", "/lenIV -1 def\n"),
            "-b")),
        "ParchT1Hex.t1": assemble(font_source("ParchT1Hex", "/Encoding StandardEncoding def", prologue=True), "-a"),
    }
    for name, data in fonts.items():
        path = os.path.join(OUT, name)
        with open(path, "wb") as f:
            f.write(data)
        if name != "ParchT1Plain.t1":  # fontTools reads no font with lenIV -1
            check_with_fonttools(path)


def check_with_fonttools(path):
    """fontTools reads every glyph back, so the fixtures do not rest on our own decoder."""
    font = T1Font(path)
    font.parse()
    charstrings = font.font["CharStrings"]
    assert sorted(charstrings.keys()) == sorted(BASIC_GLYPHS), path
    for name in BASIC_GLYPHS:
        charstrings[name].decompile()
        assert name == "open" or charstrings[name].program[-1] in ("endchar", "seac"), (path, name)


if __name__ == "__main__":
    main()
