#!/bin/bash
# Printing from the main window into a real print queue: a private CUPS server whose default queue is a
# PDF printer. "打印" right after start prints nothing; after "打开" it prints the opened picture, even when
# the page has since been tiled with a sample.
# Usage: print_test.sh PROGRAM
set -u
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/lib.sh"
. "$HERE/form30.sh"

PROGRAM=${1:?usage: print_test.sh PROGRAM}
PICTURE_SRC=$HERE/../../resources/pictures/samples/sample01.jpg
PDF_BACKEND=/usr/lib/cups/backend/cups-pdf
PDF_PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
PDF_CONF=/etc/cups/cups-pdf.conf

e2e_require cupsd lpadmin lpstat pdftoppm pdfinfo getent flock
[ -x "$PDF_BACKEND" ] && [ -f "$PDF_PPD" ] || e2e_skip "cups-pdf is not installed"
# The PDF backend runs only as root (its mode is 0700), so the private server must too.
[ "$(id -u)" -eq 0 ] || e2e_skip "a private cupsd with the PDF backend needs root"
e2e_init

# cups-pdf writes every run's PDFs into one folder under names that can repeat (job ids restart with each
# private server): one print test at a time on this machine, whatever TMPDIR each test has.
exec 9>/tmp/ptt-e2e-print.lock
flock -w 600 9 || e2e_fail "another print test holds the lock"

# Where cups-pdf puts a job's PDF: its "Out" setting, ${HOME} being the job owner's home from passwd.
USER_NAME=$(id -un)
USER_HOME=$(getent passwd "$USER_NAME" | cut -d: -f6)
OUT_SETTING='${HOME}/PDF'
if [ -f "$PDF_CONF" ]; then
    line=$(sed -n 's/^[[:space:]]*Out[[:space:]]\{1,\}\(.*[^[:space:]]\)[[:space:]]*$/\1/p' "$PDF_CONF" | tail -n1)
    [ -n "$line" ] && OUT_SETTING=$line
