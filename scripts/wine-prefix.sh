# Wine prefixes for the Windows builds: sourced by wine-run, wine-template,
# demo, bench and test. A template prefix is made once per architecture
# (wineboot takes seconds) and never run in again; every run gets a throwaway
# prefix copied from it in a fraction of a second, so no run sees what another
# one did.
#
# Call wine_select win32|win64 first: the 32-bit build runs under 32-bit Wine
# (a 32-bit Linux program), the 64-bit build under 64-bit Wine. $WINE is then
# the loader to run programs with, always called by path: /usr/bin/wine picks
# the 32-bit loader whenever it is installed, even where it cannot start.

WINE_BUILD_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build
# What the template holds, written in its .template-complete: a template made
# to an older recipe is made again. Raise it whenever wine_template_ensure
# changes what goes into the template.
WINE_TEMPLATE_RECIPE=4

# wine_select win32|win64: the loader, the prefix architecture and the
# template ($WINE_TEMPLATE_<arch>, or build/wine-template-<arch>). Throwaway
# prefixes live beside the template, in wine-runs-<arch>/, so that they can be
# hard links to it (same file system).
wine_select() {
  case $1 in
    win32) WINE=/usr/lib/wine/wine ;;
    win64) WINE=/usr/lib/wine/wine64 ;;
    *)
      echo "wine-prefix: no Wine for architecture '$1' (win32 or win64)" >&2
      return 1
      ;;
  esac
  WINE_ARCH=$1
  local override=WINE_TEMPLATE_$1
  WINE_TEMPLATE=${!override:-$WINE_BUILD_DIR/wine-template-$1}
  WINE_RUNS=$(dirname "$WINE_TEMPLATE")/wine-runs-$1
}

# Whether this kernel starts 32-bit Linux programs, found by trying: a 93-byte
# i386 program that only exits with 0. Kernels with 32-bit emulation disabled
# refuse it ("Exec format error"), and then 32-bit Wine cannot run either.
kernel_runs_32bit_programs() {
  local probe status
  probe=$(mktemp) || return 1
  printf '%b' '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'\
'\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'\
'\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'\
'\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00'\
'\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  return "$status"
}

# Whether the Wine of architecture $1 can start here, found by trying: 32-bit
# Wine is a 32-bit Linux program, which a kernel without 32-bit emulation
# cannot run.
wine_can_start() {
  (wine_select "$1" && [[ -x $WINE ]] && "$WINE" --version) >/dev/null 2>&1
}

# The Wine architecture a preset's programs run under, if any.
wine_arch_of() {
  case $1 in
    windows) echo win32 ;;
    windows-x64) echo win64 ;;
  esac
}

# The preset whose executables a demonstration runs, and the Wine that runs
# them ("windows win32" or "windows-x64 win64"): the shipped 32-bit build where
# 32-bit Wine starts, else the 64-bit build of the same sources. Fails when no
# Wine can start.
wine_pick_build() {
  local preset
  for preset in windows windows-x64; do
    if wine_can_start "$(wine_arch_of "$preset")"; then
      echo "$preset $(wine_arch_of "$preset")"
      return 0
    fi
  done
  return 1
}

# Names the Wine of architecture $1 for people: "64-bit Wine
# (wine-8.0 (Debian 8.0~repack-4), /usr/lib/wine/wine64)".
wine_label() {
  (
    wine_select "$1" || exit 1
    echo "${1#win}-bit Wine ($("$WINE" --version 2>/dev/null), $WINE)"
  )
}

# The environment of every Wine run: the selected architecture, no debug
# chatter, system texts in English, no display, and none of the helpers that
# wineboot would start or offer to download.
wine_environment() {
  export WINEARCH=$WINE_ARCH WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
  export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
  unset DISPLAY WAYLAND_DISPLAY
}

