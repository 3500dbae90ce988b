# Shared helpers of the scripts: usage and options, one line per step with its output in build/logs/,
# the table of legs, Debian packages, CMake presets, the Wine server. Sourced, not run.
set -euo pipefail
QVO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QVO_JOBS=${QVO_JOBS:-2}
QVO_BUILD=$QVO_ROOT/build
QVO_LOGS=$QVO_BUILD/logs
# One 32-bit Wine prefix for every Windows build tree (tests, tour, consumer), and one 64-bit prefix for
# the machines that run the Windows suite as a 64-bit build (see windows_bits).
export QVO_WINEPREFIX=${QVO_WINEPREFIX:-$QVO_BUILD/wineprefix}
export QVO_WINEPREFIX64=${QVO_WINEPREFIX64:-$QVO_BUILD/wineprefix64}
cd "$QVO_ROOT"   # cmake --preset reads CMakePresets.json from the working folder

say() { printf '[qvo] %s\n' "$*"; }

# The script's usage: its leading comment block.
usage() { awk 'NR == 1 { next } /^#/ { sub(/^# ?/, ""); print; next } { exit }' "$0"; }

# Handles --help (usage, nothing else) and refuses an unknown option; call with the script's arguments
# after it has taken its own.
common_option() {
  case "$1" in
    -h|--help) usage; exit 0 ;;
    *) printf '[qvo] unknown option: %s\n\n' "$1" >&2; usage >&2; exit 2 ;;
  esac
}

# logged NAME COMMAND...: runs COMMAND with its output in build/logs/NAME.log. On failure prints the
# log's last lines and returns COMMAND's exit code.
logged() {
  local name=$1 rc=0
  shift
  mkdir -p "$QVO_LOGS"
  local file=$QVO_LOGS/$name.log
  "$@" >"$file" 2>&1 </dev/null || rc=$?
  if [ "$rc" -ne 0 ]; then
    printf '[qvo] FAILED (exit %d); the last lines of build/logs/%s.log:\n' "$rc" "$name" >&2
    tail -n "${QVO_TAIL:-40}" "$file" | sed 's/^/    /' >&2
  fi
  return "$rc"
}

# step NAME TEXT COMMAND...: says TEXT, then runs COMMAND as logged does.
step() {
  local name=$1 text=$2
  shift 2
  say "$text"
  logged "$name" "$@"
}

# --- legs and the final table ----------------------------------------------------------------------------
QVO_ROWS=()
QVO_ANY_FAILED=0

# count PASSED FAILED: adds to the current leg's tests passed and failed.
count() { echo "$1 $2" >>"$QVO_COUNTS"; }
# leg_title TITLE: the current leg's row is named TITLE (what it found it could run) instead of its own.
leg_title() { echo "$1" >"$QVO_COUNTS.title"; }

# leg TITLE FUNCTION: runs FUNCTION in a subshell (a failure ends the leg, not the script) and keeps a row
# of the table: title, tests passed and failed, time.
leg() {
  local title=$1 fn=$2 start=$SECONDS rc=0 passed=0 failed=0 p f
  mkdir -p "$QVO_LOGS"
  export QVO_COUNTS=$QVO_LOGS/.counts-$fn
  : >"$QVO_COUNTS"
  set +e
  (set -e; "$fn")
  rc=$?
  set -e
  while read -r p f; do passed=$((passed + p)); failed=$((failed + f)); done <"$QVO_COUNTS"
  rm -f "$QVO_COUNTS"
  if [ -e "$QVO_COUNTS.title" ]; then title=$(cat "$QVO_COUNTS.title"); rm -f "$QVO_COUNTS.title"; fi
  local result=passed
  if [ "$rc" -ne 0 ]; then
    result=FAILED
    QVO_ANY_FAILED=1
    [ "$failed" -gt 0 ] || failed=1   # a leg that failed before or between its tests counts one failure
  fi
  QVO_ROWS+=("$title|$passed|$failed|$((SECONDS - start))|$result")
}

# Prints the table of the legs run so far; returns non-zero when one of them failed.
table() {
  local title passed failed secs result
  printf '\n%-52s %8s %8s %9s  %s\n' leg passed failed time result
  for row in "${QVO_ROWS[@]}"; do
    IFS='|' read -r title passed failed secs result <<<"$row"
    printf '%-52s %8s %8s %4dm %02ds  %s\n' "$title" "$passed" "$failed" $((secs / 60)) $((secs % 60)) "$result"
  done
  echo
  if [ "$QVO_ANY_FAILED" -ne 0 ]; then
    say "some legs FAILED: their logs are in build/logs/"
    return 1
  fi
  say "every leg passed (logs in build/logs/)"
}

# --- Debian packages -------------------------------------------------------------------------------------

