#!/bin/bash
# Builds the libraries of the Windows renderer (FFTW, libsoxr, libsndfile with
# FLAC, Ogg, Vorbis and Opus, cairo with pixman and libpng) for 64-bit
# Windows from Debian 12's source packages, as static libraries, into a
# prefix named after their versions (scripts/windows-libraries.txt) under
# /var/cache/tonalix/windows-libraries.  A prefix that is already complete is
# reused: a second run builds nothing.
#   windows-libraries.sh            builds what is missing
#   windows-libraries.sh --prefix   prints the prefix and builds nothing
#
# The sources come from apt-get source with a private sources list, package
# lists and cache in a temporary folder: the machine's apt configuration and
# state stay as they were.  Zlib is Debian's libz-mingw-w64-dev.  Nothing
# built here is run: the build is a cross build from start to end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
table=$root/scripts/windows-libraries.txt
host=x86_64-w64-mingw32
cacheRoot=/var/cache/tonalix/windows-libraries

# The table's rows, "package version", and the prefix they name.
mapfile -t rows < <(grep -v '^[[:space:]]*\(#\|$\)' "$table")
name=""
for row in "${rows[@]}"; do
  read -r package version <<<"$row"
  name+="${name:+_}$package-$version"
done
prefix=$cacheRoot/$name

