#!/usr/bin/env bash
# Packages this build tree as the Debian package and checks what an operator gets:
# the files in their places, control scripts, computed Depends, programs that run
# from the unpacked tree and find their data, man pages that render cleanly, the
# .pri type, and Debian's own checkers where they are installed.
#   package_test.sh BUILD_DIR VERSION APPSTREAM_ID DATA_FROM_BIN REFERENCE_RV720 DEMO_PRI
set -uo pipefail
build=$1 version=$2 id=$3 data_from_bin=$4 reference_tool=$5 demo=$6

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# The package of the tree as built; not the Release tree of `make package`.
if ! "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
deb="$work/rv720-station_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "FAIL: no $deb" >&2; ls "$work" >&2; exit 1; }

# ---- control: the libraries come from dpkg-shlibdeps, the plugins are added
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
    [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] || fail "Depends lacks $lib: $depends"
done

# ---- contents: exactly these files, nothing else (no build leftovers)
expected=$(sort <<EOF
./usr/bin/rv720
./usr/bin/rv720-station
./usr/lib/udev/rules.d/60-rv720.rules
./usr/share/applications/rv720-station.desktop
./usr/share/doc/rv720-station/changelog.gz
./usr/share/doc/rv720-station/copyright
./usr/share/icons/hicolor/128x128/apps/rv720-station.png
./usr/share/icons/hicolor/256x256/apps/rv720-station.png
./usr/share/icons/hicolor/48x48/apps/rv720-station.png
./usr/share/icons/hicolor/scalable/apps/rv720-station.svg
./usr/share/man/man1/rv720-station.1.gz
./usr/share/man/man1/rv720.1.gz
./usr/share/metainfo/$id.metainfo.xml
./usr/share/mime/packages/rv720-station.xml
./usr/share/rv720-station/examples/demo.pri
./usr/share/rv720-station/examples/demo.rv720
./usr/share/rv720-station/help/RV_702_HELP.html
EOF
)
actual=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sort)
[ "$actual" = "$expected" ] || fail "contents differ:
$(diff <(echo "$expected") <(echo "$actual"))"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    [ -x "$work/control/$script" ] || fail "no executable $script (udev reload)"
done

# ---- the unpacked programs and data
root="$work/root"
dpkg-deb -x "$deb" "$root"
bin="$root/usr/bin"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$("$bin/rv720" --version)" = "rv720 $version" ] || fail "rv720 --version"
# Without a display too: --version and --help must not need one.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$bin/rv720-station" --version)" = \
    "rv720-station $version" ] || fail "rv720-station --version"
"$bin/rv720" list "$root/usr/share/rv720-station/examples/demo.pri" >"$work/list.txt" ||
    fail "rv720 list on the packaged example"
"$reference_tool" list "$demo" >"$work/reference.txt"
cmp -s "$work/list.txt" "$work/reference.txt" || fail "the packaged example lists differently"
# Where the station looks for its manual, relative to its own folder.
[ -f "$bin/$data_from_bin/help/RV_702_HELP.html" ] || fail "manual not at $data_from_bin from bin/"

for page in rv720 rv720-station; do
    file="$root/usr/share/man/man1/$page.1.gz"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >"$work/$page.txt")
    [ -z "$warnings" ] || fail "man $page warns: $warnings"
    for section in SYNOPSIS DESCRIPTION "EXIT STATUS" ENVIRONMENT FILES; do
        grep -q "^$section" "$work/$page.txt" || fail "man $page has no $section"
    done
done
# Every verb of the tool has its section in rv720(1).
for verb in $("$bin/rv720" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p'); do
    grep -q "^   $verb\$" "$work/rv720.txt" || fail "rv720(1) lacks the command $verb"
done

for size in 48 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/rv720-station.png"
    [[ "$(file -b "$png")" == "PNG image data, $size x $size,"* ]] || fail "icon $size: $(file -b "$png")"
done

# A double click: both program forms get a type, and the desktop entry takes it.
update-mime-database "$root/usr/share/mime" 2>/dev/null
desktop="$root/usr/share/applications/rv720-station.desktop"
for extension in pri rv720; do
    type=$(sed -n "s/^\(.*\):\*\.$extension\$/\1/p" "$root/usr/share/mime/globs")
    [ -n "$type" ] || fail "no MIME type for *.$extension"
    grep -q "^MimeType=.*\b$type;" "$desktop" || fail "the desktop entry does not take $type"
done

# ---- Debian's checkers, where installed
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 ||
        fail "appstreamcli: $(cat "$work/as.log")"
fi
if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
    cat "$work/lintian.log"
    if grep -q '^E: ' "$work/lintian.log"; then fail "lintian reports errors"; fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "package $(basename "$deb"): all checks passed"
