#!/usr/bin/env bash
# Installs Kelvo from the build tree, either with "cmake --install" into a temporary prefix or
# as the Debian package unpacked with "dpkg -x" into a temporary root, and checks what a user
# gets: the files in their places, valid AppStream metadata and desktop entry, a kelvo-cli that
# imports and searches, and a desktop entry that starts kelvo in the user's data folder.
#
#   test_installed.sh prefix|deb BUILD_DIR VERSION "ICON_SIZES"
set -euo pipefail
mode=$1 build=$2 version=$3 icon_sizes=$4
app_id=de.arnvik.Kelvo

work=$(mktemp -d)
pid=
cleanup() {
    local status=$?
    if [ -n "$pid" ]; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

case $mode in
prefix)
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >/dev/null
    ;;
deb)
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >/dev/null
    deb=$work/out/kelvo_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || fail "no $(basename "$deb"), but: $(ls "$work/out")"
    depends=$(dpkg-deb -f "$deb" Depends)
    # From dpkg-shlibdeps: the engines' own libraries; Qt's database drivers are not used.
    for package in libqt6widgets6 libsqlite3-0 libpq5; do
        [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
    done
    [[ $depends != *libqt6sql* ]] || fail "Depends names a Qt database driver: $depends"
    # GDAL, from the module the programs load for tables and areas.
    [[ $depends == *libgdal* ]] || fail "Depends lacks GDAL: $depends"
    dpkg -x "$deb" "$work/root"
    prefix=$work/root/usr
    ;;
*) fail "unknown mode $mode" ;;
esac

for file in bin/kelvo bin/kelvo-cli share/applications/$app_id.desktop \
    share/metainfo/$app_id.metainfo.xml share/icons/hicolor/scalable/apps/$app_id.svg \
    share/doc/kelvo/README.md share/doc/kelvo/kelvo_hilfe.html; do
    [ -s "$prefix/$file" ] || fail "$file is not installed"
done
# GDAL comes in with the module, loaded when a table or an area file is read, never at the
# start of a program.
module=lib/$(gcc -print-multiarch)/kelvo/libkelvo-gdal.so
[ -s "$prefix/$module" ] || fail "$module is not installed: $(find "$prefix" -name 'libkelvo-*')"
# Both programs open SQLite and the server through their own libraries, never Qt SQL.
for program in kelvo kelvo-cli; do
    needed=$(readelf -d "$prefix/bin/$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
    for library in libsqlite3.so.0 libpq.so.5; do
        grep -qx "$library" <<<"$needed" || fail "$program does not use $library: $needed"
    done
    ! grep -q '^libQt6Sql' <<<"$needed" || fail "$program uses Qt SQL: $needed"
    ! grep -q '^libgdal' <<<"$needed" || fail "$program links GDAL: $needed"
done
for size in $icon_sizes; do
    png=$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png
    file "$png" | grep -q "PNG image data, $size x $size," || fail "no $size x $size icon: $png"
done

# The installed metadata refers to the installed desktop entry and icon.
appstreamcli validate-tree --no-net "$prefix" >"$work/appstream.txt" 2>&1 ||
    fail "appstreamcli validate-tree: $(cat "$work/appstream.txt")"
desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
    fail "desktop-file-validate"

# kelvo-cli from the installed tree imports GeoNames lines and finds the places by "101".
mkdir "$work/db"
printf '%s\t%s\t%s\t%s\t\t%s\t\t%s\t\t%s\t%s\t\n' \
    DE 10115 Berlin Berlin Berlin Berlin 52.5323 13.3846 \
    DE 80331 München Bayern Oberbayern München 48.1372 11.5755 \
    AT 1010 Wien Wien Wien Wien 48.2077 16.3705 >"$work/db/plz.txt"
(cd "$work/db" && "$prefix/bin/kelvo-cli" import plz.txt >/dev/null) || fail "kelvo-cli import"
found=$(cd "$work/db" && "$prefix/bin/kelvo-cli" search 101) || fail "kelvo-cli search"
expected='AT, 1010, Wien, Wien, Wien, , Wien, , , 16.3705, 48.2077, 
DE, 10115, Berlin, Berlin, Berlin, , Berlin, , , 13.3846, 52.5323, 
2 "101" in GEO'
[ "$found" == "$expected" ] || fail "kelvo-cli search 101 printed:
$found"
# ... and reads a list through the installed module.
printf 'PLZ;Name\n80331;Kundin\n' >"$work/db/liste.csv"
listed=$(cd "$work/db" && "$prefix/bin/kelvo-cli" places --table liste.csv 2>&1) ||
    fail "kelvo-cli places --table: $listed"
[[ $listed == *$'DE\t80331\t'*$'\tKundin\t'*"Orte übernommen: 1,"* ]] || fail "kelvo-cli places --table printed: $listed"

# The desktop entry's command, started elsewhere, runs kelvo in $XDG_DATA_HOME/Kelvo, which it
# creates with a new database.
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$app_id.desktop")
read -ra command <<<"$exec_line"
mkdir "$work/home" "$work/elsewhere"
export PATH=$prefix/bin:$PATH HOME=$work/home XDG_DATA_HOME=$work/data \
    XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
[ "$(command -v "${command[0]}")" == "$prefix/bin/kelvo" ] || fail "Exec runs ${command[0]}"
(cd "$work/elsewhere" && exec "${command[@]}") >"$work/kelvo.txt" 2>&1 &
pid=$!
database=$work/data/Kelvo/Kelvo.mde
for _ in $(seq 300); do
    [ -f "$database" ] && sqlite3 "$database" .tables 2>/dev/null | grep -qw GEO && break
    kill -0 "$pid" 2>/dev/null || fail "kelvo ended: $(cat "$work/kelvo.txt")"
    sleep 0.1
done
sqlite3 "$database" .tables | grep -qw GEO || fail "no database in the data folder"
kill -0 "$pid" 2>/dev/null || fail "kelvo did not keep running: $(cat "$work/kelvo.txt")"
[ -z "$(ls "$work/elsewhere")" ] || fail "kelvo wrote into the folder it was started from"
echo "installed ($mode) and checked"
