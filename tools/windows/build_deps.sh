#!/usr/bin/env bash
# Builds the Windows (x86_64-w64-mingw32) DLLs of SDL2, GLEW and mpg123 from
# Debian's source packages, at the very versions the Linux build links, into a
# per-user cache outside the checkout. Progress goes to stderr; the last line on
# stdout is the install prefix, for toolchain-mingw64.cmake's MORLENTH_WINDOWS_DEPS.
#   usage: tools/windows/build_deps.sh
set -euo pipefail

host=x86_64-w64-mingw32
cc=$host-gcc-posix
cxx=$host-g++-posix

exec 3>&2 4>&1 # kept aside: the build itself writes into a log file
say() { printf 'build_deps: %s\n' "$*" >&3; }
die() { say "error: $*"; exit 1; }

for tool in "$cc" "$cxx" "$host-ld" "$host-strip" "$host-objdump" "$host-windres" \
    dpkg-query dpkg-source apt-get cmake make flock sha256sum; do
    command -v "$tool" >/dev/null || die "$tool not found (needs mingw-w64, dpkg-dev, cmake)"
done

# Debian source package and version behind each -dev package the Linux build uses.
source_of() { dpkg-query -W -f='${source:Package} ${source:Version}' "$1" 2>/dev/null || true; }
read -r sdl_pkg sdl_ver <<<"$(source_of libsdl2-dev)"
read -r glew_pkg glew_ver <<<"$(source_of libglew-dev)"
read -r mpg_pkg mpg_ver <<<"$(source_of libmpg123-dev)"
if [ -z "$sdl_ver" ] || [ -z "$glew_ver" ] || [ -z "$mpg_ver" ]; then
    die "install libsdl2-dev, libglew-dev and libmpg123-dev: the Windows DLLs copy their versions"
