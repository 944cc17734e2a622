# What packaging/release, packaging/verify, bench/run and .ci/run share: the
# target table, how a Linux program of the release is built, what a release
# holds, the tools they need, and wine.
# Sourced, with $top set to the source tree.

# The version, from project() in CMakeLists.txt.
version() {
    sed -n 's/^project(spantally VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt"
}

# targets: the lines of packaging/targets, without comments, for
#   while read -r name triplet deb rpm qemu cpu pie elf cflags
targets() {
    grep -v '^[[:space:]]*\(#\|$\)' "$top/packaging/targets"
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
# hardened as distributions build theirs.
linuxargs() {
    local name triplet deb rpm qemu cpu pie elf cflags
    read -r name triplet deb rpm qemu cpu pie elf cflags <<<"$(target "$1")"
    [ -n "$name" ] || return 1
    local cxx="${2:+$2 }-fstack-protector-strong -D_FORTIFY_SOURCE=3 -fstack-clash-protection"
    [ "$cflags" = - ] || cxx+=" $cflags"
    printf '%s\n' -DSPANTALLY_STATIC=ON "-DCMAKE_CXX_FLAGS=$cxx" \
        "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro,-z,now,-z,noexecstack"
    [ "$pie" = no ] || printf '%s\n' -DSPANTALLY_STATIC_PIE=ON
    native "$triplet" ||
        printf '%s\n' -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake "-DTRIPLET=$triplet"
}

# builtusing TRIPLET: the Debian source packages, with their versions, of the
# C library and the GCC runtime that the TRIPLET compiler links in statically.
builtusing() {
    local f pkgs=()
    for f in libc.a libstdc++.a libgcc.a libgcc_eh.a; do
        f=$(realpath "$("$1-g++" -print-file-name="$f")")
        pkgs+=("$(dpkg -S "$f" | sed 's/: .*//')")
    done
    dpkg-query -W -f='${source:Package} (= ${source:Version})\n' "${pkgs[@]}" | sort -u |
        paste -sd, | sed 's/,/, /g'
}

# srctar COMMIT VER: the source of COMMIT as the release's tarball holds it,
# an uncompressed tar with spantally-VER as its top folder.
srctar() {
    git -C "$top" -c tar.umask=022 archive --format=tar --prefix="spantally-$2/" "$1"
}

# relfiles VER: every file of release VER but SHA256SUMS, sorted.
relfiles() {
    local v=$1 name triplet deb rpm rest
    {
        printf '%s\n' "spantally-$v.tar.gz" "spantally-$v.buildinfo" \
            "spantally-$v-x86_64-windows.zip" "spantally-$v-x86_64-windows.msi"
        while read -r name triplet deb rpm rest; do
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
