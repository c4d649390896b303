#!/usr/bin/env bash
# Generates the main window's image assets into assets/: the 700 x 525 background texture
# and the window icon at 16, 32, 48, 128 and 256 pixels, each as made (background.jpg,
# icon-SIZE.png: the installed icons) and with the same pixels as a BMP file that the program
# embeds (background.bmp, icon-SIZE.bmp up to 128). The noise has a fixed seed and the files
# carry no dates, so a rerun writes the same bytes.
# Usage: scripts/make-assets.sh
set -euo pipefail

# Debian's ImageMagick, by its full path: another `convert` may come first on PATH.
IM=/usr/bin/convert
[[ -x $IM ]] || { echo "make-assets: $IM not found (Debian package imagemagick)" >&2; exit 1; }

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/assets"
mkdir -p "$out"
png_opts=(-strip -define png:exclude-chunks=date,time)

# Background: grey noise smeared sideways into brushed metal, tinted blue-grey, with a few
# faint darker streaks so the surface does not look flat.
# The noise is made wider than the picture and cut from the middle: the blur smears the
# edges.
"$IM" -seed 1957 -size 1100x525 xc:gray50 +noise Random -colorspace Gray \
    -motion-blur 0x24+0 -auto-level \
    \( -size 1100x525 xc:gray50 -seed 2003 +noise Random -colorspace Gray \
       -motion-blur 0x120+0 -auto-level \) \
    -compose Overlay -composite -crop 700x525+200+0 +repage \
    -type TrueColor -colorspace sRGB +level-colors 'rgb(58,70,90)','rgb(140,154,176)' \
    -strip -sampling-factor 4:4:4 -quality 90 "$out/background.jpg"
# The program embeds the JPEG's decoded pixels, unchanged, as an uncompressed 8-bit
# colour-mapped BMP: the decoded picture has few colours (41), so one byte a pixel holds it
# exactly. Its rows are stored top row first (a negative height), so that the program draws
# it straight from the file's bytes; ImageMagick writes the bottom row first, so the picture
# is written upside down and its height then negated.
colours=$("$IM" "$out/background.jpg" -format %k info:)
((colours <= 256)) ||
    { echo "make-assets: background.jpg has $colours colours, more than a colour map holds" >&2; exit 1; }
"$IM" "$out/background.jpg" +dither -type Palette -flip -compress None "BMP3:$out/background.bmp"
height=$("$IM" "$out/background.jpg" -format %h info:)
negated=$(( (1 << 32) - height ))
printf "$(printf '\\x%02x' $((negated & 255)) $((negated >> 8 & 255)) $((negated >> 16 & 255)) \
    $((negated >> 24 & 255)))" | dd of="$out/background.bmp" bs=1 seek=22 conv=notrunc status=none
differ=$(/usr/bin/compare -metric AE "$out/background.jpg" "$out/background.bmp" null: 2>&1) || true
[[ $differ == 0 ]] ||
    { echo "make-assets: background.bmp differs from background.jpg in $differ pixels" >&2; exit 1; }

# Icon: a small scope screen in a dark bezel, with a graticule and a green square wave.
# Each size is drawn four times larger and reduced, so that the trace stays a clean line
# even at 16 pixels.
icon() {
    local size=$1 r=$(( $1 * 4 ))
    local f=$(( r / 64 ))               # unit: 1/64 of the drawing
    local bezel=$(( 2 * f )) inset=$(( 9 * f )) corner=$(( 8 * f ))
    local s0=$inset s1=$(( r - inset - 1 ))
    local grid=$(( f > 1 ? f : 1 )) trace=$(( 3 * f > 6 ? 3 * f : 6 ))
    local draw="stroke none fill rgb(34,38,46) roundrectangle $bezel,$bezel $(( r - bezel - 1 )),$(( r - bezel - 1 )) $corner,$corner"
    draw+=" fill rgb(70,130,180) rectangle $s0,$s0 $s1,$s1"
    # Graticule: four divisions each way, drawn only from 32 pixels up.
    if (( size >= 32 )); then
        draw+=" stroke rgb(170,200,225) stroke-width $grid"
        local i x
        for i in 1 2 3; do
            x=$(( s0 + (s1 - s0) * i / 4 ))
            draw+=" line $x,$s0 $x,$s1 line $s0,$x $s1,$x"
        done
    fi
    # Square wave: two and a half periods between the upper and the lower level, drawn as
    # separate segments (this ImageMagick strokes a wide polyline with a stray diagonal).
    local hi=$(( s0 + (s1 - s0) * 30 / 100 )) lo=$(( s0 + (s1 - s0) * 70 / 100 ))
    local w=$(( (s1 - s0) / 5 )) x=$(( s0 + 3 * f )) y xs wave="stroke-linecap square"
    y=$lo
    for i in 1 2 3 4 5; do
        xs=$(( i == 5 ? s1 - 3 * f : s0 + w * i ))
        wave+=" line $x,$y $xs,$y"
        (( i < 5 )) && wave+=" line $xs,$lo $xs,$hi"
        x=$xs
        y=$(( y == lo ? hi : lo ))
    done
    "$IM" -size ${r}x${r} xc:none -draw "$draw" \
        -fill none -stroke 'rgb(124,252,0)' -strokewidth "$trace" -draw "$wave" \
        -filter Triangle -resize ${size}x${size} \
        "${png_opts[@]}" "PNG32:$out/icon-$size.png"
}

# The same pixels as uncompressed 32-bit BMP files with alpha for the program's window icon,
# which Qt reads without an image plugin. The PNG files are the ones installed for the
# desktop, which also gets the 256-pixel one; the window's own icon goes up to 128 pixels,
# since every size it holds is converted for the window manager before the window can show.
for size in 16 32 48 128 256; do
    icon "$size"
    [[ $size == 256 ]] && continue
    "$IM" "$out/icon-$size.png" -compress None "BMP:$out/icon-$size.bmp"
    differ=$(/usr/bin/compare -metric AE "$out/icon-$size.png" "$out/icon-$size.bmp" null: 2>&1) || true
    [[ $differ == 0 ]] ||
        { echo "make-assets: icon-$size.bmp differs from icon-$size.png in $differ pixels" >&2; exit 1; }
done
echo "make-assets: wrote background.{jpg,bmp}, icon-{16,32,48,128}.{png,bmp} and icon-256.png to $out"
