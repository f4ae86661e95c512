#!/usr/bin/env bash
# Fetches LibreCAD's plug-in interface headers (qc_plugininterface.h, document_interface.h) for
# exactly the installed librecad version, from Debian's source package, into a cache outside the
# repository; prints the folder that holds them.
#
# usage: fetchLibrecadHeaders.sh
#   The cache is $VECTRIN_LIBRECAD_CACHE, else $XDG_CACHE_HOME/vectrin/librecad, else
#   ~/.cache/vectrin/librecad; each version has a folder of its own. CMake looks there too.
#
# The source entries are derived from the machine's own apt sources (deb becomes deb-src) into a
# private list, state and cache folder: the system's apt configuration and lists are not touched.
set -eu

version=$(dpkg-query -W -f='${Version}' librecad 2>/dev/null || true)
if [ -z "$version" ]; then
    echo "fetchLibrecadHeaders: librecad is not installed (apt-get install librecad)" >&2
    exit 1
fi
source_package=$(dpkg-query -W -f='${source:Package}' librecad)
cache_root=${VECTRIN_LIBRECAD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vectrin/librecad}
target=$cache_root/${version//:/_}
headers=(qc_plugininterface.h document_interface.h)
if [ -f "$target/include/${headers[0]}" ] && [ -f "$target/include/${headers[1]}" ]; then
    echo "$target/include"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's download user must be able to write into it when run as root
mkdir -p "$work/parts" "$work/lists/partial" "$work/cache/archives/partial" "$work/src"
: >"$work/sources.list"

# One-line sources: every "deb" line gives its "deb-src" twin.
for list in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$list" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >>"$work/sources.list"
done
# deb822 sources: the same stanzas with their Types set to deb-src.
for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$list" >"$work/parts/$(basename "$list")"
done

apt_options=(-q -o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/parts"
             -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
echo "fetchLibrecadHeaders: fetching the source of $source_package $version" >&2
apt-get "${apt_options[@]}" update >"$work/update.log" 2>&1 || {
    cat "$work/update.log" >&2
    echo "fetchLibrecadHeaders: the source lists could not be read" >&2
    exit 1
}
(cd "$work/src" && apt-get "${apt_options[@]}" source --download-only "$source_package=$version") \
    >"$work/source.log" 2>&1 || {
    cat "$work/source.log" >&2
    echo "fetchLibrecadHeaders: the source of $source_package $version could not be fetched" >&2
    exit 1
}

# Only the two headers are unpacked, then Debian's patches that touch them are applied.
orig=$(ls "$work/src"/*.orig.tar.* | head -n 1)
tar -xf "$orig" -C "$work/src" --wildcards "*/librecad/src/plugins/${headers[0]}" \
    "*/librecad/src/plugins/${headers[1]}"
tree=$(dirname "$(dirname "$(dirname "$(dirname "$(ls "$work/src"/*/librecad/src/plugins/${headers[0]})")")")")
debian=$(ls "$work/src"/*.debian.tar.* 2>/dev/null | head -n 1 || true)
if [ -n "$debian" ]; then
    tar -xf "$debian" -C "$tree"
    if [ -f "$tree/debian/patches/series" ]; then
        while read -r patch _; do
            case "$patch" in ''|'#'*) continue ;; esac
            grep -qE "src/plugins/(qc_plugininterface|document_interface)\.h" \
                "$tree/debian/patches/$patch" || continue
            (cd "$tree" && patch -s -p1 <"debian/patches/$patch")
        done <"$tree/debian/patches/series"
    fi
fi

mkdir -p "$cache_root"
staging=$(mktemp -d "$cache_root/.incoming.XXXXXX")
mkdir -p "$staging/include"
for header in "${headers[@]}"; do cp "$tree/librecad/src/plugins/$header" "$staging/include/"; done
echo "$version" >"$staging/VERSION"
rm -rf "$target"
mv "$staging" "$target"
echo "$target/include"
