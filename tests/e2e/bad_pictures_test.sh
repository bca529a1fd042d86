#!/bin/bash
# Files that are not pictures, or broken ones, opened with "打开" through the real dialog: each is refused
# without a word and the page stays as it was, or (a truncated bitmap) shows what the file held and
# nothing else. The program goes on running.
# Usage: bad_pictures_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: bad_pictures_test.sh PROGRAM}

e2e_init
e2e_require head
BAD=$E2E_RUN/bad
mkdir -p "$BAD"
printf 'this is not a picture\n' >"$BAD/text.jpg"
: >"$BAD/empty.bmp"
head -c 200 "$PATTERN" >"$BAD/truncated.bmp"
head -c 300 "$HERE/../../resources/pictures/samples/sample01.jpg" >"$BAD/truncated.jpg"
# A bitmap header that claims 60000 x 60000 pixels and carries no pixels.
{
    printf 'BM'
    printf '\x36\x00\x00\x00' # file size (a lie)
    printf '\x00\x00\x00\x00\x36\x00\x00\x00'
    printf '\x28\x00\x00\x00' # header size 40
    printf '\x60\xea\x00\x00\x60\xea\x00\x00' # 60000 x 60000
    printf '\x01\x00\x18\x00' # 1 plane, 24 bits
    head -c 24 /dev/zero
} >"$BAD/huge.bmp"

form30_start

# page_untouched : true when the page is untouched (the file refused) or shows only what the file held,
# the rest of the picture one plain colour, never leftover memory. A truncated bottom-up bitmap holds its
# bottom rows only, so everything above its last row must be uniform.
page_untouched()
{
    check_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "$ORIGIN_X $ORIGIN_Y" "$((ORIGIN_X + 150)) $((ORIGIN_Y + 100))" \
        "$((ORIGIN_X + 382)) $((ORIGIN_Y + 383))" "1500 900"
}

for f in text.jpg empty.bmp huge.bmp truncated.jpg truncated.bmp; do
    e2e_click "$(button_x 510 495)" "$BUTTON_Y"
    e2e_file_dialog "打开" "$BAD/$f"
    sleep 1
    e2e_app_running || e2e_fail "the program ended after opening $f"
    [ -z "$(e2e_find_window "澄岭提示")" ] || e2e_fail "a message appeared for $f"
    e2e_park
    e2e_shot "$SHOT"
    if page_untouched; then
        e2e_log "$f refused"
        continue
    fi
    case $f in
    truncated.bmp)
        # Taken as a 382 x 383 picture: all but its bottom row had no data in the file.
        colours=$(convert "$SHOT" -crop "370x370+$ORIGIN_X+$ORIGIN_Y" +repage -format '%k' info:)
        [ "$colours" = 1 ] || e2e_fail "$f shows $colours colours where the file had no pixels"
        e2e_wait_pixel $((ORIGIN_X + 390)) $((ORIGIN_Y + 100)) "$WINDOW_GREEN" 0 5
        e2e_log "$f shown with its missing rows blank"
        # The pattern box holds this picture now: take the real pattern back.
        e2e_click "$(button_x 510 495)" "$BUTTON_Y"
        e2e_file_dialog "打开" "$PATTERN"
        ;;
    *) e2e_fail "$f changed the page: $CHECK_MSG" ;;
    esac
done

# The page still works: "高度" and "宽度" re-tile the full page with the pattern, nothing of the bad files.
e2e_click "$(button_x 4020 495)" "$BUTTON_Y"
e2e_click "$(button_x 5610 495)" "$BUTTON_Y"
e2e_park
e2e_shot "$SHOT"
expect_tiled "$SHOT" "$ORIGIN_X" "$ORIGIN_Y" "$ORIGIN_X $ORIGIN_Y" "$((ORIGIN_X + 764)) $((ORIGIN_Y + 766))" "1500 900" \
    "$((ORIGIN_X + 200)) $((ORIGIN_Y + 200))"
e2e_app_running || e2e_fail "the program ended"
echo "PASS"