# need_packages PKG...: installs the Debian packages that are missing, after saying which and how much
# they need. Recommended packages are left out; nothing else is upgraded beyond what they depend on.
need_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  local apt=(env DEBIAN_FRONTEND=noninteractive $sudo apt-get -q -o Dpkg::Use-Pty=0)
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture (for ${missing[*]})"
    $sudo dpkg --add-architecture i386
    rm -f "$QVO_LOGS/.apt-updated"
  fi
  # The package lists are read the first time a script of this clone installs something, and again when
  # they do not know a package or an install fails (lists older than the archive).
  local plan
  if [ ! -e "$QVO_LOGS/.apt-updated" ] || ! plan=$(LC_ALL=C apt-get -s --no-install-recommends install "${missing[@]}" 2>&1); then
    step apt-update "reading the Debian package lists (apt-get update) before installing ${missing[*]}" \
      "${apt[@]}" update
    mkdir -p "$QVO_LOGS" && : >"$QVO_LOGS/.apt-updated"
  fi
  plan=$(LC_ALL=C "${apt[@]}" --no-install-recommends --assume-no install "${missing[@]}" 2>&1 || true)
  local counts upgraded added download disk
  counts=$(grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' <<<"$plan" || true)
  [ -n "$counts" ] || { printf '%s\n' "$plan" | tail -n 20 >&2; say "apt-get cannot install ${missing[*]}" >&2; return 1; }
  upgraded=${counts%% upgraded*}
  added=$(sed -E 's/.* ([0-9]+) newly installed.*/\1/' <<<"$counts")
  download=$(sed -nE 's|^Need to get ([^ ]+ [kMG]?B)/([^ ]+ [kMG]?B) .*|\1 (of \2; the rest is already downloaded)|p; s|^Need to get ([^ ]+ [kMG]?B) .*|\1|p' <<<"$plan")
  disk=$(sed -nE 's/^After this operation, ([^ ]+ [kMG]?B) .*/\1/p' <<<"$plan")
  say "installing ${missing[*]} with apt-get: $added new packages, $upgraded upgraded; download ${download:-0 B}, ${disk:-0 B} on disk"
  if grep -q '^The following packages will be upgraded' <<<"$plan"; then
    say "  upgraded because the new packages need their newer versions: $(sed -n '/^The following packages will be upgraded/,/^[^ ]/{/^ /p}' <<<"$plan" | xargs)"
  fi
  if ! step apt-install "  installing (output in build/logs/apt-install.log)" \
      "${apt[@]}" install -y --no-install-recommends "${missing[@]}"; then
    step apt-update "  reading the package lists again (apt-get update) and retrying" "${apt[@]}" update
    step apt-install "  installing (output in build/logs/apt-install.log)" \
      "${apt[@]}" install -y --no-install-recommends "${missing[@]}"
  fi
}

need_linux() { need_packages cmake g++ make libgtest-dev; }
need_bench() {
  need_packages cmake g++ make libbenchmark-dev libspdlog-dev libpoco-dev libgoogle-glog-dev liblog4cplus-dev libboost-log-dev
}
# The Windows benchmarks: Google Benchmark is built from Debian's source package of the version installed
# for Linux (so both tables come from one version), spdlog and fmt are used header-only.
need_bench_windows() { need_packages cmake make dpkg-dev xz-utils libbenchmark-dev libspdlog-dev libfmt-dev; }
need_windows() {
  need_packages cmake make g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 googletest
  QVO_WINE_BITS=$(windows_bits)  # asked once here: the answer starts a program
}

