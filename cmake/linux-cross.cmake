# Cross-build spantally for another Linux CPU with Debian's cross compiler
# for the GNU triplet TRIPLET (g++-TRIPLET), for example:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-cross.cmake \
#         -DTRIPLET=aarch64-linux-gnu -DSPANTALLY_STATIC=ON
# packaging/targets lists the triplet of every CPU the release builds for.
#
# -DLIBROOT=DIR takes the C library and the GCC runtime, headers and static
# libraries alike, from Debian's own packages for the CPU unpacked into DIR
# (libc6-dev, libstdc++-12-dev and libgcc-12-dev, as packaging/release
# fetches them) rather than from the cross toolchain, whose copies are as old
# as the toolchain itself. The kernel's headers are still the toolchain's.
# For a static build (-DSPANTALLY_STATIC=ON) only.
if(NOT TRIPLET)
  message(FATAL_ERROR "linux-cross.cmake needs -DTRIPLET=..., such as aarch64-linux-gnu")
endif()
# (the compiler checks read this file again, in a project of their own)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TRIPLET LIBROOT)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${TRIPLET})

set(CMAKE_C_COMPILER ${TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(LIBROOT)
  execute_process(COMMAND ${TRIPLET}-g++ -dumpversion OUTPUT_VARIABLE gccver OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${TRIPLET}-g++ -print-file-name=include OUTPUT_VARIABLE gccinc
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  # Searched before the toolchain's own, in the order the toolchain's are;
  # a builder's own CXXFLAGS and LDFLAGS still apply.
  set(inc ${LIBROOT}/usr/include)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${inc}/c++/${gccver} ${inc}/${TRIPLET}/c++/${gccver}
      ${inc}/c++/${gccver}/backward ${gccinc} ${inc}/${TRIPLET} ${inc})
  # -B for the start files, -L for the libraries.
  set(lib ${LIBROOT}/usr/lib/${TRIPLET})
  set(gcclib ${LIBROOT}/usr/lib/gcc/${TRIPLET}/${gccver})
  string(JOIN " " CMAKE_CXX_STANDARD_LIBRARIES -B${lib}/ -B${gcclib}/ -L${lib} -L${gcclib})
  # The folder holds static libraries alone: the compiler checks link none.
  set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
endif()
