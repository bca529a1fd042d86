# Shared by the main window's end-to-end tests: where the page is on the screen and what it must show.
# Source after lib.sh.

PATTERN=$HERE/../../resources/pictures/pattern.bmp
TITLE="澄岭拼贴通4.6版"
STRIP="215 21 123"
WINDOW_GREEN="0 64 0"
TILE_W=382
TILE_H=383

# pattern_points "PX PY"... : for each page pixel, the pattern pixel it shows when the pattern is tiled
# from the page's top-left corner.
pattern_points()
{
    local p px py
    for p in "$@"; do
        read -r px py <<<"$p"
        printf '%d %d\n' $(((px % TILE_W + TILE_W) % TILE_W)) $(((py % TILE_H + TILE_H) % TILE_H))
    done
}

# check_tiled SHOT ORIGIN_X ORIGIN_Y "X Y"... : the screen points show the pattern tiled from ORIGIN.
# Returns non-zero with the first difference in CHECK_MSG.
check_tiled()
{
    local shot=$1 ox=$2 oy=$3 p x y
    shift 3
    local page=() pat=()
    for p in "$@"; do
        read -r x y <<<"$p"
        page+=("$((x - ox)) $((y - oy))")
    done
    mapfile -t pat < <(pattern_points "${page[@]}")
    local want got i=0
    mapfile -t want < <(e2e_pixels "$PATTERN" "${pat[@]}")
    mapfile -t got < <(e2e_pixels "$shot" "$@")
    if [ ${#got[@]} -ne $# ]; then
        CHECK_MSG="could not read the screen pixels"
        return 1
    fi
    for p in "$@"; do
        if ! e2e_close_colour "${got[i]}" "${want[i]}" 0; then
            CHECK_MSG="screen ($p), page (${page[i]}): (${got[i]}) is not pattern pixel (${pat[i]}) = (${want[i]})"
            return 1
        fi
        i=$((i + 1))
    done
}

# expect_tiled SHOT ORIGIN_X ORIGIN_Y "X Y"... : as check_tiled, taking new screenshots into SHOT for a
# while, since the program may still be repainting.
expect_tiled()
{
    local shot=$1 deadline=$((SECONDS + 10))
    until check_tiled "$@"; do
        [ $SECONDS -lt $deadline ] || e2e_fail "$CHECK_MSG"
        sleep 0.2
        e2e_shot "$shot"
    done
}

le() { od -An -t "u$2" -j "$3" -N "$2" "$1" | tr -d ' '; }

# check_tiled_bmp FILE W H : a 24-bit bottom-up BMP of a W x H page holding the tiled pattern.
check_tiled_bmp()
{
    local f=$1 w=$2 h=$3 stride=$((($2 * 3 + 3) / 4 * 4))
    e2e_assert_eq "$(head -c 2 "$f")" "BM" "BMP signature"
    e2e_assert_eq "$(stat -c %s "$f")" $((54 + stride * h)) "file length"
    e2e_assert_eq "$(le "$f" 4 2)" $((54 + stride * h)) "bfSize"
    e2e_assert_eq "$(le "$f" 4 10)" 54 "bfOffBits"
    e2e_assert_eq "$(le "$f" 4 14)" 40 "biSize"
    e2e_assert_eq "$(le "$f" 4 18)" "$w" "biWidth"
    e2e_assert_eq "$(le "$f" 4 22)" "$h" "biHeight (bottom-up)"
    e2e_assert_eq "$(le "$f" 2 26)" 1 "biPlanes"
    e2e_assert_eq "$(le "$f" 2 28)" 24 "biBitCount"
    e2e_assert_eq "$(le "$f" 4 30)" 0 "biCompression"
    local pts=("0 0" "1 0" "0 1" "$((w - 1)) 0" "0 $((h - 1))" "$((w - 1)) $((h - 1))" "$((w / 2)) $((h / 2))"
        "$((w / 3)) $((h * 2 / 3))")
    local x y
    for ((x = TILE_W - 1; x < w; x += TILE_W)); do
        pts+=("$x $((x % h))" "$((x + 1 < w ? x + 1 : x)) $((x % h))")
    done
    for ((y = TILE_H - 1; y < h; y += TILE_H)); do
        pts+=("$((y % w)) $y" "$((y % w)) $((y + 1 < h ? y + 1 : y))")
    done
    local pat want got i=0 p
    mapfile -t pat < <(pattern_points "${pts[@]}")
    mapfile -t want < <(e2e_pixels "$PATTERN" "${pat[@]}")
    mapfile -t got < <(e2e_pixels "$f" "${pts[@]}")
    [ ${#got[@]} -eq ${#pts[@]} ] || e2e_fail "could not read $f"
    for p in "${pts[@]}"; do
        e2e_close_colour "${got[i]}" "${want[i]}" 0 ||
            e2e_fail "saved bitmap pixel ($p) is (${got[i]}), expected pattern (${pat[i]}) = (${want[i]})"
        i=$((i + 1))
    done
    # Each row ends in zero padding up to a multiple of four bytes.
    if [ "$stride" -gt $((w * 3)) ]; then
        local pad
        pad=$(od -An -tx1 -j $((54 + w * 3)) -N $((stride - w * 3)) "$f" | tr -d ' \n')
        e2e_assert_eq "$pad" "$(printf '%0*d' $(((stride - w * 3) * 2)) 0)" "row padding"
    fi
}

# form30_start : the display and the program; sets WID, GEO_*, STRIP_Y (top of the toolbar strip),
# ORIGIN_X/ORIGIN_Y (the page's first pixel inside its border, on the screen), BUTTON_Y and SHOT.
form30_start()
{
    e2e_start_display
    e2e_start_program "$PROGRAM"
    WID=$(e2e_wait_window "$TITLE" 60)
    e2e_wait_maximized "$WID"
    e2e_geometry "$WID"
    e2e_log "client area ${GEO_W}x${GEO_H} at ($GEO_X,$GEO_Y)"
    [ "$GEO_W" -ge 1500 ] && [ "$GEO_H" -ge 900 ] || e2e_fail "maximized window is only ${GEO_W}x${GEO_H}"
    [ "$(e2e_find_window "$TITLE" | wc -l)" -eq 1 ] || e2e_fail "more than one main window"

    # The toolbar strip lies under the menu bar; its right end is free of controls.
    e2e_park
    sleep 0.5
    SHOT=$E2E_RUN/start.png
    PROBE_X=$((GEO_X + GEO_W - 20))
    deadline=$((SECONDS + 20))
    until e2e_shot "$SHOT" &&
        STRIP_Y=$(e2e_first_row_with "$SHOT" "$PROBE_X" "$GEO_Y" $((GEO_Y + 80)) "$STRIP"); do
        [ $SECONDS -lt $deadline ] || e2e_fail "no toolbar strip in column $PROBE_X"
        sleep 0.2
    done
    MENU_H=$((STRIP_Y - GEO_Y))
    [ "$MENU_H" -ge 10 ] && [ "$MENU_H" -le 40 ] || e2e_fail "menu bar height $MENU_H is implausible"
    # The strip is 315 twips high; the page stands at 330 twips with a 2-pixel border.
    e2e_assert_eq "$(e2e_pixel "$SHOT" "$PROBE_X" $((STRIP_Y + 20)))" "$STRIP" "strip's last row"
    e2e_assert_eq "$(e2e_pixel "$SHOT" "$PROBE_X" $((STRIP_Y + 21)))" "$WINDOW_GREEN" \
        "window background below the strip"
    ORIGIN_X=$((GEO_X + 2))
    ORIGIN_Y=$((STRIP_Y + 22 + 2))
    BUTTON_Y=$((STRIP_Y + 10))
    e2e_log "menu bar $MENU_H px; page inside its border at ($ORIGIN_X,$ORIGIN_Y)"
}

# button_x LEFT WIDTH : screen x of the middle of a toolbar control placed at LEFT, WIDTH twips.
button_x() { printf '%d\n' $((GEO_X + ($1 + $2 / 2) / 15)); }
