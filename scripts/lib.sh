# Shared helpers of the scripts: package checks, builds, the Wine server. Sourced, not run.
set -euo pipefail
QVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QVO_JOBS=${QVO_JOBS:-2}
log() { printf '\n[qvo] %s\n' "$*"; }

# need_packages PKG...: installs the Debian packages that are missing, saying so.
need_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing missing packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$'; then
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
}

need_linux() { need_packages cmake g++ libgtest-dev; }
need_bench() { need_packages libbenchmark-dev libspdlog-dev; }
need_windows() { need_packages cmake g++-mingw-w64-i686-posix wine wine32:i386 googletest; }

# configure_and_build DIR [cmake args...]
configure_and_build() {
  local dir=$1; shift
  mkdir -p "$dir"
  cmake -S "${QVO_SRC:-$QVO_ROOT}" -B "$dir" -DCMAKE_BUILD_TYPE=${QVO_BUILD_TYPE:-RelWithDebInfo} "$@" >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; return 1; }
  cmake --build "$dir" -j "$QVO_JOBS"
}

# Wine: one server and one booted 32-bit prefix per build tree, all with standard streams on /dev/null,
# so no Wine service holds ctest's output pipes.
wine_start() {
  export QVO_WINEPREFIX=$1/wineprefix WINEPREFIX=$1/wineprefix WINEARCH=win32 WINEDEBUG=-all
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 &
  sleep 0.5
  wineboot -i </dev/null >/dev/null 2>&1 || true
}
wine_stop() { WINEPREFIX=${QVO_WINEPREFIX:-} wineserver -k >/dev/null 2>&1 || true; }
