#!/bin/sh
# Rebuilds the sample's fonts from Debian's fonts-dejavu-core with our mkfont
# tool (".ttf" -> ".nefnt"). Licence: DejaVu-LICENSE.txt beside this script.
#   times   <- DejaVu Serif
#   timesi  <- DejaVu Serif Italic
#   benguat <- DejaVu Serif Bold
# Usage: make_fonts.sh [path/to/mkfont]   (default: <repo>/build/bin/mkfont)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
mkfont=${1:-$repo/build/bin/mkfont}
src=${DEJAVU_DIR:-/usr/share/fonts/truetype/dejavu}

if [ ! -x "$mkfont" ]; then
    echo "mkfont not found at $mkfont; build it with: cmake --build build --target mkfont" >&2
    exit 1
fi

"$mkfont" "$src/DejaVuSerif.ttf" "$here/times.nefnt"
"$mkfont" "$src/DejaVuSerif-Italic.ttf" "$here/timesi.nefnt"
"$mkfont" "$src/DejaVuSerif-Bold.ttf" "$here/benguat.nefnt"
sed -n '/^Files: \*/,/^Files: debian/p' /usr/share/doc/fonts-dejavu-core/copyright | sed '$d' > "$here/DejaVu-LICENSE.txt"