# Whether the template is complete, made to the current recipe and by the
# Wine installed now: Wine itself updates a prefix whose .update-timestamp
# differs from wine.inf's time, which would cost every run seconds.
wine_template_current() {
  [[ -f $WINE_TEMPLATE/.template-complete ]] || return 1
  [[ $(<"$WINE_TEMPLATE/.template-complete") == "recipe $WINE_TEMPLATE_RECIPE" ]] || return 1
  local inf
  for inf in /usr/share/wine/wine.inf /usr/lib/wine/wine.inf; do
    if [[ -f $inf ]]; then
      [[ $(tr -dc 0-9 <"$WINE_TEMPLATE/.update-timestamp") == "$(stat -c %Y "$inf")" ]]
      return
    fi
  done
  return 0
}

# Shows each tool the Windows it is built for (GetVersionEx: Kestrum 4.10,
# platform 1; Tollaver 5.0), in prefix $1; every other program keeps Wine's
# default.
wine_show_targets() {
  local key='HKCU\Software\Wine\AppDefaults'
  WINEPREFIX=$1 "$WINE" reg add "$key\kestrum.exe" /v Version /d win98 /f &&
    WINEPREFIX=$1 "$WINE" reg add "$key\tollaver.exe" /v Version /d win2k /f
}

# A program that crashes in prefix $1 ends at once with its exception code,
# instead of waiting seconds for winedbg to print a backtrace nobody reads.
wine_no_crash_debugger() {
  WINEPREFIX=$1 "$WINE" reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d '' /f
}

# Makes the template unless it is current. Concurrent callers wait on a lock;
# the template appears by an atomic rename, complete or not at all.
wine_template_ensure() {
  wine_template_current && return 0
  mkdir -p "$(dirname "$WINE_TEMPLATE")"
  (
    flock 9
    wine_template_current && exit 0
    local fresh=$WINE_TEMPLATE.new.$$ log=$WINE_TEMPLATE.log
    echo "wine-prefix: creating the Wine template $WINE_TEMPLATE" >&2
    rm -rf "$fresh"
    wine_environment
    if ! WINEPREFIX=$fresh "$WINE" wineboot -i >"$log" 2>&1 ||
      ! wine_show_targets "$fresh" >>"$log" 2>&1 ||
      ! wine_no_crash_debugger "$fresh" >>"$log" 2>&1 ||
      ! WINEPREFIX=$fresh wineserver -w >>"$log" 2>&1; then
      cat "$log" >&2
      rm -rf "$fresh"
      exit 1
    fi
    # Each copy must start its own wineserver directory (see wine_prefix_end).
    wine_server_dir_remove "$fresh"
    echo "recipe $WINE_TEMPLATE_RECIPE" >"$fresh/.template-complete"
    if [[ -e $WINE_TEMPLATE ]]; then
      mv "$WINE_TEMPLATE" "$WINE_TEMPLATE.old.$$"
      rm -rf "$WINE_TEMPLATE.old.$$"
    fi
    mv "$fresh" "$WINE_TEMPLATE"
  ) 9>"$WINE_TEMPLATE.lock"
}

# Debian's Wine keeps each prefix's server socket in a directory of its own
# under $TMPDIR, named in the prefix's file "wineserver"; it outlives the
# prefix unless removed.
wine_server_dir_remove() {
  local name
  [[ -f $1/wineserver ]] || return 0
  name=$(<"$1/wineserver")
  [[ $name == wine-?????? ]] && rm -rf "${TMPDIR:-/tmp}/$name"
  rm -f "$1/wineserver"
}

