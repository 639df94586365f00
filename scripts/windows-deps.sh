# Sourced by scripts/test-windows and scripts/build-windows: the Debian
# packages a Windows cross build needs, the cache folder, the Debian source
# packages of the libraries Debian ships no mingw build of, and those
# libraries built once into the cache's prefix.
#
# The cache is ZELKAM_WINDOWS_CACHE, default ~/.cache/zelkam/windows.
# Nothing is downloaded but Debian packages.

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

install_packages() { # package...
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if ((${#missing[@]})); then
        $sudo apt-get update -qq -o DPkg::Lock::Timeout=600
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
            -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
    fi
}

windows_packages=(build-essential cmake ninja-build pkg-config nlohmann-json3-dev googletest dpkg-dev
                  g++-mingw-w64-x86-64 libz-mingw-w64-dev wine wine64)

jobs=${ZELKAM_WINDOWS_JOBS:-$(nproc)}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
cache=${ZELKAM_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zelkam/windows}
prefix=$cache/prefix
mkdir -p "$cache/src" "$prefix"
export ZELKAM_WINDOWS_PREFIX=$prefix

# apt-get source needs deb-src entries: added beside the system's own, for
# the same suites.
add_deb_src() {
    apt-get source --print-uris "$1" >/dev/null 2>&1 && return
    local list=/etc/apt/sources.list.d/zelkam-deb-src.sources
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    else
        grep -h '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | $sudo tee "${list%.sources}.list" >/dev/null
    fi
    $sudo apt-get update -qq -o DPkg::Lock::Timeout=600 >&2
}

# The version apt-get source would fetch now, e.g. 6.4.2+dfsg-10.
source_version() { # package
    add_deb_src "$1"
    apt-get source --print-uris "$1" 2>/dev/null | awk '$2 ~ /\.dsc$/ { sub(/^[^_]*_/, "", $2); sub(/\.dsc$/, "", $2); print $2; exit }'
}

# The Debian source package of a library, fetched once and unpacked with
# Debian's patches applied.
fetch_source() { # package -> prints the unpacked source folder
    local package=$1
    local folder
    folder=$(find "$cache/src/$package" -mindepth 1 -maxdepth 1 -type d 2>/dev/null | head -n 1)
    if [ -z "$folder" ]; then
        add_deb_src "$package"
        rm -rf "$cache/src/$package"
        mkdir -p "$cache/src/$package"
        # The newest version may be a security update whose source is not
        # served; the release's own version then does.
        local codename
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME-}")
        (cd "$cache/src/$package" &&
            { apt-get source -qq "$package" >&2 2>/dev/null || apt-get source -qq "$package/$codename" >&2; })
        folder=$(find "$cache/src/$package" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    fi
    if [ -z "$folder" ]; then
        echo "no source of $package" >&2
        exit 1
    fi
    echo "$folder"
}

built() { [ -f "$cache/$1.done" ]; }
mark_built() { touch "$cache/$1.done"; }

cmake_library() { # name source [cmake options...]
    local name=$1 source=$2
    shift 2
    cmake -S "$source" -B "$cache/build-$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
    cmake --build "$cache/build-$name" -j"$jobs" >/dev/null
    cmake --install "$cache/build-$name" >/dev/null
}

# utf8proc, zstd, liblzma, GoogleTest and nlohmann/json for the core.
build_core_libraries() {
    echo "== Windows libraries ($cache)"
    if ! built googletest; then
        cmake_library googletest /usr/src/googletest -Dgtest_disable_pthreads=OFF
        mark_built googletest
    fi
    if ! built utf8proc; then
        cmake_library utf8proc "$(fetch_source utf8proc)" -DUTF8PROC_INSTALL=ON -DUTF8PROC_ENABLE_TESTING=OFF
        mark_built utf8proc
    fi
    if ! built zstd; then
        cmake_library zstd "$(fetch_source libzstd)/build/cmake" -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF \
            -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_STATIC=ON -DZSTD_MULTITHREAD_SUPPORT=OFF
        mark_built zstd
    fi
    if ! built liblzma; then
        local source
        source=$(fetch_source xz-utils)
        rm -rf "$cache/build-liblzma"
        mkdir -p "$cache/build-liblzma"
        (cd "$cache/build-liblzma" &&
            "$source/configure" --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-shared --enable-static \
                --disable-xz --disable-xzdec --disable-lzmadec --disable-lzmainfo --disable-lzma-links \
                --disable-scripts --disable-doc --disable-nls CC=x86_64-w64-mingw32-gcc-posix >/dev/null &&
            make -j"$jobs" -C src/liblzma >/dev/null && make -C src/liblzma install >/dev/null)
        mark_built liblzma
    fi
    # nlohmann/json is headers only: the host's headers and package files,
    # placed where the Windows build looks.
    mkdir -p "$prefix/include" "$prefix/share/cmake"
    cp -r /usr/include/nlohmann "$prefix/include/"
    cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
}

# Qt for the viewer: qtbase from Debian's qt6-base source package, the same
# Qt version as the host's, so the host's moc, rcc and uic serve the cross
# build. Only what a Widgets program with local sockets and its tests need;
# the small third-party libraries Qt bundles are built in. Shared
# libraries, the way Qt programs ship on Windows (and what Qt's licence
# expects); the mingw C++ runtime DLLs go beside them.
#
# Tablet support is off because Debian's repacked source lacks the wintab
# headers; SQL is off (its sqlite source is gone too).
qt_configure_options=(
    -release -shared -xplatform win32-g++ -qt-host-path /usr
    -nomake tests -nomake examples
    -no-opengl -no-dbus -no-icu -no-openssl -no-ssl -no-zstd -no-feature-brotli -no-libjpeg
    -no-feature-sql -no-feature-xml -no-feature-printsupport -no-feature-vulkan
    -no-feature-concurrent -no-feature-tabletevent
    -qt-zlib -qt-libpng -qt-pcre -qt-harfbuzz -qt-doubleconversion
)

# Where this Qt is installed: keyed by the Debian source version, the
# compiler, the toolchain file and the options above, so a change of any of
# them builds anew and an unchanged run reuses the install.
# Where the DLLs a Qt program built here imports are kept: Qt's install
# (give its prefix), the compiler's C++ runtime and mingw-w64's own.
windows_runtime_dirs() { # qt-prefix
    echo "$1/bin"
    dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)"
    echo /usr/x86_64-w64-mingw32/lib
}

qt_prefix() {
    local version key
    version=$(source_version qt6-base)
    key=$({ echo "$version"
            x86_64-w64-mingw32-g++-posix --version | head -n 1
            dpkg-query -W -f='${Version}\n' g++-mingw-w64-x86-64
            grep -v "^[[:space:]]*#" "$toolchain" | sha256sum
            echo "${qt_configure_options[*]}"
          } | sha256sum | cut -c1-12)
    echo "$cache/qt-$version-$key"
}

# Builds qtbase once into qt_prefix; only the install is kept (the build
# folder is about 2 GB). The build runs at the lowest priority: it is long.
build_qt() {
    local install
    install=$(qt_prefix)
    if [ -f "$install/.complete" ]; then
        echo "== Qt for Windows: $install (cached)"
        return
    fi
    local source build started=$SECONDS version
    # The source of the version the key names, not an older one fetched before.
    version=$(source_version qt6-base)
    [ -f "$cache/src/qt6-base/qt6-base_$version.dsc" ] || rm -rf "$cache/src/qt6-base"
    source=$(fetch_source qt6-base)
    build=$cache/build-qt
    # The compiler's temporary files stay in the cache too: a shared /tmp
    # that is cleaned during the hour would break the build.
    local TMPDIR=$cache/tmp
    export TMPDIR
    mkdir -p "$TMPDIR"
    echo "== Qt for Windows: building into $install (log in $cache/build-qt.log)"
    # A build that was cut short for the same install goes on where it
    # stopped.
    if [ "$(cat "$build/.install" 2>/dev/null)" = "$install" ]; then
        echo "   going on with the build in $build"
    else
        rm -rf "$build" "$install"
        mkdir -p "$build"
        if ! (cd "$build" &&
                env -u ZELKAM_WINDOWS_PREFIX nice -n 19 "$source/configure" -prefix "$install" "${qt_configure_options[@]}" \
                    -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZELKAM_WINDOWS_SHARED_RUNTIME=ON \
                    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) >"$cache/build-qt.log" 2>&1; then
            tail -n 40 "$cache/build-qt.log" >&2
            echo "Qt configure failed" >&2
            exit 1
        fi
        echo "$install" >"$build/.install"
        echo "   configured in $((SECONDS - started))s"
    fi
    if ! env -u ZELKAM_WINDOWS_PREFIX nice -n 19 cmake --build "$build" -j"$jobs" >>"$cache/build-qt.log" 2>&1; then
        grep -aE -B2 -A10 'FAILED|error:' "$cache/build-qt.log" | tail -n 40 >&2
        echo "Qt build failed" >&2
        exit 1
    fi
    cmake --install "$build" >>"$cache/build-qt.log" 2>&1
    rm -rf "$build" "$TMPDIR"
    echo "$((SECONDS - started))" >"$install/.complete"
    echo "   built and installed in $((SECONDS - started))s ($(du -sh "$install" | cut -f1))"
}
