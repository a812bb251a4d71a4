#!/usr/bin/env bash
# Regenerates the kiosk's artwork under Picture/ and the icon and cursor
# under res/. Run from the repository root: tools/make_artwork.sh
# Output is deterministic: rerunning it gives byte-identical files.
set -euo pipefail

# /usr/local/bin may hold a stand-in convert that cannot render pages.
export PATH=/usr/bin:/bin:$PATH
export MAGICK_THREAD_LIMIT=1 # one thread keeps anti-aliasing reproducible
export LC_ALL=C.UTF-8 TZ=UTC SOURCE_DATE_EPOCH=0

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TOOLS=$ROOT/tools
PIC=$ROOT/Picture
RES=$ROOT/res
FONT_DIR=/usr/share/fonts/truetype/wqy
FONT=$FONT_DIR/wqy-zenhei.ttc

die() { echo "make_artwork: $*" >&2; exit 1; }

require_tools() {
    local missing=()
    [[ -x /usr/bin/convert ]] || missing+=(imagemagick)
    [[ -f $FONT ]] || missing+=(fonts-wqy-zenhei)
    if ((${#missing[@]})); then
        [[ $(id -u) -eq 0 ]] || die "missing packages: ${missing[*]} (install them as root)"
        echo "make_artwork: installing ${missing[*]}" >&2
        if ! { apt-get update -qq && apt-get install -y -qq "${missing[@]}"; } >&2; then
            die "could not install ${missing[*]}"
        fi
    fi
    [[ -x /usr/bin/convert ]] || die "ImageMagick (/usr/bin/convert) not found"
    [[ -f $FONT ]] || die "font $FONT not found"
    command -v python3 >/dev/null || die "python3 not found"
    local formats
    formats=$(/usr/bin/convert -list format)
    grep -q ' PNG' <<<"$formats" || die "ImageMagick lacks PNG support"
}

# Palette of the page: calm navy and steel blue on cool greys, amber accent.
NAVY='#1E3A5C'
STEEL='#2F6FA7'
PAGE='#EEF2F6'
PANEL='#DFE6EE'
LINE='#C9D3DE'
SOFT='#D5DDE6'
MUTED='#5B6B7D'
SUBTLE='#BFD0E2'
AMBER='#F2B33D'
CORAL='#C8553D'
TEAL='#1F8A70'

# shellcheck disable=SC2054 # the commas belong to ImageMagick's option value
PNG_OPTS=(-strip -define png:exclude-chunks=date,time +set date:create +set date:modify)

# Drawing commands are gathered in A, then one convert call renders them.
A=()
W=0
H=0

canvas() { W=$1 H=$2; A=(-size "${W}x${H}" "xc:$3"); }

# Filled rectangle over pixels [l, r) x [t, b).
rect() { A+=(-stroke none -fill "$5" -draw "rectangle $1,$2 $(($3 - 1)),$(($4 - 1))"); }

# Frame of width w just inside [l, r) x [t, b), drawn as four crisp bands.
frame() {
    local l=$1 t=$2 r=$3 b=$4 c=$5 w=${6:-1}
    rect "$l" "$t" "$r" $((t + w)) "$c"
    rect "$l" $((b - w)) "$r" "$b" "$c"
    rect "$l" "$t" $((l + w)) "$b" "$c"
    rect $((r - w)) "$t" "$r" "$b" "$c"
}

# Stroke width that thickens glyphs of this size without clogging them.
bold_width() { awk -v s="$1" 'BEGIN { printf "%.2f", s * 0.024 }'; }

# Text centred on (cx, cy); "bold" thickens the strokes (the font has no bold face).
text() {
    local cx=$1 cy=$2 size=$3 colour=$4 str=$5 weight=${6:-}
    local off
    off=$(printf '%+d%+d' $((cx - W / 2)) $((cy - H / 2)))
    if [[ $weight == bold ]]; then
        A+=(-stroke "$colour" -strokewidth "$(bold_width "$size")")
    else
        A+=(-stroke none)
    fi
    A+=(-font "$FONT" -pointsize "$size" -fill "$colour" -gravity center
        -annotate "$off" "$str" -gravity NorthWest -stroke none)
}

# Text with its left edge at x, vertically centred on cy.
text_left() {
    local x=$1 cy=$2 size=$3 colour=$4 str=$5 weight=${6:-}
    local off
    off=$(printf '%+d%+d' "$x" $((cy - H / 2)))
    if [[ $weight == bold ]]; then
        A+=(-stroke "$colour" -strokewidth "$(bold_width "$size")")
    else
        A+=(-stroke none)
    fi
    A+=(-font "$FONT" -pointsize "$size" -fill "$colour" -gravity West
        -annotate "$off" "$str" -gravity NorthWest -stroke none)
}

# Stroked shape: stroke colour, width, then a -draw primitive.
line_art() { A+=(-fill none -stroke "$1" -strokewidth "$2" -draw "$3" -stroke none); }

# Places another picture with its top-left corner at (x, y).
place() { A+=("$1" -geometry "+$2+$3" -composite); }

# render_png PNG32|PNG24 FILE: with or without an alpha channel.
render_png() { convert "${A[@]}" "${PNG_OPTS[@]}" "$1:$2"; }

# ---- icons drawn with primitives, centred on (cx, cy), about 44 px -------

icon_history() {
    local cx=$1 cy=$2 c=$3
    line_art "$c" 4 "circle $cx,$cy $((cx + 19)),$cy"
    line_art "$c" 4 "polyline $cx,$((cy - 11)) $cx,$cy $((cx + 9)),$((cy + 6))"
}

icon_clear() {
    local cx=$1 cy=$2 c=$3
    # an eraser at 45 degrees, its rubber end filled, resting on a line
    line_art "$c" 4 "polygon $((cx - 21)),$((cy + 8)) $((cx + 4)),$((cy - 17)) $((cx + 17)),$((cy - 4)) $((cx - 8)),$((cy + 21))"
    A+=(-stroke none -fill "$c" -draw
        "polygon $((cx - 21)),$((cy + 8)) $((cx - 11)),$((cy - 2)) $((cx + 2)),$((cy + 11)) $((cx - 8)),$((cy + 21))")
    line_art "$c" 4 "line $((cx + 2)),$((cy + 21)) $((cx + 22)),$((cy + 21))"
}

icon_photo() {
    local cx=$1 cy=$2 c=$3
    line_art "$c" 4 "roundrectangle $((cx - 21)),$((cy - 11)) $((cx + 21)),$((cy + 17)) 5,5"
    A+=(-stroke none -fill "$c" -draw "rectangle $((cx - 8)),$((cy - 17)) $((cx + 8)),$((cy - 11))")
    line_art "$c" 4 "circle $cx,$((cy + 3)) $((cx + 8)),$((cy + 3))"
}

icon_save() {
    local cx=$1 cy=$2 c=$3
    line_art "$c" 4 "circle $cx,$cy $((cx + 20)),$cy"
    line_art "$c" 5 "polyline $((cx - 10)),$((cy + 1)) $((cx - 3)),$((cy + 8)) $((cx + 11)),$((cy - 8))"
}

icon_exit() {
    local cx=$1 cy=$2 c=$3
    line_art "$c" 4 "polyline $((cx + 4)),$((cy - 16)) $((cx - 14)),$((cy - 16)) $((cx - 14)),$((cy + 16)) $((cx + 4)),$((cy + 16))"
    line_art "$c" 4 "line $((cx - 4)),$cy $((cx + 18)),$cy"
    line_art "$c" 4 "polyline $((cx + 10)),$((cy - 8)) $((cx + 18)),$cy $((cx + 10)),$((cy + 8))"
}

icon_camera_large() {
    local cx=$1 cy=$2 c=$3
    line_art "$c" 5 "roundrectangle $((cx - 42)),$((cy - 22)) $((cx + 42)),$((cy + 34)) 9,9"
    A+=(-stroke none -fill "$c" -draw "rectangle $((cx - 16)),$((cy - 34)) $((cx + 16)),$((cy - 22))")
    line_art "$c" 5 "circle $cx,$((cy + 6)) $((cx + 17)),$((cy + 6))"
}

# ---- the pictures ----------------------------------------------------------

# Left-column button face filling [0, 248) x [t, b).
side_button() {
    local t=$1 b=$2 label=$3 icon=$4 face=$5 ink=$6 textc=$7
    local cy=$(((t + b) / 2))
    rect 0 "$t" 248 "$b" "$face"
    "$icon" 56 "$cy" "$ink"
    text_left 96 "$cy" 34 "$textc" "$label" bold
}

palette_cells() {
    local colours=(
        '0,0,0' '249,9,9' '37,145,13' '238,205,21' '0,165,200' '15,0,130' '223,58,0' '136,0,144' '0,150,168'
        '255,255,255' '238,194,201' '0,255,0' '255,255,0' '0,255,255' '0,0,255' '255,120,0' '255,0,255' '0,186,255')
    local l=1690 t=127 r=1896 b=1061 i col row x0 x1 y0 y1
    for i in "${!colours[@]}"; do
        col=$((i / 9)) row=$((i % 9))
        # the inset keeps each centre well clear of the hit test's cell edges
        x0=$((l + col * (r - l) / 2)) x1=$((l + (col + 1) * (r - l) / 2))
        y0=$((t + row * (b - t) / 9)) y1=$((t + (row + 1) * (b - t) / 9))
        A+=(-stroke "$LINE" -strokewidth 2 -fill "rgb(${colours[i]})"
            -draw "roundrectangle $((x0 + 7)),$((y0 + 7)) $((x1 - 8)),$((y1 - 8)) 12,12" -stroke none)
    done
}

make_padmsg() {
    canvas 1920 1080 "$PAGE"

    # header band with the exit button at the top right
    rect 0 0 1920 112 "$NAVY"
    A+=(-fill "$AMBER" -stroke none -draw "circle 58,56 86,56")
    place "$WORK/pen40.png" 38 36
    text_left 104 56 30 white "欢迎光临"
    text 960 44 48 white "访客签到" bold
    text 960 90 22 "$SUBTLE" "请签名、拍照后保存，即完成登记"
    rect 1624 11 1876 106 "$CORAL"
    icon_exit 1700 58 white
    text 1786 58 36 white "退出" bold

    # left column: steps, then the four buttons with visible gaps between them
    rect 0 112 248 830 "$PANEL"
    text_left 28 146 24 "$MUTED" "操作步骤"
    local n=1 step
    for step in "在白色区域签名" "点击拍照" "点击保存"; do
        local cy=$((152 + 56 * n))
        A+=(-fill "$STEEL" -stroke none -draw "circle 44,$cy 62,$cy")
        text 44 "$cy" 22 white "$n"
        text_left 74 "$cy" 23 "$NAVY" "$step"
        n=$((n + 1))
    done
    side_button 350 467 "历史记录" icon_history white "$STEEL" "$NAVY"
    side_button 471 583 "清除" icon_clear white "$STEEL" "$NAVY"
    side_button 586 700 "拍照" icon_photo white "$STEEL" "$NAVY"
    side_button 703 814 "保存" icon_save "$TEAL" white white

    # sign area: white card, the pad on top, instructions and photo below
    frame 259 117 1665 1061 "$LINE" 3
    rect 262 120 1662 1058 white
    frame 262 120 1662 770 "$SOFT" 1
    text 962 445 30 '#E3E8EE' "签名区"
    rect 262 769 1662 771 "$LINE"

    text_left 300 822 32 "$NAVY" "请在上方签名，点击拍照后保存" bold
    rect 300 858 360 862 "$AMBER"
    local hint y=902
    for hint in "用手指在白色区域写下您的姓名" "右侧色板可更换笔的颜色" '写错了？点击左侧“清除”重新签名'; do
        A+=(-fill "$STEEL" -stroke none -draw "circle 306,$y 310,$y")
        text_left 322 "$y" 24 "$MUTED" "$hint"
        y=$((y + 44))
    done

    frame 1212 766 1643 1044 "$LINE" 4
    rect 1216 770 1639 1040 '#2B3645'
    icon_camera_large 1427 880 '#6F8197'
    text 1427 965 24 '#8FA0B4' "摄像头预览"

    # palette on its own card
    frame 1677 114 1909 1074 "$LINE" 2
    rect 1679 116 1907 1072 white
    palette_cells

    # the desktop shows through below the buttons
    A+=(\( -size 248x250 xc:none \) -geometry +0+830 -compose Copy -composite -compose Over)
    render_png PNG32 "$PIC/PadMsg.png"
}

make_btnshade() {
    # stretched over the pressed button: darkens it and marks it with a bar
    canvas 248 117 'rgba(14,34,60,0.29)'
    rect 0 0 8 117 "$AMBER"
    rect 8 0 248 3 'rgba(255,255,255,0.35)'
    render_png PNG32 "$PIC/Btnshade.png"
}

make_show() {
    canvas 200 160 none
    # soft shadow under the card, then the card itself
    A+=(\( -size 200x160 xc:none -fill 'rgba(0,0,0,0.45)' -draw "roundrectangle 5,7 194,156 22,22"
        -channel A -blur 0x3 +channel \) -composite)
    A+=(-fill "$NAVY" -stroke '#3A5A80' -strokewidth 1.5 -draw "roundrectangle 4,4 195,153 22,22" -stroke none)
    A+=(-fill "$STEEL" -draw "circle 100,50 100,16")
    place "$WORK/pen48.png" 76 26
    text 100 102 28 white "访客签到" bold
    text 100 134 19 "$SUBTLE" "点击签到"
    render_png PNG32 "$PIC/Show.png"
}

make_photobk() {
    canvas 640 480 '#D3DBE4'
    frame 0 0 640 480 '#B9C5D2' 6
    A+=(-fill '#AAB8C8' -stroke none -draw "circle 320,168 320,104")
    A+=(-draw "ellipse 320,352 118,104 180,360")
    rect 180 352 460 372 '#D3DBE4'
    text 320 414 38 '#687A8F' "暂无照片" bold
    convert "${A[@]}" -alpha off -type TrueColor "BMP3:$PIC/photobk.bmp"
}

history_button() {
    local l=$1 t=$2 r=$3 b=$4 face=$5 label=$6 mark=$7
    local cy=$(((t + b) / 2)) cx=$(((l + r) / 2))
    # the mark and the label are centred together: mark 28 px, gap 14 px
    local chars=$((${#label})) size=32
    local left=$((cx - (28 + 14 + chars * size) / 2))
    local m=$((left + 14))
    rect "$l" "$t" "$r" "$b" "$face"
    case $mark in
    up) A+=(-fill white -stroke none -draw "polygon $((m - 14)),$((cy + 8)) $m,$((cy - 10)) $((m + 14)),$((cy + 8))") ;;
    down) A+=(-fill white -stroke none -draw "polygon $((m - 14)),$((cy - 8)) $m,$((cy + 10)) $((m + 14)),$((cy - 8))") ;;
    close) line_art white 4 "line $((m - 10)),$((cy - 10)) $((m + 10)),$((cy + 10))"
           line_art white 4 "line $((m - 10)),$((cy + 10)) $((m + 10)),$((cy - 10))" ;;
    check) line_art white 5 "polyline $((m - 12)),$((cy + 1)) $((m - 4)),$((cy + 9)) $((m + 12)),$((cy - 9))" ;;
    esac
    text $((left + 42 + chars * size / 2)) "$cy" "$size" white "$label" bold
}

make_historymsg() {
    canvas 1010 960 '#F3F6F9'
    rect 0 0 1010 38 "$NAVY"
    text 513 19 24 white "签到记录" bold

    local r c x y
    for r in 0 1 2; do
        for c in 0 1 2; do
            x=$((69 + 304 * c)) y=$((47 + 224 * r))
            frame $((x - 7)) $((y - 7)) $((x + 287)) $((y + 199)) "$SOFT" 1
            rect $((x - 6)) $((y - 6)) $((x + 286)) $((y + 198)) white
            rect "$x" "$y" $((x + 280)) $((y + 168)) '#E8EDF2'
            rect "$x" $((y + 168)) $((x + 280)) $((y + 169)) "$SOFT"
        done
    done

    rect 69 752 957 753 "$LINE"
    text 513 782 20 "$MUTED" '点击“上一页”“下一页”翻看更多记录'
    history_button 117 810 296 930 "$STEEL" "上一页" up
    history_button 368 810 538 930 "$STEEL" "下一页" down
    history_button 648 810 850 930 "$CORAL" "关闭" close

    # scroll track along the right edge; the thumb slides in it
    rect 980 0 1010 960 "$PANEL"
    rect 980 0 981 960 "$LINE"
    rect 994 8 996 952 "$LINE"
    frame 0 0 1010 960 '#8DA0B5' 2
    render_png PNG24 "$PIC/HistoryMsg.png"
}

# The history's PIN keypad; the key areas are in history/PinPad.cpp.
make_pinpad() {
    canvas 600 880 '#F3F6F9'
    rect 0 0 600 70 "$NAVY"
    text 300 35 28 white "请输入密码" bold

    # the entry field: the kiosk draws a dot for each digit typed
    frame 40 90 560 190 "$LINE" 2
    rect 42 92 558 188 white

    local keys=(1 2 3 4 5 6 7 8 9 "清除" 0 "退格") i x y
    for i in "${!keys[@]}"; do
        x=$((40 + i % 3 * 180)) y=$((210 + i / 3 * 130))
        if [[ ${keys[i]} == [0-9] ]]; then
            rect "$x" "$y" $((x + 160)) $((y + 110)) "$STEEL"
            text $((x + 80)) $((y + 55)) 54 white "${keys[i]}" bold
        else
            rect "$x" "$y" $((x + 160)) $((y + 110)) "$PANEL"
            frame "$x" "$y" $((x + 160)) $((y + 110)) "$SUBTLE" 2
            text $((x + 80)) $((y + 55)) 32 "$NAVY" "${keys[i]}" bold
        fi
    done

    history_button 40 740 290 850 "$CORAL" "取消" close
    history_button 310 740 560 850 "$TEAL" "确定" check
    frame 0 0 600 880 '#8DA0B5' 2
    render_png PNG24 "$PIC/PinPad.png"
}

make_scrollbar() {
    canvas 30 120 none
    A+=(-fill "$STEEL" -stroke '#245885' -strokewidth 1 -draw "roundrectangle 5.5,2.5 24.5,117.5 9,9" -stroke none)
    local y
    for y in 52 59 66; do rect 10 "$y" 20 $((y + 2)) 'rgba(255,255,255,0.7)'; done
    render_png PNG32 "$PIC/ScrollBar.png"
}

make_icon() {
    local s sizes_and_files=()
    for s in 48 32 16; do
        python3 "$TOOLS/win_images.py" pen "$s" light "$WORK/ipen$s.png"
        local rad=$((s * 22 / 100))
        convert -size "${s}x$s" xc:none -fill "$NAVY" \
            -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $rad,$rad" \
            "$WORK/ipen$s.png" -composite -depth 8 "rgba:$WORK/icon$s.rgba"
        sizes_and_files+=("$WORK/icon$s.rgba:$s")
    done
    python3 "$TOOLS/win_images.py" icon "$RES/Velmo.ico" "${sizes_and_files[@]}"
}

main() {
    cd "$ROOT"
    require_tools
    mkdir -p "$PIC" "$RES"
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
    python3 "$TOOLS/win_images.py" pen 40 light "$WORK/pen40.png"
    python3 "$TOOLS/win_images.py" pen 48 light "$WORK/pen48.png"

    make_padmsg
    make_btnshade
    make_show
    make_photobk
    make_historymsg
    make_pinpad
    make_scrollbar
    python3 "$TOOLS/win_images.py" texture "$PIC/Texture.bmp"
    make_icon
    python3 "$TOOLS/win_images.py" cursor "$RES/Pen.cur" 4 26

    python3 "$TOOLS/win_images.py" check "$PIC/Texture.bmp" "$PIC/photobk.bmp" \
        "$RES/Velmo.ico" "$RES/Pen.cur"
}

main "$@"