# Makes the throwaway prefix $1 from the template. Hard links make it fast;
# the files Wine rewrites in place (the registry, the INI files, and the INF
# folder, where SetupCopyOEMInf rewrites .pnf files) are real copies, so the
# template never changes.
wine_prefix_new() {
  local prefix=$1 file
  cp -al "$WINE_TEMPLATE/." "$prefix/"
  for file in "$WINE_TEMPLATE"/*.reg "$WINE_TEMPLATE"/drive_c/windows/{win,system}.ini; do
    file=${file#"$WINE_TEMPLATE"/}
    rm -f "$prefix/$file"
    cp -p "$WINE_TEMPLATE/$file" "$prefix/$file"
  done
  rm -rf "$prefix/drive_c/windows/inf"
  cp -a "$WINE_TEMPLATE/drive_c/windows/inf" "$prefix/drive_c/windows/inf"
  rm -f "$prefix/.template-complete"
}

# Ends at once every Wine process of prefix $1, its wineserver included. The
# run is over and the prefix is thrown away, so nothing needs the clean
# shutdown that `wineserver -k` waits for (half a second of each run).
wine_prefix_kill() {
  local pids
  mapfile -t pids < <(wine_prefix_pids "$1")
  ((${#pids[@]} == 0)) || kill -KILL "${pids[@]}" 2>/dev/null
}

# The process IDs of every Wine process of prefix $1, its wineserver
# included, one a line. Wine's processes are known by the WINEPREFIX they
# were started with.
wine_prefix_pids() {
  local environ pid
  while read -r environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ $(readlink "/proc/$pid/exe") == */wine* ]] && echo "$pid"
  done < <(env -u WINEPREFIX grep -lsxzF "WINEPREFIX=$1" /proc/[0-9]*/environ)
}

# Ends every process of prefix $1 and removes it.
wine_prefix_end() {
  wine_prefix_kill "$1"
  # Whatever is left, if anything.
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
  wine_server_dir_remove "$1"
  rm -rf "$1"
}

# Ends the prefixes of runs that died without cleaning up (a run killed on a
# timeout): each is named after the process that owns it.
wine_prefix_sweep() {
  local prefix pid
  for prefix in "$WINE_RUNS"/*; do
    pid=${prefix##*/}
    [[ $pid =~ ^[0-9]+$ ]] || continue
    kill -0 "$pid" 2>/dev/null || wine_prefix_end "$prefix" 2>/dev/null
  done
}

# Makes a throwaway prefix of the selected architecture from its template
# (made first if need be) and exports it as WINEPREFIX, with the environment
# of every Wine run. End it with wine_prefix_end "$WINEPREFIX".
wine_prefix_enter() {
  wine_template_ensure || return 1
  WINEPREFIX=$(wine_prefix_create) || return 1
  export WINEPREFIX
  wine_environment
}

# The processors this process may run on, one a line (from a list such as
# "0-3,6").
allowed_processors() {
  local list range
  list=$(sed -n 's/^Cpus_allowed_list:[[:space:]]*//p' /proc/self/status)
  for range in ${list//,/ }; do
    seq "${range%-*}" "${range#*-}"
  done
}

# Binds this shell, and so the Wine machine it goes on to start, its server
# included, to one processor that no other run holds, where one is free; the
# processor is held until every process that inherited the lock is gone. A
# program and its server answer each other hundreds of times a start: on one
# processor each answer is a switch, across two a wake-up of the other. On a
# two-core machine the Wine suite (ctest -j 2) took 1-2 s less bound than
# spread in each of five pairs of runs (12.8-17.0 s against 14.8-18.0 s,
# 2026-12-10). Where no processor is free, the run stays unbound.
wine_take_processor() {
  local processor lock
  mkdir -p "$WINE_RUNS"
  for processor in $(allowed_processors); do
    exec {lock}>"$WINE_RUNS/processor-$processor.lock"
    if flock -n "$lock"; then
      taskset -pc "$processor" $$ >/dev/null
      return
    fi
    exec {lock}>&-
  done
}

# wine_prefix_create [OWNER]: prints the path of a new throwaway prefix owned
# by process OWNER (default: the calling shell); wine_prefix_sweep removes it
# once that process is gone.
wine_prefix_create() {
  local prefix=$WINE_RUNS/${1:-$$}
  mkdir -p "$WINE_RUNS"
  # A leftover of a dead process that had our number.
  [[ -e $prefix ]] && wine_prefix_end "$prefix"
  mkdir "$prefix"
  wine_prefix_new "$prefix"
  echo "$prefix"
}
