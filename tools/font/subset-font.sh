#!/bin/sh
# Cuts the panel's embedded font down to the characters it can show, so that the typeface JUCE
# copies into the heap at start stays small. Run by hand when the font or the character set
# changes, then commit the output (docs/artwork.md, "Font"). Needs fontTools (Debian:
# python3-fonttools; set PYTHON to an interpreter that has it) and the font from Debian's
# fonts-jetbrains-mono; neither is a build dependency.
#
# Usage: tools/font/subset-font.sh [source.ttf] [output.ttf]
set -eu

repository=$(cd "$(dirname "$0")/../.." && pwd)
source_font=${1:-/usr/share/fonts/truetype/jetbrains-mono/JetBrainsMono-Medium.ttf}
output_font=${2:-$repository/src/resources/fonts/JetBrainsMono-Medium.ttf}

# The one list of characters the subset keeps: printable ASCII (every text the panel and the
# artwork print, and every character a snapshot name may hold), Latin-1, the other Windows-1252
# letters and marks, the minus sign and the replacement character, as margin for names read back
# from a hand-edited settings file.
characters='U+0020-007E,U+00A0-00FF'
characters="$characters,U+0152-0153,U+0160-0161,U+0178,U+017D-017E,U+0192,U+02C6,U+02DC"
characters="$characters,U+2013-2014,U+2018-201A,U+201C-201E,U+2020-2022,U+2026,U+2030,U+2039-203A"
characters="$characters,U+20AC,U+2122,U+2212,U+FFFD"

# Outlines, advances, vertical metrics and the whole name table (copyright, licence, trademark)
# are kept as they are. Hinting and the OpenType layout tables go: JUCE 7 loads glyphs unhinted
# through FreeType and does no shaping, so neither changes a pixel it draws.
"${PYTHON:-python3}" -m fontTools.subset "$source_font" \
    --output-file="$output_font" \
    --unicodes="$characters" \
    --name-IDs='*' --name-languages='*' --name-legacy \
    --notdef-outline \
    --no-prune-unicode-ranges \
    --no-hinting \
    --layout-features='' --drop-tables+=GDEF,GPOS,GSUB

echo "wrote $output_font ($(wc -c < "$output_font") bytes)"
