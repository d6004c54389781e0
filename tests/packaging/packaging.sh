#!/usr/bin/env bash
# The packaging tests, one step per CTest test:
#   install     BUILD PREFIX               install the built tree into PREFIX, afresh
#   deb         BUILD ROOT PREFIX INSTALLED  pack the built tree into .debs, unpack them
#                                          into ROOT, compare ROOT/PREFIX with INSTALLED
#   tree        PREFIX SOVERSION CXX [PROGRAM...]  libraries, exported symbols, headers, programs
#   find-package PREFIX WORK VERSION CXX   build and run the consumer through find_package(ZEV)
#   pkg-config  PREFIX WORK VERSION CXX    build and run the consumer through zev.pc
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
libraries=(zev_core zev_ogl image_runtime zev_host)
fail() { echo "FAIL: $*" >&2; exit 1; }
use_pkg_config_of() {
    local pc
    pc=$(find "$1" -name zev.pc -print -quit)
    [ -n "$pc" ] || fail "no zev.pc installed under $1"
    export PKG_CONFIG_PATH
    PKG_CONFIG_PATH=$(dirname "$pc")
}

# What the consumer must print: the library's exception was caught by its
# base class and identified, and the rectangle printed through the library.
check_consumer_output() {
    local output
    output=$("$1")
    echo "$output"
    local expected
    expected=$'renderer: named\ncaught: ParameterException from zev_ogl/Texture\nrect: (-3, 4) 640 x 480'
    [ "$output" = "$expected" ] || fail "consumer printed something else than:"$'\n'"$expected"
}

step_install() {
    local build=$1 prefix=$2
    rm -rf "$prefix"
    env -u DESTDIR cmake --install "$build" --prefix "$prefix" >/dev/null
}

step_deb() {
    local build=$1 root=$2 prefix=$3 installed=$4
    packages=$(mktemp -d)
    trap 'rm -rf "$packages"' EXIT
    rm -rf "$root"
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$packages" >/dev/null
    for deb in "$packages"/*.deb; do dpkg -x "$deb" "$root"; done
    # Together the packages hold exactly what cmake --install puts in a prefix.
    diff <(cd "$installed" && find . ! -type d | sort) <(cd "$root$prefix" && find . ! -type d | sort) ||
        fail "the packages hold other files than the installed tree"
    # Dependencies on Debian's packages are derived from the binaries; the
    # other packages need this very build of the runtime package.
    local runtime needed
    runtime=$(ls "$packages"/libzev[0-9]*.deb)
    dpkg-deb -f "$runtime" Depends | grep -q 'libc6 (' || fail "the runtime package's dependencies were not derived"
    needed="$(dpkg-deb -f "$runtime" Package) (= $(dpkg-deb -f "$runtime" Version))"
    for deb in "$packages"/*.deb; do
        [ "$deb" = "$runtime" ] || dpkg-deb -f "$deb" Depends | grep -qF "$needed" ||
            fail "$(basename "$deb") does not depend on $needed"
    done
}

step_tree() {
    local prefix=$1 soversion=$2 cxx=$3
    shift 3
    use_pkg_config_of "$prefix"
    local libdir
    libdir=$(pkg-config --variable=libdir zev)
    [ -d "$libdir" ] || fail "zev.pc names libdir $libdir, which is not there"

    for library in "${libraries[@]}"; do
        local file="$libdir/lib$library.so"
        [ -L "$file" ] || fail "$file is missing or not the development link"
        local soname
        soname=$(readelf -d "$file" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
        [ "$soname" = "lib$library.so.$soversion" ] || fail "$file has soname '$soname'"
        [ -f "$libdir/$soname" ] || fail "$libdir/$soname is missing"
        # Everything a library exports is in the ZEV namespace (with the
        # vtables, type information and thunks of ZEV classes).
        local foreign
        foreign=$(nm -D --defined-only -C "$file" | cut -d' ' -f3- |
            grep -Ev '^((vtable|VTT|typeinfo|typeinfo name|guard variable) for |(non-virtual |virtual )?thunk to )?ZEV::' || true)
        [ -z "$foreign" ] || fail "lib$library.so exports more than the ZEV interface:"$'\n'"$foreign"
    done

    local include="$prefix/include/zev"
    for header in image_runtime/ImageRuntime.h image_runtime/images/ImageBase.h \
                  zev_core/Exceptions.h zev_ogl/Context.h zev_host/RuntimeSetup.h; do
        [ -f "$include/$header" ] || fail "$include/$header is not installed"
    done
    [ ! -e "$include/zev_ogl/GLError.h" ] || fail "the internal GLError.h is installed"
    local gl
    gl=$(grep -rlE '#include *[<"](epoxy|GL|EGL)/' "$include" || true)
    [ -z "$gl" ] || fail "installed headers include GL headers:"$'\n'"$gl"
    # All installed headers together: none may need a header that is not installed.
    find "$include" -name '*.h' -printf '#include "%P"\n' | sort |
        # shellcheck disable=SC2046
        "$cxx" -std=c++17 -fsyntax-only $(pkg-config --cflags zev) -x c++ - ||
        fail "the installed headers do not compile on their own"

    for program in "$@"; do
        # No LD_LIBRARY_PATH: the program must find the libraries by itself.
        env -u LD_LIBRARY_PATH "$prefix/bin/$program" --help >/dev/null ||
            fail "installed $program --help failed"
    done
}

step_find_package() {
    local prefix=$1 work=$2 version=$3 cxx=$4
    rm -rf "$work"
    cmake -S "$here/consumer" -B "$work" -DCMAKE_PREFIX_PATH="$prefix" \
          -DCMAKE_CXX_COMPILER="$cxx" -DZEV_EXPECTED_VERSION="$version" >/dev/null
    cmake --build "$work" >/dev/null
    check_consumer_output "$work/consumer"
}

step_pkg_config() {
    local prefix=$1 work=$2 version=$3 cxx=$4
    rm -rf "$work"
    mkdir -p "$work"
    use_pkg_config_of "$prefix"
    local modversion
    modversion=$(pkg-config --modversion zev)
    [ "$modversion" = "$version" ] || fail "zev.pc says version $modversion, not $version"

    # shellcheck disable=SC2046
    "$cxx" -std=c++17 "$here/consumer/main.cpp" -o "$work/consumer" \
        $(pkg-config --cflags --libs zev) -Wl,-rpath,"$(pkg-config --variable=libdir zev)"
    check_consumer_output "$work/consumer"
}

step=$1
shift
case $step in
    install) step_install "$@" ;;
    deb) step_deb "$@" ;;
    tree) step_tree "$@" ;;
    find-package) step_find_package "$@" ;;
    pkg-config) step_pkg_config "$@" ;;
    *) fail "unknown step $step" ;;
esac
