#!/usr/bin/python3
# Writes a copy of a TrueType font with the Hebrew letters of another font of the same units
# per em (DejaVu Sans) added, under a higher revision, so that Wine prefers the copy to the font
# of the same name. Wine draws a text that holds Hebrew letters through the glyphs of the chosen
# font alone (font linking does not reach it), and Wine's own Tahoma and MS Sans Serif have none.
#   add-hebrew-glyphs.py FROM.ttf FONT.ttf OUT.ttf        (needs python3-fonttools)
import sys

from fontTools.ttLib import TTFont
from fontTools.ttLib.tables import ttProgram

source_path, font_path, out_path = sys.argv[1:4]
source, font = TTFont(source_path), TTFont(font_path)
if source['head'].unitsPerEm != font['head'].unitsPerEm:
    sys.exit(f"{font_path}: units per em differ from {source_path}")
source_cmap, font_cmap = source.getBestCmap(), font.getBestCmap()
order = list(font.getGlyphOrder())
copied = {}


def copy(name):
    """The glyph 'name' of the source in the font (with its components), unhinted."""
    if name not in copied:
        glyph = source['glyf'][name]
        if glyph.isComposite():
            for component in glyph.components:
                component.glyphName = copy(component.glyphName)
        elif hasattr(glyph, 'program'):
            glyph.program = ttProgram.Program()
            glyph.program.fromBytecode(b'')
        copied[name] = 'hebrew.' + name
        font['glyf'].glyphs[copied[name]] = glyph
        font['hmtx'].metrics[copied[name]] = source['hmtx'].metrics[name]
        order.append(copied[name])
    return copied[name]


added = {code: copy(source_cmap[code]) for code in sorted(source_cmap)
         if (0x0590 <= code <= 0x05FF or 0xFB1D <= code <= 0xFB4F) and code not in font_cmap}
font.setGlyphOrder(order)
font['glyf'].glyphOrder = order
for table in font['cmap'].tables:
    if table.isUnicode():
        table.cmap.update(added)
for name in ('hdmx', 'LTSH', 'VDMX'):  # per-size tables that do not know the new glyphs
    if name in font:
        del font[name]
font['head'].fontRevision = font['head'].fontRevision + 100
font.save(out_path)