fi
upstream() { local v=${1#*:}; v=${v%-*}; echo "${v%%+*}"; } # 1:2.26.5+dfsg-1 -> 2.26.5

# -dumpversion says only "12-posix", so the toolchain packages' versions join the key.
self=$(readlink -f "${BASH_SOURCE[0]}")
key="$sdl_pkg $sdl_ver
$glew_pkg $glew_ver
$mpg_pkg $mpg_ver
$("$cxx" --version | head -n 1)
$("$cxx" -dumpversion)
$(dpkg-query -W -f='${Package} ${Version}\n' gcc-mingw-w64-x86-64-posix \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev 2>/dev/null || true)
recipe $(sha256sum <"$self" | cut -d' ' -f1)"
short=$(printf '%s\n' "$key" | sha256sum | cut -c1-16)
root=${XDG_CACHE_HOME:-$HOME/.cache}/morlenth/win64-deps
prefix=$root/$short
logf=$root/$short.log

# MANIFEST.txt holds the key, a blank line, then "sha256  ./path" per file.
list_files() { find . ! -type d ! -path ./MANIFEST.txt ! -path ./.complete | LC_ALL=C sort; }
sums() { sed '1,/^$/d' MANIFEST.txt; }
# True when $prefix is complete and intact; otherwise $why says what is wrong
# (empty when there is no cache at all).
cache_ok() {
    why=
    [ -d "$prefix" ] || return 1
    if [ ! -f "$prefix/.complete" ]; then why="is half-written (no .complete stamp)"
    elif [ "$(sed '/^$/,$d' "$prefix/MANIFEST.txt" 2>/dev/null)" != "$key" ]; then
        why="has no MANIFEST.txt for this key"
    elif [ "$(cd "$prefix" && sums | cut -c67-)" != "$(cd "$prefix" && list_files)" ]; then
        why="is damaged (a file is missing or was added)"
    elif ! (cd "$prefix" && sums | sha256sum -c --quiet --strict) >/dev/null 2>&1; then
        why="is damaged (a file's checksum changed)"
    fi
    [ -z "$why" ]
}

if cache_ok; then echo "$prefix" >&4; exit 0; fi

# One build per key at a time: a second run waits, then finds the cache done.
mkdir -p "$root"
exec 9>"$root/$short.lock"
flock -n 9 || { say "another run is building $short; waiting for it"; flock 9; }
if cache_ok; then echo "$prefix" >&4; exit 0; fi
[ -z "$why" ] || say "cache $prefix $why; removing it and rebuilding"
rm -rf "$prefix" "$root/$short".partial.* "$root/$short".work.* # ours alone under the lock

partial=$root/$short.partial.$$
work=$(mktemp -d "$root/$short.work.XXXXXX")
building=
on_exit() {
    rm -rf "$work" "$partial"
    if [ "$1" != 0 ] && [ "$building" ]; then
        say "failed; the end of $logf:"; tail -n 30 "$logf" >&3
    fi
}
trap 'on_exit $?' EXIT
exec >"$logf" 2>&1
printf 'Building for key %s:\n%s\n\n' "$short" "$key"

# Sources come through apt from Debian's archive, under a private configuration
# so the system's sources and lists stay untouched.
# shellcheck source=/dev/null
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
{
    for s in "$codename" "$codename-updates"; do
        echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian $s main"
    done
    echo "deb-src [signed-by=$keyring] http://deb.debian.org/debian-security $codename-security main"
} >"$work/apt/sources.list"
# Downloads run as us: apt's own user could not enter our private folders.
apt=(apt-get -q -o "Dir::Etc::SourceList=$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
    -o "APT::Sandbox::User=$(id -un)")
say "Fetching Debian sources: $sdl_pkg $sdl_ver, $glew_pkg $glew_ver, $mpg_pkg $mpg_ver"
"${apt[@]}" update || die "apt-get update failed; see $logf"

# Newest suites first; an exact version can sit in several of them, and a
# mirror may lack one of its files in one suite, so the next suite is tried.
fetch() {
    local pkg=$1 ver=$2 dsc=${1}_${2#*:}.dsc suite dl uris
    for suite in "$codename-security" "$codename-updates" "$codename"; do
        dl=$work/dl-$pkg-$suite
        mkdir -p "$dl"
        uris=$(cd "$dl" && "${apt[@]}" source --print-uris "$pkg/$suite" 2>/dev/null) || continue
        [[ $uris == *" $dsc "* ]] || continue
        if (cd "$dl" && "${apt[@]}" source --download-only "$pkg/$suite"); then
            dpkg-source -x "$dl/$dsc" "$work/$pkg"
            return
        fi
    done
    die "$pkg $ver, the version installed here, is not (or no longer fully) in Debian's archive; see $logf"
}
fetch "$sdl_pkg" "$sdl_ver"
fetch "$glew_pkg" "$glew_ver"
fetch "$mpg_pkg" "$mpg_ver"

# No time stamp in the DLLs and no build folder in their strings, so a rebuild
# gives the same bytes; the MinGW runtime goes inside each DLL, not beside it.
cflags="-O2 -ffile-prefix-map=$work=."
ldflags="-static-libgcc -Wl,--no-insert-timestamp"
jobs=$(nproc)
export PKG_CONFIG_LIBDIR=/usr/$host/lib/pkgconfig PKG_CONFIG_PATH= # never the host's .pc files
mkdir -p "$partial"/{bin,lib/pkgconfig,include/GL}
building=1

timed() { local name=$1 t=$SECONDS; shift; say "Building $name for win64 …"; "$@"; say "$name built in $((SECONDS - t)) s"; }

build_sdl() {
    # Only the tests go: the rest is small, and all it imports is part of Windows.
    nice cmake -S "$work/$sdl_pkg" -B "$work/sdl-build" \
        -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
        -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_RC_COMPILER="$host-windres" \
        -DCMAKE_FIND_ROOT_PATH="/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
        -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
        -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_C_FLAGS_RELEASE="$cflags -DNDEBUG" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF
    nice cmake --build "$work/sdl-build" -j "$jobs"
    cmake --install "$work/sdl-build" --prefix "$partial"
}

build_mpg123() {
    # This version has no switch to build only the library: configure all, make one target.
    cd "$work/$mpg_pkg"
    nice ./configure --host="$host" --prefix="$prefix" --enable-shared --disable-static \
        --disable-modules --with-audio=dummy CC="$cc" CFLAGS="$cflags" LDFLAGS="$ldflags"
    nice make -j "$jobs" src/libmpg123/libmpg123.la
    ./libtool --mode=install install -c src/libmpg123/libmpg123.la "$partial/lib" # DLL to ../bin
    rm -f "$partial/lib/libmpg123.la" # names the build's paths; the .pc serves
    install -m 644 src/libmpg123/mpg123.h src/libmpg123/fmt123.h "$partial/include/"
    install -m 644 libmpg123.pc "$partial/lib/pkgconfig/"
    install -D -m 644 COPYING "$partial/share/licenses/mpg123/COPYING" # LGPL: ships with the DLL
}

build_glew() {
    # Upstream links with plain ld and no C runtime, so ld gets the time stamp switch.
    cd "$work/$glew_pkg"
    nice make -j "$jobs" SYSTEM=linux-mingw64 CC="$cc" LD="$host-ld" STRIP= POPT="$cflags" \
        LDFLAGS.EXTRA=--no-insert-timestamp glew.lib.shared
    install -m 755 lib/glew32.dll "$partial/bin/"
    install -m 644 lib/libglew32.dll.a "$partial/lib/"
    install -m 644 include/GL/glew.h include/GL/wglew.h include/GL/glxew.h include/GL/eglew.h \
        "$partial/include/GL/"
    install -D -m 644 LICENSE.txt "$partial/share/licenses/glew/LICENSE.txt"
    # Upstream's glew.pc would name the build's folders and the static library.
    cat >"$partial/lib/pkgconfig/glew.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: glew
Description: The OpenGL Extension Wrangler library
Version: $(upstream "$glew_ver")
Cflags: -I\${includedir}
Libs: -L\${libdir} -lglew32 -lopengl32
EOF
}

timed "SDL2 $(upstream "$sdl_ver")" build_sdl
timed "mpg123 $(upstream "$mpg_ver")" build_mpg123
timed "GLEW $(upstream "$glew_ver")" build_glew

# strip writes a new COFF header, stamped with the time unless SOURCE_DATE_EPOCH is set.
SOURCE_DATE_EPOCH=0 "$host-strip" --strip-unneeded "$partial"/bin/*.dll
coff_stamp() { local pe; pe=$(od -An -tu4 -j60 -N4 "$1"); od -An -tu4 -j$((pe + 8)) -N4 "$1" | tr -d ' '; }
for dll in "$partial"/bin/*.dll; do # what ships beside the demo must need no MinGW DLL
    ! "$host-objdump" -p "$dll" | grep -Ei 'DLL Name: *(libgcc|libstdc|libwinpthread)' ||
        die "${dll##*/} imports a MinGW runtime DLL"
    [ "$(coff_stamp "$dll")" = 0 ] || die "${dll##*/} carries a time stamp"
done
! grep -rlF "$partial" "$partial" || die "an installed file names the temporary folder"

(cd "$partial" && { printf '%s\n\n' "$key"; list_files | xargs -r -d '\n' sha256sum; } >"$work/MANIFEST.txt")
mv "$work/MANIFEST.txt" "$partial/MANIFEST.txt"
: >"$partial/.complete" # written last: its presence means everything above finished
mv "$partial" "$prefix"
say "done: $prefix (log: $logf)"
echo "$prefix" >&4
