# Shared by scripts/run, scripts/test, scripts/package and bench/run: installs the Debian
# packages the build, the tests, the Debian package and the benchmarks need, and builds the
# Release tree in build/ (scripts/run only what the two programs need).

KELVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KELVO_BUILD="$KELVO_ROOT/build"

# What building and running kelvo and kelvo-cli needs (scripts/run).
KELVO_RUN_PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-translations-l10n
    libsqlite3-dev
    libpq-dev
    libarchive-dev
    libicu-dev
    libgdal-dev
    libnetcdf-dev
    libhdf5-dev
    libqpdf-dev
    qt6-svg-dev
    fonts-liberation
    librsvg2-bin
)

# Everything: the programs, the tests, the benchmarks and the Debian package.
KELVO_PACKAGES=(
    "${KELVO_RUN_PACKAGES[@]}"
    sqlite3
    postgresql
    libgtest-dev
    poppler-utils
    desktop-file-utils appstream
    dpkg-dev file
    python3
    python3-openpyxl python3-odf
    gmt-dcw gmt-gshhg-low gmt-gshhg-high
    clang-format
)

# Only for scripts/fuzz: clang with libFuzzer and the sanitizers.
KELVO_FUZZ_PACKAGES=(clang libclang-rt-dev)

# kelvo_install_missing [PACKAGE...]: the packages given, by default KELVO_PACKAGES.
kelvo_install_missing() {
    local wanted=("$@") missing=() p
    [ ${#wanted[@]} -eq 0 ] && wanted=("${KELVO_PACKAGES[@]}")
    for p in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=sudo
        else
            echo "Fehlende Pakete: ${missing[*]}" >&2
            echo "Bitte als root ausführen oder sudo einrichten: apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "Installiere fehlende Pakete: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# More options for the configuration (scripts/test --sanitize sets them).
KELVO_CMAKE_ARGS=()

# kelvo_sanitizer_tree: kelvo_build builds the tree with the address and undefined-behaviour
# sanitizers in build-asan/ from now on: -O1 keeps it and its runs affordable; no benchmarks.
kelvo_sanitizer_tree() {
    KELVO_BUILD="$KELVO_ROOT/build-asan"
    KELVO_CMAKE_ARGS=(-DKELVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
        "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG" -DKELVO_BENCH=OFF)
}

# kelvo_build [TARGET...]: every target with the tests, or only the targets given. A tree
# made for targets alone has no tests (their packages may be missing); one that has them
# keeps them.
kelvo_build() {
    # ccache, when installed, keeps rebuilds of unchanged sources cheap.
    local launcher=() testing=ON
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    if [ $# -gt 0 ]; then
        testing=$(sed -n 's/^BUILD_TESTING:BOOL=//p' "$KELVO_BUILD/CMakeCache.txt" 2>/dev/null || true)
        testing=${testing:-OFF}
    fi
    cmake -S "$KELVO_ROOT" -B "$KELVO_BUILD" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING="$testing" \
        "${launcher[@]}" "${KELVO_CMAKE_ARGS[@]}" >/dev/null
    cmake --build "$KELVO_BUILD" -j"$(nproc)" ${1:+--target "$@"}
}
