# What packaging/release, packaging/verify, bench/run and .ci/run share: the
# target table, how a Linux program of the release is built, what a release
# holds, the tools they need, and wine.
# Sourced, with $top set to the source tree.
# shellcheck shell=bash
top=${top:?set top to the source tree before sourcing packaging/common.sh}

# The version, from project() in CMakeLists.txt.
version() {
    sed -n 's/^project(spantally VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt"
}

# targets: the lines of packaging/targets, without comments, for
#   while read -r name triplet deb rpm qemu cpu pie elf cflags libs
# read once, so that no loop over them can lose a failed read.
tgts=$(grep -v '^[[:space:]]*\(#\|$\)' "$top/packaging/targets") || {
    echo "cannot read $top/packaging/targets" >&2
    exit 1
}
targets() {
    [ -z "$tgts" ] || printf '%s\n' "$tgts"
}

# native TRIPLET: TRIPLET is this machine's own, built without a cross compiler.
native() {
    [ "$1" = "$(gcc -dumpmachine)" ]
}

# target NAME: the table's line for NAME, as above.
target() {
    targets | awk -v n="$1" '$1 == n'
}

# linuxargs NAME [CXXFLAGS]: the CMake arguments that build the program of target NAME as
# the release ships it: static, a static PIE where the table says so, and
# hardened as distributions build theirs; where its libraries are Debian's
# own for its CPU, with those that packaging/release unpacks in $LIBROOTS/DEB.
linuxargs() {
    local line name triplet pie cflags libs
    line=$(target "$1")
    read -r name triplet _ _ _ _ pie _ cflags libs <<<"$line"
    [ -n "$name" ] || return 1
    local cxx="${2:+$2 }-fstack-protector-strong -D_FORTIFY_SOURCE=3 -fstack-clash-protection"
    [ "$cflags" = - ] || cxx+=" $cflags"
    printf '%s\n' -DSPANTALLY_STATIC=ON "-DCMAKE_CXX_FLAGS=$cxx" \
        "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro,-z,now,-z,noexecstack"
    [ "$pie" = no ] || printf '%s\n' -DSPANTALLY_STATIC_PIE=ON
    native "$triplet" ||
        printf '%s\n' -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake "-DTRIPLET=$triplet"
    [ "$libs" != debian ] || printf '%s\n' "-DLIBROOT=$LIBROOTS/$deb"
}

# The Debian release the release builds against and its GCC's major
# version: the names that change together when it moves on.
# shellcheck disable=SC2034 # (.ci/run's, for the root it builds the Debian package in)
debrel=bookworm
gccver=12
export SPANTALLY_GCC=$gccver # (for packaging/records.py)
# The Debian packages that hold the static C library and GCC runtime.
libpkgs=(libc6-dev "libstdc++-$gccver-dev" "libgcc-$gccver-dev")

# linked TRIPLET LIBS: what the program of a target links in statically, one
# "SOURCE VERSION" a line: the Debian source packages of its C library and
# GCC runtime. packaging/release fetches Debian's own packages for a CPU at
# exactly this machine's versions, so they are the host's.
linked() {
    case $2 in
    host | debian)
        dpkg-query -W -f='${source:Package} ${source:Version}\n' "${libpkgs[@]}"
        ;;
    cross)
        local deb
        deb=$(dpkg -S "$(realpath "$("$1-g++" -print-file-name=libc.a)")" | sed 's/: .*//')
        # (libc6-dev-ARCH-cross and libstdc++-12-dev-ARCH-cross say what
        # they were built from)
        builtfrom "$deb" glibc
        builtfrom "${deb/libc6-dev/libstdc++-$gccver-dev}" "gcc-$gccver"
        ;;
    esac | sort -u
}

# builtfrom PACKAGE SOURCE: "SOURCE VERSION", as the installed PACKAGE's
# Built-Using names SOURCE.
builtfrom() {
    dpkg-query -W -f='${Built-Using}\n' "$1" | tr ',' '\n' |
        sed -n "s/^ *\($2\) (= \(.*\))\$/\1 \2/p"
}

# builtusing TRIPLET LIBS: linked's sources as Debian's Built-Using field,
# written as the release writes it (packaging/records.py).
builtusing() {
    local rec
    rec=$(linked "$1" "$2" | python3 "$top/packaging/records.py" record target linux)
    python3 "$top/packaging/records.py" builtusing /dev/stdin <<<"$rec"
}

# winlinked: the same for the Windows program: the mingw-w64 runtime and
# GCC's runtime for it.
winlinked() {
    local p pkgs=()
    for p in libmsvcrt.a libstdc++.a; do
        p=$(realpath "$(x86_64-w64-mingw32-g++ -print-file-name=$p)")
        pkgs+=("$(dpkg -S "$p" | sed 's/: .*//')")
    done
    dpkg-query -W -f='${source:Package} ${source:Version}\n' "${pkgs[@]}" | sort -u
}

# srctar COMMIT VER: the source of COMMIT as the release's tarball holds it,
# an uncompressed tar with spantally-VER as its top folder.
srctar() {
    git -C "$top" -c tar.umask=022 archive --format=tar --prefix="spantally-$2/" "$1"
}

# What a release made with --only holds besides its Linux targets (the
# targets above): the Windows programs, and the source tarball.
relwin=yes relsrc=yes

# relfiles VER: every file of release VER but SHA256SUMS, sorted.
relfiles() {
    local v=$1 name deb rpm
    {
        printf '%s\n' "spantally-$v.buildinfo" "spantally-$v.cdx.json"
        [ $relsrc = no ] || printf '%s\n' "spantally-$v.tar.gz"
        [ $relwin = no ] || printf '%s\n' "spantally-$v-x86_64-windows.zip" "spantally-$v-x86_64-windows.msi"
        [ -z "$tgts" ] || printf '%s\n' "spantally-$v-third-party-source.tar"
        while read -r name _ deb rpm _; do
            printf '%s\n' "spantally-$v-$name-linux.tar.gz" "spantally_${v}_$deb.deb" \
                "spantally-$v-1.$rpm.rpm"
        done < <(targets)
    } | LC_ALL=C sort
}

# missing TOOL:PACKAGE...: the Debian packages, one a line, of the tools that
# are not here. A TOOL that is a path is a file, any other a command.
missing() {
    local t
    for t; do
        if [[ ${t%%:*} == /* ]]; then
            [ -e "${t%%:*}" ] || echo "${t#*:}"
        else
            command -v "${t%%:*}" >/dev/null || echo "${t#*:}"
        fi
    done | sort -u
}

# winestart PREFIX: a wine of its own in PREFIX, started once for all that
# runs in it: a server quitting between runs breaks the next start.
winestart() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    wineserver -p
    wineboot -i >/dev/null 2>&1
}

# msiexec /i|/x MSI [PROPERTY=VALUE...]: the installer run quietly under wine.
msiexec() {
    wine msiexec "$1" "$(winepath -w "$2")" /qn "${@:3}"
}

# syspath: the system PATH under wine.
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
syspath() {
    wine reg query "$envkey" /v PATH | tr -d '\r' | sed -n 's/.*REG_EXPAND_SZ *//p'
}
