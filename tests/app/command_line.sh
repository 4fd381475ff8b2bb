#!/bin/bash
# --search, --near and --lookup as a script uses them: rows, header and order on standard output,
# and the exit status of every option with the reason on standard error, a full or closed standard
# output included.   usage: command_line.sh QUILLMAP
# As root the program keeps its working copy in /var/lib: it runs in a mount namespace of its own
# (--map-root-user for another user) whose /var/lib is a folder of this test.
set -u
quillmap=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "command_line: $*" >&2; exit 1; }

mkdir -p "$scratch/var-lib" "$scratch/home"
namespace=(unshare --mount)
[ "$(id -u)" -eq 0 ] || namespace+=(--map-root-user)
"${namespace[@]}" true 2> /dev/null || fail "cannot give the program a /var/lib of its own: '${namespace[*]}' is refused here"
launch() {
    # shellcheck disable=SC2016 # expanded by the namespace's own shell
    HOME=$scratch/home XDG_DATA_HOME=$scratch/home/data XDG_CONFIG_HOME=$scratch/home/config \
        "${namespace[@]}" -- sh -c 'mount --bind "$1" /var/lib && shift && exec "$@"' _ "$scratch/var-lib" \
        "$quillmap" "$@" < "${in:-/dev/null}" 2> "$scratch/err"
}
# Standard output into $scratch/out, /dev/full (full) or closed (closed).
run_into() {
    local into=$1
    shift
    : > "$scratch/out"
    case $into in
        full) launch "$@" > /dev/full ;;
        closed) launch "$@" >&- ;;
        *) launch "$@" > "$scratch/out" ;;
    esac
}
run() { run_into out "$@"; }
header=$'ZIP\tCity\tState\tCounty\tLatitude\tLongitude\tTimeZone\tCounties\tPopulation\tKind'