# Wine starts a 32-bit Windows program through a 32-bit Linux loader, which a kernel built without its
# 32-bit layer refuses ("Exec format error"). windows_bits prints 32 where that loader runs, else 64: the
# Windows suite, the tour and the ZIP consumer then run as a 64-bit MinGW build (preset mingw64) under
# 64-bit Wine, the same Windows code, while the 32-bit DLL and its programs are still built.
windows_bits() {
  if [ -z "${QVO_WINE_BITS:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then QVO_WINE_BITS=32; else QVO_WINE_BITS=64; fi
  fi
  echo "$QVO_WINE_BITS"
}
# The preset whose programs run under Wine here, and the wine-run option for it.
windows_run_preset() { if [ "$(windows_bits)" = 32 ]; then echo mingw; else echo mingw64; fi; }
windows_toolchain() { if [ "$1" = mingw ] || [ "$1" = bench-mingw ]; then echo toolchain-mingw32.cmake; else echo toolchain-mingw64.cmake; fi; }
wine_run_option() { if [ "$(windows_bits)" = 32 ]; then echo ""; else echo --win64; fi; }
# wine_tools BITS: the prefix, loader and server of the 32- or 64-bit Wine, in wine_prefix, wine_loader
# and wine_server.
wine_tools() {
  if [ "$1" = 32 ]; then
    wine_prefix=$QVO_WINEPREFIX wine_loader=wine wine_server=wineserver
  else
    wine_prefix=$QVO_WINEPREFIX64 wine_loader=/usr/lib/wine/wine64 wine_server=/usr/lib/wine/wineserver64
  fi
}


# --- CMake presets ---------------------------------------------------------------------------------------

# configure_and_build PRESET TEXT [TARGET...]: configures the preset's tree build/PRESET and builds the
# targets (every target when none), saying TEXT before the build.
configure_and_build() {
  local preset=$1 text=$2
  shift 2
  local targets=()
  [ $# -eq 0 ] || targets=(--target "$@")
  step "$preset-configure" "configuring build/$preset (cmake --preset $preset)" cmake --preset "$preset"
  step "$preset-build" "$text" cmake --build --preset "$preset" -j "$QVO_JOBS" "${targets[@]}"
}

# run_ctest PRESET TEXT: runs the preset's tests and counts GoogleTest cases passed and failed (from the
# XML report each test program writes into its working folder); a program that ended without a report
# counts as one failure.
run_ctest() {
  local preset=$1 text=$2 rc=0
  rm -f "$QVO_BUILD/$preset"/tests/work/*/gtest-report.xml
  step "$preset-ctest" "$text" env GTEST_OUTPUT=xml:gtest-report.xml ctest --preset "$preset" -j "$QVO_JOBS" || rc=$?
  count_ctest "$preset"
  return "$rc"
}

# count_ctest PRESET: counts the cases of the tree's last ctest run (its log build/logs/PRESET-ctest.log).
count_ctest() {
  local preset=$1 tree=$QVO_BUILD/$1
  local passed=0 failed=0 line t f
  for xml in "$tree"/tests/work/*/gtest-report.xml; do
    [ -e "$xml" ] || continue
    line=$(grep -m1 '<testsuites' "$xml")
    t=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$line")
    f=$(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$line")
    passed=$((passed + t - f)); failed=$((failed + f))
  done
  local programs_failed
  programs_failed=$(sed -nE 's/.* tests passed, ([0-9]+) tests? failed out of.*/\1/p' "$QVO_LOGS/$preset-ctest.log" | tail -n1)
  [ "${programs_failed:-0}" -le "$failed" ] || failed=${programs_failed}
  count "$passed" "$failed"
  say "  $passed test cases passed, $failed failed"
}

# Number of test programs of a configured tree.
test_programs() { ctest --preset "$1" -N 2>/dev/null | sed -nE 's/^Total Tests: ([0-9]+)/\1/p'; }

# --- Google Benchmark for MinGW ---------------------------------------------------------------------------
# Debian ships Google Benchmark built for Linux only. windows_benchmark TRIPLE builds it with the MinGW
# compiler of TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) from Debian's source package, the version of
# the installed libbenchmark-dev, as a static Release library without its own tests, and installs it into
# build/gbench/TRIPLE/install (preset bench-mingw or bench-mingw64 points find_package there). A later run
# finds it there and builds nothing.
windows_benchmark() {
  local triple=$1 g=$QVO_BUILD/gbench version toolchain
  version=$(dpkg-query -W -f='${source:Version}' libbenchmark-dev)
  local tree=$g/$triple stamp=$g/$triple/install/.source-version
  if [ -e "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
    say "Google Benchmark $version for $triple: built before (build/gbench/$triple/install)"
    return 0
  fi
  benchmark_source "$version"
  case "$triple" in
    i686-*) toolchain=toolchain-mingw32.cmake ;;
    *) toolchain=toolchain-mingw64.cmake ;;
  esac
  rm -rf "$tree"
  # Windows needs shlwapi besides the thread library; the library's CMake target names both for the
  # programs that link it. Warnings of a foreign code base are not made errors. The version is given as
  # Debian's build gives it (its source reads no Git tags).
  local upstream=${version#*:}
  upstream=${upstream%-*}
  step "gbench-$triple-configure" "configuring Google Benchmark $version for $triple (static, Release, no tests)" \
    cmake -S "$QVO_BENCHMARK_SOURCE" -B "$tree/build" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$QVO_ROOT/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$tree/install" -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF \
    -DBENCHMARK_ENABLE_LTO=OFF -DBENCHMARK_INSTALL_DOCS=OFF -DGIT_VERSION="$upstream"
  step "gbench-$triple-build" "building Google Benchmark for $triple (about 1 min, once)" \
    cmake --build "$tree/build" -j "$QVO_JOBS"
  step "gbench-$triple-install" "installing it into build/gbench/$triple/install" cmake --install "$tree/build"
  echo "$version" >"$stamp"
}

# benchmark_source VERSION: unpacks Debian's source package benchmark VERSION into build/gbench/source/
# (once) and names its folder in QVO_BENCHMARK_SOURCE. apt-get reads a private list of sources with one
# deb-src entry (the archive and suite the installed libbenchmark-dev came from) into a private folder
# of package lists: the system's sources, lists and caches are neither read nor changed.
benchmark_source() {
  local version=$1 g=$QVO_BUILD/gbench upstream
  upstream=${version#*:}
  upstream=${upstream%-*}
  QVO_BENCHMARK_SOURCE=$g/source/benchmark-$upstream
  [ -e "$QVO_BENCHMARK_SOURCE/CMakeLists.txt" ] && return 0
  local origin
  origin=$(LC_ALL=C apt-cache policy libbenchmark-dev |
    awk '/^ \*\*\* / { mine = 1; next } mine && $2 ~ /:\/\// { print $2, $3; exit }')
  [ -n "$origin" ] || origin=$(LC_ALL=C apt-cache policy libbenchmark-dev | awk '$2 ~ /:\/\// { print $2, $3; exit }')
  if [ -z "$origin" ]; then
    say "FAILED: no Debian archive offers libbenchmark-dev here (apt-cache policy libbenchmark-dev)" >&2
    return 1
  fi
  local uri=${origin%% *} dist=${origin#* }
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg signed=""
  [ ! -e "$keyring" ] || signed="[signed-by=$keyring] "
  rm -rf "$g/apt" "$g/source"
  mkdir -p "$g/apt/lists/partial" "$g/source"
  echo "deb-src $signed$uri ${dist%%/*} ${dist#*/}" >"$g/apt/sources.list"
  local apt=(apt-get -q -o "Dir::Etc::SourceList=$g/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$g/apt/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
  step gbench-apt-update "reading Debian's source package list ($uri ${dist%%/*}, a private list in build/gbench/apt)" \
    "${apt[@]}" update
  (cd "$g/source" && step gbench-source "downloading and unpacking Debian's source package benchmark $version" \
    "${apt[@]}" source "benchmark=$version")
  [ -e "$QVO_BENCHMARK_SOURCE/CMakeLists.txt" ] || { say "FAILED: no $QVO_BENCHMARK_SOURCE after apt-get source" >&2; return 1; }
}

# --- Wine ------------------------------------------------------------------------------------------------

# Starts the Wine server and boots the shared prefix, with every standard stream on /dev/null so that no
# Wine service holds ctest's output pipes. The first boot creates the prefix (about 10 s).
wine_start() {
  local bits wine_prefix wine_loader wine_server
  bits=$(windows_bits)
  wine_tools "$bits"
  export WINEARCH=win$bits WINEPREFIX=$wine_prefix WINEDEBUG=-all
  [ "$bits" = 32 ] || export WINELOADER=$wine_loader
  mkdir -p "$WINEPREFIX" "$QVO_LOGS"
  [ -e "$WINEPREFIX/system.reg" ] || say "creating the $bits-bit Wine prefix ${wine_prefix#"$QVO_ROOT"/} (about 10 s, once)"
  "$wine_server" -p </dev/null >/dev/null 2>&1 &
  sleep 0.5
  if ! "$wine_loader" wineboot -i </dev/null >"$QVO_LOGS/wineboot.log" 2>&1; then
    printf '[qvo] FAILED: Wine does not start here (build/logs/wineboot.log):\n' >&2
    tail -n 5 "$QVO_LOGS/wineboot.log" | sed 's/^/    /' >&2
    wine_stop
    return 1
  fi
}
# Stops the server and, once it has ended, removes the socket folder it made in the temporary folder
# (wine-XXXXXX/server-<device>-<inode of the prefix>), so that nothing of the run is left outside build/.
wine_stop() {
  local bits wine_prefix wine_loader wine_server id d
  for bits in 32 64; do
    wine_tools "$bits"
    [ -d "$wine_prefix" ] || continue
    WINEPREFIX=$wine_prefix "$wine_server" -k >/dev/null 2>&1 || true
    WINEPREFIX=$wine_prefix "$wine_server" -w >/dev/null 2>&1 || true
    id=server-$(stat -c %D "$wine_prefix")-$(printf '%x' "$(stat -c %i "$wine_prefix")")
    for d in "${TMPDIR:-/tmp}"/wine-*/"$id" "${TMPDIR:-/tmp}/.wine-$(id -u)/$id"; do
      [ -d "$d" ] || continue
      rm -rf "$d"
      rmdir "$(dirname "$d")" 2>/dev/null || true
    done
  done
}

source "$QVO_ROOT/scripts/guest.sh"
