# Sourced by the scripts under tools/<name>/: sets root (the repository) and build
# (the script's first argument, default build, made absolute), and defines
# build_targets TARGET..., which configures a Release build once and builds them.

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac

build_targets() {
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release
    fi
    cmake --build "$build" --target "$@" -j "$(nproc)"
}