fi
PDF_DIR=${OUT_SETTING//'${HOME}'/$USER_HOME}
PDF_DIR=${PDF_DIR//'${USER}'/$USER_NAME}
e2e_log "cups-pdf writes to $PDF_DIR"
PDF_DIR_EXISTED=0
[ -d "$PDF_DIR" ] && PDF_DIR_EXISTED=1
BEFORE=$E2E_RUN/pdfs-before
ls -1 "$PDF_DIR" 2>/dev/null | sort >"$BEFORE"

# PDFs that this run added, one a line.
new_pdfs() { ls -1 "$PDF_DIR" 2>/dev/null | sort | comm -13 "$BEFORE" - | grep -i '\.pdf$'; }

forget_our_pdfs()
{
    local f
    while read -r f; do
        [ -n "$f" ] && rm -f "$PDF_DIR/$f"
    done < <(new_pdfs)
    [ "$PDF_DIR_EXISTED" = 1 ] || rmdir "$PDF_DIR" 2>/dev/null
    return 0
}

# A private print server on a local socket.
C=$E2E_RUN/cups
mkdir -p "$C"/{etc/ppd,etc/ssl,spool,cache,state,log,run}
cp -r /etc/cups/ppd /etc/cups/raw.* "$C/etc/" 2>/dev/null
cat >"$C/etc/cups-files.conf" <<EOF
SystemGroup root lpadmin
User lp
Group lp
ServerRoot $C/etc
RequestRoot $C/spool
CacheDir $C/cache
StateDir $C/state
Printcap $C/run/printcap
ErrorLog $C/log/error_log
AccessLog $C/log/access_log
PageLog $C/log/page_log
EOF
cat >"$C/etc/cupsd.conf" <<EOF
Listen $C/run/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
LogLevel info
<Location />
  Order allow,deny
  Allow all
</Location>
EOF
chmod 755 "$E2E_RUN" "$C" # the server drops to lp for its filters
export CUPS_SERVER=$C/run/cups.sock
# HOME is private (e2e_init): the user's own lpoptions would otherwise win over the server's default.
cupsd -f -c "$C/etc/cupsd.conf" -s "$C/etc/cups-files.conf" >"$C/log/cupsd.out" 2>&1 &
CUPSD_PID=$!
e2e_track "$CUPSD_PID"
stop_cupsd()
{
    kill -TERM "$CUPSD_PID" 2>/dev/null
    e2e_reap "$CUPSD_PID" 50
}
e2e_on_cleanup forget_our_pdfs
e2e_on_cleanup stop_cupsd
deadline=$((SECONDS + 20))
until lpstat -r 2>/dev/null | grep -q 'is running'; do
    kill -0 "$CUPSD_PID" 2>/dev/null || { cat "$C/log/cupsd.out" "$C/log/error_log" >&2 2>/dev/null; e2e_fail "cupsd did not start"; }
    [ $SECONDS -lt $deadline ] || e2e_fail "cupsd did not answer"
    sleep 0.1
done
lpadmin -p TestPDF -E -v cups-pdf:/ -P "$PDF_PPD" 2>/dev/null || e2e_fail "could not add the PDF queue"
lpadmin -d TestPDF || e2e_fail "could not make the PDF queue the default"
lpstat -d | grep -q TestPDF || e2e_fail "the PDF queue is not the default"

jobs_all() { lpstat -W all -o 2>/dev/null | grep -c . ; }

PICTURE=$E2E_RUN/pictures/photo.jpg
mkdir -p "$(dirname "$PICTURE")"
cp "$PICTURE_SRC" "$PICTURE"

form30_start

# "打印" with no picture opened: no job, no PDF.
e2e_click "$(button_x 1470 495)" "$BUTTON_Y"
sleep 5
e2e_app_running || e2e_fail "the program ended after 打印"
[ "$(jobs_all)" -eq 0 ] || e2e_fail "a print job was made with no picture opened: $(lpstat -W all -o)"
[ -z "$(new_pdfs)" ] || e2e_fail "a PDF appeared with no picture opened: $(new_pdfs)"
e2e_log "打印 at start printed nothing"

# "打开" through the real dialog.
e2e_click "$(button_x 510 495)" "$BUTTON_Y"
e2e_file_dialog "打开" "$PICTURE"
# The page now shows the photo at its corner, inside the page's border.
e2e_park
want=$(e2e_pixel "$PICTURE" 300 300)
e2e_wait_pixel $((ORIGIN_X + 300)) $((ORIGIN_Y + 300)) "$want" 0 10
e2e_wait_pixel $((ORIGIN_X + 700)) $((ORIGIN_Y + 300)) "$WINDOW_GREEN" 0 5
e2e_log "the photo is open"

# Tiling another picture over the page changes what "保存" writes, not what "打印" prints.
e2e_click $((GEO_X + 59)) $((GEO_Y + 8))
e2e_key Down Down Down Return
e2e_park
e2e_shot "$E2E_RUN/retiled.png"
deadline=$((SECONDS + 10))
while e2e_close_colour "$(e2e_pixel "$E2E_RUN/retiled.png" $((ORIGIN_X + 300)) $((ORIGIN_Y + 300)))" "$want" 0; do
    [ $SECONDS -lt $deadline ] || e2e_fail "样图3 did not re-tile the page"
    sleep 0.2
    e2e_shot "$E2E_RUN/retiled.png"
done

e2e_click "$(button_x 1470 495)" "$BUTTON_Y"
deadline=$((SECONDS + 60))
until [ -n "$(new_pdfs)" ]; do
    [ $SECONDS -lt $deadline ] || { tail -n 30 "$C/log/error_log" >&2; e2e_fail "no PDF in $PDF_DIR within 60 s"; }
    e2e_app_running || e2e_fail "the program ended while printing"
    sleep 0.2
done
[ "$(new_pdfs | wc -l)" -eq 1 ] || e2e_fail "more than one PDF: $(new_pdfs)"
PDF=$PDF_DIR/$(new_pdfs)
e2e_wait_file "$PDF" 30 || e2e_fail "the PDF does not settle"
e2e_log "printed to $PDF"
pages=$(pdfinfo "$PDF" 2>/dev/null | sed -n 's/^Pages: *//p')
e2e_assert_eq "$pages" 1 "pages printed"

pdftoppm -r 96 -png -singlefile "$PDF" "$E2E_RUN/printed" || e2e_fail "pdftoppm failed"
PRINTED=$E2E_RUN/printed.png
# The picture is the only thing on the white paper: find its box.
box=$(convert "$PRINTED" -bordercolor white -border 1 -fuzz 2% -trim -format '%w %h %X %Y' info:)
read -r bw bh bx by <<<"$box"
bx=$((${bx#+} - 1))
by=$((${by#+} - 1))
e2e_log "printed picture ${bw}x${bh} at ($bx,$by)"
near() { local d=$(($1 - $2)); [ ${d#-} -le "$3" ]; }
near "$bw" 685 3 && near "$bh" 685 3 || e2e_fail "printed picture is ${bw}x${bh}, expected about 685x685"
[ "$bx" -ge 0 ] && [ "$bx" -le 80 ] && [ "$by" -ge 0 ] && [ "$by" -le 80 ] ||
    e2e_fail "printed picture at ($bx,$by), expected at the printable area's corner"

# Mean colours of nine patches agree with the photo.
for py in 60 320 580; do
    for px in 60 320 580; do
        want=$(convert "$PICTURE" -crop "40x40+$px+$py" +repage -scale 1x1\! -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]' info:)
        got=$(convert "$PRINTED" -crop "40x40+$((bx + px))+$((by + py))" +repage -scale 1x1\! -format '%[fx:int(255*r+0.5)] %[fx:int(255*g+0.5)] %[fx:int(255*b+0.5)]' info:)
        e2e_close_colour "$got" "$want" 12 || e2e_fail "printed patch at ($px,$py) is ($got), the photo's is ($want)"
    done
done
# Printing is a picture, not a blank or uniform page: the patches differ from one another.
a=$(convert "$PRINTED" -crop "40x40+$((bx + 60))+$((by + 60))" +repage -scale 1x1\! -format '%[fx:int(255*r)]' info:)
b=$(convert "$PRINTED" -crop "40x40+$((bx + 580))+$((by + 580))" +repage -scale 1x1\! -format '%[fx:int(255*r)]' info:)
near "$a" "$b" 20 && e2e_fail "the printed patches are all alike"
e2e_log "printed photo matches"
echo "PASS"