if [ "${1:-}" = --prefix ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$prefix/complete" ]; then
  echo "windows-libraries: reusing $prefix"
  exit 0
fi

sudo=""
if [ "$(id -u)" != 0 ]; then sudo=sudo; fi
work=$(mktemp -d /tmp/tonalix-windows-libraries.XXXXXX)
trap 'rm -rf "$work"' EXIT
jobs=$(nproc)
started=$(date +%s)
echo "windows-libraries: building ${#rows[@]} source packages into $prefix (the first time takes a few minutes)"

# A private apt: the deb-src lines of Debian 12, its updates and its security
# fixes, with lists and cache of its own.
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$work/apt/sources.list" <<EOF
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
EOF
aptOptions=(-o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache" -o APT::Sandbox::User="$(id -un)")
apt-get "${aptOptions[@]}" -qq update

# fetch PACKAGE VERSION: unpacks the source package into $work/src/PACKAGE,
# with Debian's patches applied.  A mirror that lacks the Debian part of a
# package gets its upstream tarball, as the signed index names it.
fetch() {
  local package=$1 version=$2 dir=$work/src/$1
  mkdir -p "$work/dl/$package"
  if (cd "$work/dl/$package" && apt-get "${aptOptions[@]}" -qq source --download-only "$package=$version" >/dev/null); then
    # apt has checked the files against the signed index; dpkg-source only
    # finds no key for the uploader's own signature.
    dpkg-source -q -x "$work/dl/$package"/*.dsc "$dir" 2>&1 >/dev/null | { grep -v '^gpgv:' || true; } >&2
  else
    echo "windows-libraries: the mirror lacks Debian's changes to $package $version; building its upstream tarball"
    (cd "$work/dl/$package" && apt-get "${aptOptions[@]}" -qq source --tar-only "$package=$version" >/dev/null)
    mkdir -p "$dir"
    tar -xf "$work/dl/$package"/*.orig.tar.* -C "$dir" --strip-components=1
  fi
  # Debian's patches to the autotools inputs would make make run autoconf
  # and automake; the generated files the tarball ships are used as they are.
  find "$dir" \( -name configure -o -name Makefile.in -o -name aclocal.m4 -o -name config.h.in \) -exec touch {} +
}

# The libraries install straight into the prefix; it counts as complete
# only once its file "complete" is written, after the last of them.
$sudo rm -rf "$prefix"
$sudo mkdir -p "$prefix"
$sudo chown "$(id -u):$(id -g)" "$prefix"
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig:/usr/$host/lib/pkgconfig
export PKG_CONFIG_PATH=""
cflags="-O2 -g0"
# cmakeBuild DIR OPTIONS...: configures, builds and installs a CMake project.
cmakeBuild() {
  local dir=$1
  shift
  cmake -S "$dir" -B "$dir/build-mingw" -G Ninja -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=x86_64 \
    -DCMAKE_C_COMPILER=$host-gcc-posix -DCMAKE_CXX_COMPILER=$host-g++-posix -DCMAKE_RC_COMPILER=$host-windres \
    -DCMAKE_FIND_ROOT_PATH="$prefix;/usr/$host" -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
    -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY -DCMAKE_PREFIX_PATH=/ \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$cflags" -DCMAKE_CXX_FLAGS_RELEASE="$cflags" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    "$@" >"$dir/configure.log" 2>&1 || { tail -30 "$dir/configure.log"; return 1; }
  cmake --build "$dir/build-mingw" -j"$jobs" >"$dir/build.log" 2>&1 || { tail -30 "$dir/build.log"; return 1; }
  cmake --install "$dir/build-mingw" >/dev/null
}
# autotoolsBuild DIR SUBDIR OPTIONS...: configures with the tarball's
# configure, builds and installs the folder SUBDIR.
autotoolsBuild() {
  local dir=$1 sub=$2
  shift 2
  (cd "$dir" && CFLAGS="$cflags" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
    ./configure --build="$(dpkg-architecture -qDEB_BUILD_GNU_TYPE)" --host=$host --prefix="$prefix" \
    --disable-shared --enable-static "$@" >configure.log 2>&1) || { tail -30 "$dir/configure.log"; return 1; }
  make -C "$dir/$sub" -j"$jobs" >"$dir/build.log" 2>&1 || { tail -30 "$dir/build.log"; return 1; }
  make -C "$dir/$sub" install >"$dir/install.log" 2>&1 || { tail -30 "$dir/install.log"; return 1; }
  if [ "$sub" != . ] && grep -q '^install-pkgconfigDATA:' "$dir/Makefile"; then
    make -C "$dir" install-pkgconfigDATA >/dev/null 2>&1
  fi
}

for row in "${rows[@]}"; do
  read -r package version <<<"$row"
  [ "$package" = recipe ] && continue
  fetch "$package" "$version"
  dir=$work/src/$package
  t=$(date +%s)
  case $package in
    libogg) cmakeBuild "$dir" -DINSTALL_DOCS=OFF ;;
    flac) cmakeBuild "$dir" -DBUILD_CXXLIBS=OFF -DBUILD_PROGRAMS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOCS=OFF \
      -DINSTALL_MANPAGES=OFF -DWITH_FORTIFY_SOURCE=OFF -DWITH_STACK_PROTECTOR=OFF -DWITH_OGG=ON ;;
    libvorbis) cmakeBuild "$dir" ;;
    # Opus's CMake files are incomplete in its release tarball.
    opus) autotoolsBuild "$dir" . --disable-doc --disable-extra-programs --disable-stack-protector ;;
    libsndfile) cmakeBuild "$dir" -DENABLE_EXTERNAL_LIBS=ON -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF \
      -DBUILD_EXAMPLES=OFF -DENABLE_CPACK=OFF -DBUILD_REGTEST=OFF -DCMAKE_C_FLAGS="-DFLAC__NO_DLL" ;;
    # libsoxr writes its .pc file on other systems only.
    libsoxr)
      cmakeBuild "$dir" -DWITH_OPENMP=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DWITH_LSR_BINDINGS=OFF
      printf '%s\n' "prefix=$prefix" "Name: soxr" "Description: High quality, one-dimensional sample-rate conversion" \
        "Version: ${version%%-*}" 'Libs: -L${prefix}/lib -lsoxr' 'Cflags: -I${prefix}/include' >"$prefix/lib/pkgconfig/soxr.pc"
      ;;
    # FFTW finds no aligned allocator in MinGW's C library and brings its own.
    fftw3) cmakeBuild "$dir" -DBUILD_TESTS=OFF -DENABLE_THREADS=OFF -DCMAKE_C_FLAGS="-DWITH_OUR_MALLOC=1" ;;
    libpng1.6) autotoolsBuild "$dir" . --enable-hardware-optimizations ;;
    pixman) autotoolsBuild "$dir" pixman --disable-gtk --disable-libpng --disable-openmp ;;
    # Cairo draws text through Windows' own fonts (GDI): no FreeType, no
    # fontconfig.
    cairo)
      autotoolsBuild "$dir" src --enable-win32=yes --enable-win32-font=yes --enable-png=yes \
        --enable-ft=no --enable-fc=no --enable-xlib=no --enable-xcb=no --enable-xlib-xrender=no \
        --enable-quartz=no --enable-gobject=no --enable-trace=no --enable-interpreter=no \
        --enable-script=no --enable-svg=yes --enable-pdf=yes --enable-ps=yes --disable-gtk-doc
      ;;
    *) echo "windows-libraries: no recipe for $package" >&2; exit 1 ;;
  esac
  echo "windows-libraries: $package $version built in $(($(date +%s) - t)) s"
done

printf '%s\n' "${rows[@]}" >"$prefix/complete"
echo "windows-libraries: built in $(($(date +%s) - started)) s into $prefix"
