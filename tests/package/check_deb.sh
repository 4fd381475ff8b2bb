#!/usr/bin/env bash
# Builds the .deb from a build tree and checks what it holds without installing it.
# Usage: check_deb.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/quillmap_*.deb)
dpkg-deb -x "$deb" "$work/root"
listing=$(dpkg-deb -c "$deb")

# The program folder holds the executable with its shipped files; bin/ only the launcher.
for entry in "-rwxr-xr-x root/root .* ./usr/lib/quillmap/quillmap$" \
             "-rw-r--r-- root/root .* ./usr/lib/quillmap/dbZipsOriginal.mdb$" \
             "-rw-r--r-- root/root .* ./usr/lib/quillmap/HAND-M.CUR$" \
             "-rw-r--r-- root/root .* ./usr/lib/quillmap/doc/README.html$" \
             "-rw-r--r-- root/root .* ./usr/lib/quillmap/doc/docs/window.png$" \
             "-rw-r--r-- root/root .* ./usr/lib/quillmap/states.outline$" \
             "-rwxr-xr-x root/root .* ./usr/bin/quillmap$" \
             "-rw-r--r-- root/root .* ./usr/share/doc/quillmap/copyright$" \
             "-rw-r--r-- root/root .* ./usr/share/doc/quillmap/changelog.gz$" \
             "-rw-r--r-- root/root .* ./usr/share/doc/quillmap/examples/quillmap.conf$" \
             "-rw-r--r-- root/root .* ./usr/share/man/man1/quillmap.1.gz$"; do
    grep -Eq -- "$entry" <<< "$listing" || fail "no entry matching $entry"
done
[ "$(ls "$work/root/usr/bin")" = quillmap ] || fail "usr/bin holds more than the launcher"
grep -q 'lib/quillmap/quillmap' "$work/root/usr/bin/quillmap" || fail "the launcher does not start the program folder's executable"
# Nothing in /var: the data folder is made by postinst, so removing the package leaves it. Nothing
# in /etc: the server setting is the administrator's, and the example names a server only in comments.
grep -q '\./var' <<< "$listing" && fail "the package ships files under /var"
grep -q '\./etc' <<< "$listing" && fail "the package ships files under /etc"
grep -Eq '^\s*server' "$work/root/usr/share/doc/quillmap/examples/quillmap.conf" && fail "the example names a server"

# Icons at the sizes a desktop looks for, each PNG as large as its folder says.
for size in 16 22 24 32 48 64 128 256; do
    png="$work/root/usr/share/icons/hicolor/${size}x${size}/apps/example.quillmap.Quillmap.png"
    if [ ! -f "$png" ]; then fail "no ${size}px icon"; continue; fi
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
    [ "$width $height" = "$size $size" ] || fail "${size}px icon is ${width}x${height}"
done

desktop="$work/root/usr/share/applications/example.quillmap.Quillmap.desktop"
desktop-file-validate "$desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=quillmap' "$desktop" || fail "desktop entry does not run quillmap"
grep -qx 'Icon=example.quillmap.Quillmap' "$desktop" || fail "desktop entry names another icon"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/example.quillmap.Quillmap.metainfo.xml" \
    || fail "metainfo does not validate"

# The data's licences and credits in the machine-readable copyright format.
copyright="$work/root/usr/share/doc/quillmap/copyright"
head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    || fail "copyright is not in the machine-readable format"
for text in '^Files: data/zipcodes.csv' '^License: CC-BY-4.0 and BSD-3-clause' '^License: CC-BY-4.0$' \
            '^License: BSD-3-clause$' 'GeoNames' 'Dav Glass' 'Attribution 4.0 International'; do
    grep -q "$text" "$copyright" || fail "copyright lacks $text"
done

# The runtime it needs, the spreadsheet it would like, and the scripts that make the shared folder.
depends=$(dpkg-deb -f "$deb" Depends)
required=(libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libsqlite3-0 adduser)
# The workbook's library comes in through dpkg-shlibdeps from the day the program links it.
if objdump -p "$work/root/usr/lib/quillmap/quillmap" | grep -q 'NEEDED *libxlsxwriter'; then
    required+=(libxlsxwriter4)
fi
if objdump -p "$work/root/usr/lib/quillmap/quillmap" | grep -q 'NEEDED *libpq'; then
    required+=(libpq5)
fi
if objdump -p "$work/root/usr/lib/quillmap/quillmap" | grep -q 'NEEDED *libzip'; then
    required+=(libzip4)
fi
for package in "${required[@]}"; do
    grep -Eq "(^|, )$package( |,|$)" <<< "$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Recommends)" = "libreoffice-calc, xdg-utils" ] \
    || fail "does not recommend libreoffice-calc and xdg-utils"
[ "$(dpkg-deb -f "$deb" Suggests)" = postgresql ] || fail "does not suggest postgresql"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    [ "$(stat -c %a "$work/control/$script")" = 755 ] || fail "$script is not executable"
    sh -n "$work/control/$script" || fail "$script is not valid shell"
done

if [ "$failures" -ne 0 ]; then
    echo "$failures package checks failed" >&2
    exit 1
fi
echo "package checks passed: $(basename "$deb")"
