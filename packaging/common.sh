# What packaging/release, packaging/verify and bench/run share: the target
# table, how a Linux program of the release is built, and what a release holds.
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
    [ "$triplet" = "$(gcc -dumpmachine)" ] ||
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
