# Wine prefixes for the Windows build: sourced by wine-run, wine-template,
# demo, bench, agreement and test. A template prefix is made once (wineboot takes seconds) and never run
# in again; every run gets a throwaway prefix copied from it in a fraction of a
# second, so no run sees what another one did.

# The template: $WINE_TEMPLATE, or build/wine-template in the source tree, the
# same for every preset. Throwaway prefixes live beside it, in wine-runs/, so
# that they can be hard links to it (same file system).
WINE_TEMPLATE=${WINE_TEMPLATE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine-template}
WINE_RUNS=$(dirname "$WINE_TEMPLATE")/wine-runs
# What the template holds, written in its .template-complete: a template made
# to an older recipe is made again. Raise it whenever wine_template_ensure
# changes what goes into the template.
WINE_TEMPLATE_RECIPE=2

# Whether Wine can start here at all: Debian's 32-bit Wine is a 32-bit Linux
# program, which a kernel without 32-bit emulation cannot run.
wine_can_start() {
  wine --version >/dev/null 2>&1
}

# The environment of every Wine run: a 32-bit prefix, no debug chatter, system
# texts in English, no display, and none of the helpers that wineboot would
# start or offer to download.
wine_environment() {
  export WINEARCH=win32 WINEDEBUG=-all LANG=C.UTF-8 LC_ALL=C.UTF-8
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
  WINEPREFIX=$1 wine reg add "$key\kestrum.exe" /v Version /d win98 /f &&
    WINEPREFIX=$1 wine reg add "$key\tollaver.exe" /v Version /d win2k /f
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
    if ! WINEPREFIX=$fresh wineboot -i >"$log" 2>&1 ||
      ! wine_show_targets "$fresh" >>"$log" 2>&1 ||
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
# shutdown that `wineserver -k` waits for (half a second of each run). Wine's
# processes are known by the WINEPREFIX they were started with.
wine_prefix_kill() {
  local environ pid pids=()
  while read -r environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ $(readlink "/proc/$pid/exe") == */wine* ]] && pids+=("$pid")
  done < <(env -u WINEPREFIX grep -lsxzF "WINEPREFIX=$1" /proc/[0-9]*/environ)
  ((${#pids[@]} == 0)) || kill -KILL "${pids[@]}" 2>/dev/null
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

# Prints the path of a new throwaway prefix owned by the calling process.
wine_prefix_create() {
  local prefix=$WINE_RUNS/$$
  mkdir -p "$WINE_RUNS"
  # A leftover of a dead process that had our number.
  [[ -e $prefix ]] && wine_prefix_end "$prefix"
  mkdir "$prefix"
  wine_prefix_new "$prefix"
  echo "$prefix"
}