run --search 0213; status=$?
[ "$status" = 0 ] || fail "--search 0213 exited $status: $(cat "$scratch/err")"
[ "$(head -1 "$scratch/out")" = "$header" ] || fail "--search: header is '$(head -1 "$scratch/out")'"
working_copy=$(find "$scratch/var-lib" -name dbZipsWorking.mdb)
[ -f "$working_copy" ] || fail "no working copy under the namespace's /var/lib"
expected=$(sqlite3 -separator $'\t' "$working_copy" \
    "select ZipCode, City, State, coalesce(County, '') from ZipCodes left join ZipPlaces using (ZipCode)
     where ZipCode like '0213%' order by ZipCode, City")
[ "$(tail -n +2 "$scratch/out" | cut -f1-4)" = "$expected" ] || fail "--search 0213: not the rows the window lists"
grep -q $'^02134\tAllston\tMA\tSuffolk\t42\\.35[0-9]*\t-71\\.13[0-9]*\tAmerica/New_York\tSuffolk 99\\.6%; Middlesex 0\\.4%\t17969\tarea$' \
    "$scratch/out" || fail "--search 0213: 02134's place or profile is wrong"
# A long search reads every place and profile at once, a short one ZIP by ZIP: the same lines.
allston=$(grep $'^02134\t' "$scratch/out")
run --search 0; status=$?
[ "$status" = 0 ] && grep -qxF "$allston" "$scratch/out" && [ "$(wc -l < "$scratch/out")" -gt 1000 ] \
    || fail "--search 0: exited $status, or 02134's line is not the one --search 0213 prints"

run --near 10001 --miles 3; status=$?
[ "$status" = 0 ] || fail "--near 10001 --miles 3 exited $status: $(cat "$scratch/err")"
[ "$(head -1 "$scratch/out")" = "$header"$'\tMiles' ] || fail "--near: header is '$(head -1 "$scratch/out")'"
sed -n 2p "$scratch/out" | grep -q $'^10001\t.*\t0\\.00$' || fail "--near: 10001 is not first at 0.00 miles"
tail -n +2 "$scratch/out" | cut -f11 | sort -c -n || fail "--near: not nearest first"
awk -F '\t' 'NR > 1 && ($11 > 3.005 || $11 !~ /^[0-9]+\.[0-9][0-9]$/) { exit 1 }' "$scratch/out" \
    || fail "--near: a row beyond 3 miles or without two decimals"
[ "$(tail -n +2 "$scratch/out" | wc -l)" -gt 50 ] || fail "--near: too few rows for Manhattan"
near_zip=$(tail -n +2 "$scratch/out" | cut -f1,11)

run --near 40.7484,-73.9967 --miles 3; status=$?
[ "$status" = 0 ] && [ "$(tail -n +2 "$scratch/out" | cut -f1 | sort)" = "$(cut -f1 <<< "$near_zip" | sort)" ] \
    || fail "--near at 10001's point does not list 10001's neighbours: $(cat "$scratch/err")"

run --county "Suffolk, MA"; status=$?
[ "$status" = 0 ] && [ "$(head -1 "$scratch/out")" = "$header"$'\tShare' ] || fail "--county: exited $status, header '$(head -1 "$scratch/out")'"
grep -q $'^02134\tAllston\t.*\t99\\.6$' "$scratch/out" || fail "--county: no 02134 with its share"
tail -n +2 "$scratch/out" | cut -f11 | sort -c -n -r || fail "--county: not largest share first"
[ "$(tail -n +2 "$scratch/out" | cut -f1-3)" = "$(sqlite3 -separator $'\t' "$working_copy" "select ZipCode, City, State
     from ZipCodes join ZipCounties using (ZipCode) where Fips = '25025' order by Share desc, ZipCode, City")" ] \
    || fail "--county: not Suffolk's rows"

run --distance 02134 10001; status=$?
grep -qx '18[0-9]\.[0-9][0-9]' "$scratch/out" || fail "--distance 02134 10001 printed '$(cat "$scratch/out")' (about 185 miles)"

sqlite3 "$working_copy" "insert into ZipCodes values ('99990', 'Nowhere', 'ZZ')"
cd "$scratch" || fail "no scratch folder"
printf 'ZIP,City,State\n99991,Newtown,AK\n' > new.csv
printf 'not a ZIP file\n' > bad.csv
# A GeoNames dump cut short: two lines that would empty New York and California.
printf 'US\t10001\tNew York\tNew York\tNY\tNew York\t061\t\t\t40.7484\t-73.9967\t4\nUS\t90001\tLos Angeles\tCalifornia\tCA\tLos Angeles\t037\t\t\t33.9731\t-118.2479\t4\n' > cut.txt
# Status, where standard output goes, then the options; the reason on standard error must hold
# the last field.
while IFS='|' read -r expected_status into options reason; do
    read -ra arguments <<< "$options"
    run_into "$into" "${arguments[@]}"; status=$?
    [ "$status" = "$expected_status" ] || fail "$options exited $status, not $expected_status: $(cat "$scratch/err")"
    [ -z "$reason" ] || grep -q "^quillmap: .*$reason" "$scratch/err" || fail "$options: no reason '$reason' on standard error: $(cat "$scratch/err")"
    [ "$expected_status" = 1 ] || [ ! -s "$scratch/out" ] || fail "$options wrote to standard output"
done << 'CASES'
1|out|--search zzqq|
1|out|--import new.csv|
2|out|--near 10001|--near and --miles go together
2|out|--miles 3|--near and --miles go together
2|out|--near 10001 --miles 0|from 0.1 to 500
2|out|--near 10001 --miles -3|from 0.1 to 500
2|out|--near 10001 --miles abc|from 0.1 to 500
2|out|--near 10001 --miles 500.1|from 0.1 to 500
2|out|--near 00000 --miles 3|no ZIP 00000
2|out|--near 99990 --miles 3|99990 has no coordinates
2|out|--search 021 --near 10001 --miles 3|one at a time
2|out|--version --search 021|one at a time
2|out|--search|Missing value after '--search'
2|out|--search 021 stray|unexpected argument 'stray'
2|out|--near 91,0 --miles 3|bad latitude
2|out|--near 40.7 --miles 3|no ZIP 40.7
1|out|--county 99999|
2|out|--county Baltimore,MD|names the counties 24005 and 24510
2|out|--county Nowhere,MA|no county Nowhere,MA
2|out|--county Suffolk,XX|a county is its name and state
2|out|--distance 02134|--distance takes two ZIPs
2|out|--distance 02134 00000|no ZIP 00000
2|out|--distance 02134 99990|99990 has no coordinates
2|full|--county 25025|No space left on device
2|out|--yes|--yes goes with --import
2|out|--import bad.csv --yes|bad.csv: neither a GeoNames
2|out|--import cut.txt --yes|--allow-removals imports it all the same
2|out|--allow-removals|--allow-removals goes with --import
2|out|--import missing.csv --yes|missing.csv: No such file
2|full|--search=|cannot write to standard output: No space left on device
2|closed|--search 021|cannot write to standard output: Bad file descriptor
2|full|--near 10001 --miles 3|No space left on device
2|closed|--near 10001 --miles 3|Bad file descriptor
2|full|--version|No space left on device
2|closed|--version|Bad file descriptor
2|full|--help|No space left on device
2|closed|--help|Bad file descriptor
2|full|--import new.csv --yes|No space left on device
2|closed|--import new.csv --yes|Bad file descriptor
CASES
[ -z "$(sqlite3 "$working_copy" "select City from ZipCodes where ZipCode = '99991'")" ] \
    || fail "an import that was declined or could not print its summary changed the working copy"
run --import new.csv --yes; status=$?
[ "$status" = 0 ] && [ "$(sqlite3 "$working_copy" "select City from ZipCodes where ZipCode = '99991'")" = Newtown ] \
    || fail "--import new.csv --yes exited $status without importing: $(cat "$scratch/err")"

# --lookup: a Windows-1252 list with semicolons comes back in its encoding, row for row, to standard
# output, to a file, from standard input, or as a workbook.
sqlite3 "$working_copy" "insert into ZipCodes values ('99992', 'Ca$(printf '\xc3\xb1')on City', 'CO')"
printf 'Nom;Zip Code\r\nJos\xe9;2134\r\nRen\xe9e;99992\r\nZo\xe9;n/a\r\n' > "$scratch/list.csv"
printf 'Nom;Zip Code;City;State;County;Latitude;Longitude;TimeZone;Counties;Population;Kind;Other Names;Match\r\n%b\r\n%b\r\n%b\r\n' \
    'Jos\xe9;2134;Allston;MA;Suffolk;42.3535;-71.1329;America/New_York;"Suffolk 99.6%; Middlesex 0.4%";17969;area;;found' \
    'Ren\xe9e;99992;Ca\xf1on City;CO;;;;;;;;;found' 'Zo\xe9;n/a;;;;;;;;;;;not a ZIP' > "$scratch/expected.csv"
run --lookup "$scratch/list.csv"; status=$?
[ "$status" = 0 ] || fail "--lookup exited $status: $(cat "$scratch/err")"
cmp -s "$scratch/expected.csv" "$scratch/out" || fail "--lookup: not the list back in its encoding: $(od -c "$scratch/out" | head)"
grep -qx '3 rows: 2 found, 0 unknown, 1 not a ZIP' "$scratch/err" || fail "--lookup: summary is '$(cat "$scratch/err")'"
in=$scratch/list.csv run --lookup - --output "$scratch/found.csv"; status=$?
[ "$status" = 0 ] && cmp -s "$scratch/expected.csv" "$scratch/found.csv" || fail "--lookup - --output: $(cat "$scratch/err")"
run --lookup "$scratch/list.csv" --output "$scratch/found.xlsx"; status=$?
[ "$status" = 0 ] && [ "$(head -c 4 "$scratch/found.xlsx")" = $'PK\x03\x04' ] || fail "--output .xlsx: $(cat "$scratch/err")"

# Refused lists: exit 2 with the file and the line, and nothing written.
printf 'zip,note\n501,"never\n' > "$scratch/bad.csv"
while IFS='|' read -r list options reason; do
    read -ra arguments <<< "$options"
    run --lookup "$scratch/$list" "${arguments[@]}" --output "$scratch/none.csv"; status=$?
    [ "$status" = 2 ] || fail "--lookup $list $options exited $status, not 2"
    grep -q "^quillmap: .*$reason" "$scratch/err" || fail "--lookup $list: no reason '$reason': $(cat "$scratch/err")"
    [ ! -e "$scratch/none.csv" ] && [ ! -s "$scratch/out" ] || fail "--lookup $list $options wrote a file"
done << 'CASES'
bad.csv||bad.csv, line 2: a quote that never closes
list.csv|--column 3|list.csv, line 1: no column 3
list.csv|--search 021|--search and --lookup go one at a time
.||not a file
nowhere.csv||nowhere.csv: No such file
CASES
run_into full --lookup "$scratch/list.csv"; status=$?
[ "$status" = 2 ] || fail "--lookup to a full standard output exited $status, not 2"
run --lookup /dev/null; status=$?
[ "$status" = 2 ] && grep -q 'not a file' "$scratch/err" || fail "--lookup /dev/null exited $status: $(cat "$scratch/err")"
run --column 2; status=$?
[ "$status" = 2 ] && grep -q -- '--column goes with --lookup' "$scratch/err" || fail "--column alone exited $status"
