#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a user without root would, and checks the installed
# tree: exactly the program's files and nothing of the developer tools, benchmarks or tests; the desktop
# entry, metainfo and man page pass their validators; each PNG icon is as large as its folder says; a
# session bus given the installed D-Bus service file starts the installed program when it is called.
#   check-install.sh <cmake> <build dir> <project version> <application id>
set -euo pipefail
cmake=$1 build=$2 version=$3 id=$4

prefix=$(mktemp -d)
buspid=
trap '[ -z "$buspid" ] || kill "$buspid"; rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

sizes=(16 22 24 32 48 64 128 256)
expected=(
    bin/quorvane
    bin/quorvane-scan
    share/quorvane/Quorvane.hlp
    "share/applications/$id.desktop"
    "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    share/man/man1/quorvane.1
    share/man/man1/quorvane-scan.1
    "share/dbus-1/services/$id.service"
)
for s in "${sizes[@]}"; do expected+=("share/icons/hicolor/${s}x$s/apps/$id.png"); done
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort); then
    fail "the installed files are not the expected ones (- expected, + installed)"
fi

[ -x "$prefix/bin/quorvane" ] || fail "bin/quorvane is not executable"
cmp -s "$prefix/share/quorvane/Quorvane.hlp" "$(dirname "$0")/../../help/Quorvane.hlp" ||
    fail "the installed help file differs from help/Quorvane.hlp"

desktop=$prefix/share/applications/$id.desktop
if [ -f "$desktop" ]; then
    out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate failed"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
    grep -qx "Exec=quorvane %U" "$desktop" || fail "the desktop entry does not run quorvane"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
fi

service=$prefix/share/dbus-1/services/$id.service
if [ -f "$service" ]; then
    printf '[D-BUS Service]\nName=%s\nExec=%s\n' "$id" "$prefix/bin/quorvane" | cmp -s - "$service" ||
        fail "the D-Bus service file does not start $prefix/bin/quorvane as $id: $(cat "$service")"
    grep -qx "DBusActivatable=true" "$desktop" || fail "the desktop entry is not D-Bus activatable"
    grep -qx "MimeType=inode/directory;" "$desktop" || fail "the desktop entry does not open folders"

    # Started by a bus of our own through the service file, as a file manager's call starts it.
    mkdir "$prefix/bus" "$prefix/config"
    cat >"$prefix/bus/bus.conf" <<EOF
<busconfig><type>session</type><listen>unix:dir=$prefix/bus</listen>
<servicedir>$prefix/share/dbus-1/services</servicedir>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy></busconfig>
EOF
    exec {busout}< <(QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$prefix/config XDG_RUNTIME_DIR=$prefix/bus \
        exec dbus-daemon --nofork --print-address=1 --print-pid=1 --config-file="$prefix/bus/bus.conf" 2>&1)
    read -r -u "$busout" address
    read -r -u "$busout" buspid
    on=(--bus="$address" --print-reply)
    interfaces=$(dbus-send "${on[@]}" --dest="$id" "/${id//.//}" org.freedesktop.DBus.Introspectable.Introspect \
        2>&1 || true)
    grep -q '<interface name="org.freedesktop.Application">' <<<"$interfaces" ||
        fail "the bus could not start the program and reach its org.freedesktop.Application: $interfaces"
    pid=$(dbus-send "${on[@]}" --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID "string:$id" 2>/dev/null | awk '/uint32/ { print $2 }' || true)
    if [ -n "$pid" ]; then
        exe=$(readlink "/proc/$pid/exe")
        [ "$exe" = "$prefix/bin/quorvane" ] || fail "the bus started $exe"
        kill "$pid"
    fi
fi

metainfo=$prefix/share/metainfo/$id.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net --no-color "$metainfo" >/dev/null 2>&1 ||
        fail "appstreamcli validate: $(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)"
    grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo id is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $id.desktop"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
fi

for page in quorvane quorvane-scan; do
    man=$prefix/share/man/man1/$page.1
    if [ -f "$man" ]; then
        out=$(MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null) || fail "man could not render $page.1"
        [ -z "$out" ] || fail "man --warnings: $page.1: $out"
        grep -q "Quorvane $version" "$man" || fail "$page.1 does not name version $version"
    fi
done

# A PNG's width and height are the two big-endian 32-bit words after its signature and IHDR header.
for s in "${sizes[@]}"; do
    png=$prefix/share/icons/hicolor/${s}x$s/apps/$id.png
    [ -f "$png" ] || continue
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "${s}x$s icon is not a PNG"
    width=$((16#${header:32:8})) height=$((16#${header:40:8}))
    [ "$width" -eq "$s" ] && [ "$height" -eq "$s" ] || fail "${s}x$s icon is ${width}x$height"
done

exit $failed
