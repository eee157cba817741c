# Shared by script/test and script/run: packages, build, private Wine prefix.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Another build directory (and with it another Wine prefix) can be chosen.
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 xvfb xauth cmake make
          googletest imagemagick xdotool x11-utils fonts-wine)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        apt-get update
        DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
    fi
}

build_all() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw64.cmake" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# make_prefix DIR: a Wine prefix of our own with a virtual desktop (so that
# windows have captions and can find one another) and an empty c:\ARC.
make_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
        wineserver -w
    fi
    # Wine ships Tahoma (the forms' font) and Marlett (caption buttons) but does
    # not find them here unless they lie in the prefix's Fonts folder.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
        [ -f "$fonts/$f" ] || { [ -f "/usr/share/wine/fonts/$f" ] && cp "/usr/share/wine/fonts/$f" "$fonts/"; } || true
    done
    mkdir -p "$WINEPREFIX/drive_c/ARC"
}
