# Shared shell helpers of scripts/test, scripts/run and scripts/db.
# Source it; it defines functions only.

KORVAN_ROOT=${KORVAN_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}

say() { printf '%s\n' "$*" >&2; }
die() { say "error: $*"; exit 1; }

# The error output the script was started with: what it says on its way
# out reaches it also when a signal ends it inside a function whose error
# output was sent elsewhere (alive >/dev/null 2>&1, say).
exec {KORVAN_STDERR}>&2 || KORVAN_STDERR=2

# hold_point NAME: for tests, a run stops itself here (SIGSTOP) when
# KORVAN_STOP_AT names this point, and goes on at SIGCONT; another run
# can be started or a kill sent at exactly this moment.
hold_point() { [ "${KORVAN_STOP_AT:-}" != "$1" ] || kill -STOP $$; }

# The words given, each in single quotes and separated by blanks, for a
# line that a shell reads again (eval, on_exit): it reads them back as the
# very words, never as code, whatever quotes, $( ) or blanks they hold.
shell_quote() {
  local word out=""
  for word in "$@"; do
    out+="${out:+ }'${word//\'/\'\\\'\'}'"
  done
  printf '%s' "$out"
}

# Installs every Debian package of the list files given that is not
# installed yet; runs apt-get update only when something is missing.
ensure_packages() {
  local missing=() pkg
  for pkg in $(cat "$@" | sed 's/#.*//'); do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# ask VARIABLE PROMPT [secret]: the variable's value, or else one asked for
# on the terminal (not echoed when secret).
ask() {
  local variable=$1 prompt=$2 secret=${3:-} value
  value=${!variable:-}
  if [ -z "$value" ]; then
    [ -t 0 ] || die "$prompt: not given (set $variable)"
    if [ -n "$secret" ]; then
      read -r -s -p "$prompt: " value
      echo >&2
    else
      read -r -p "$prompt: " value
    fi
  fi
  printf '%s' "$value"
}

# put FILE: standard input becomes FILE, the account's alone (0600). It is
# written into a new file beside FILE and then renamed onto its name:
# whatever stood there (a symbolic or a hard link, a FIFO) is replaced,
# never written through, and a reader finds the old file or the new one.
put() {
  local new
  new=$(mktemp -- "$1.XXXXXX") || return 1
  if cat >"$new" && mv -fT -- "$new" "$1"; then
    return 0
  fi
  rm -f -- "$new"
  return 1
}

# add FILE LINE...: FILE with the lines added at its end, written as put
# writes it (what a link there points to is not read).
add() {
  local file=$1
  shift
  {
    if [ -f "$file" ] && [ ! -L "$file" ]; then cat -- "$file"; fi
    printf '%s\n' "$@"
  } | put "$file"
}

# The accounts other than this one and root in the group GID (named in it,
# or whose own group it is), blank-separated.
group_others() {
  {
    getent group "$1" | cut -d: -f4 | tr , '\n'
    getent passwd | awk -F: -v gid="$1" '$4 == gid { print $1 }'
  } | awk -v me="$(id -un)" '$0 != "" && $0 != me && $0 != "root" && !seen[$0]++' | paste -sd ' '
}

# others_write FOLDER MODES [sticky]: sets WHO to the accounts other than
# this one and root that may add or remove names in FOLDER (its MODES as
# stat's %A shows them), in words, and FIX to how its owner takes that
# right away; WHO stays empty where there are none (with sticky, also
# where the folder is sticky, as /tmp: there nobody removes or renames
# another account's names). A folder whose group is the account's own
# (Debian gives each account a group of its own) counts as the account's
# alone while no other account is in it.
others_write() {
  local folder=$1 modes=$2 listed others
  WHO="" FIX=""
  if [ -n "${3:-}" ] && [[ ${modes:9:1} == [tT] ]]; then return 0; fi
  if [ "${modes:8:1}" = w ]; then
    WHO="every account" FIX="chmod o-w $folder"
  elif [ "${modes:5:1}" = w ]; then
    # With an access list the group's bits are its mask: what the list
    # lets its named accounts and groups do at most.
    listed=$(ls -ld -- "$folder")
    if [ "${listed:10:1}" = + ]; then
      WHO="the accounts that its access list (ACL) names" FIX="setfacl -m m::rx $folder"
    else
      others=$(group_others "$(stat -c %g -- "$folder")")
      [ -z "$others" ] || WHO="the accounts of its group $(stat -c %G -- "$folder") ($others)" FIX="chmod g-w $folder"
    fi
  fi
}

# own_folder DIR: dies in words unless DIR, where it is there already, is
# a folder of the account that runs this that no other account may add
# names to, no link of another account leads to it, and every folder it
# lies in belongs to the account or to root and lets no other account add
# or remove names (unless sticky, as /tmp), whether all may, or its group
# or an access list lets them. In a folder of another account that account
# could have put links for the files written there, or put a folder of its
# own in the place of DIR. Prints DIR with every link in it followed: the
# path that was checked and the only one to use from then on (through a
# link, each file would be looked up anew, wherever the link leads then).
own_folder() {
  local dir=$1 real up me link paths=() stats=() there=0 i owner
  me=$(id -un)
  # The first link on the way of an account other than this one and root,
  # which chose where it leads: "OWNER NAME -> TARGET". (A part that is not
  # there shows as "NAME - why".)
  link=$(namei -lo -- "$dir" 2>/dev/null | awk -v me="$me" '
    $1 == "lrwxrwxrwx" && $2 != "-" && $2 != me && $2 != "root" {
      owner = $2; sub(/^ *[^ ]+ +[^ ]+ +[^ ]+ +/, ""); print owner " " $0; exit }') || true
  [ -z "$link" ] || die "the data folder $dir is reached through a link of the account ${link%% *} (${link#* })," \
    "which chose where it leads; name a folder of your own, not through that link"
  real=$(realpath -m -- "$dir")
  # DIR where it is there, then the folders it lies in, the nearest
  # first: the owner and modes of each, in one look (a start checks its
  # folders several times).
  if [ -e "$real" ] || [ -L "$dir" ]; then
    [ -d "$real" ] || die "$dir is not a folder"
    paths=("$real") there=1
  fi
  up=$real
  while [ "$up" != / ]; do
    up=${up%/*}
    up=${up:-/}
    [ ! -d "$up" ] || paths+=("$up")
  done
  mapfile -t stats < <(stat -c '%u %A' -- "${paths[@]}")
  [ "$there" = 0 ] || [ "${stats[0]%% *}" = "$EUID" ] ||
    die "the data folder $dir belongs to the account $(stat -c %U -- "$real"), not to $me: its files are written" \
      "only into a folder of the account that runs this; choose a folder of your own"
  for ((i = there; i < ${#paths[@]}; i++)); do
    up=${paths[i]} owner=${stats[i]%% *}
    [ "$owner" = "$EUID" ] || [ "$owner" = 0 ] ||
      die "the data folder $dir lies in $up, a folder of the account $(stat -c %U -- "$up"), which could put" \
        "a folder of its own in its place; choose a folder of your own"
    others_write "$up" "${stats[i]#* }" sticky
    [ "$WHO" != "every account" ] ||
      die "the data folder $dir lies in $up, where every account could put a folder of its own in its place;" \
        "choose a folder of your own"
    [ -z "$WHO" ] ||
      die "the data folder $dir lies in $up, where $WHO could put a folder of their own in its place;" \
        "choose a folder of your own, or take that right away ($FIX)"
  done
  if [ "$there" = 1 ]; then
    others_write "$real" "${stats[0]#* }"
    [ -z "$WHO" ] ||
      die "in the data folder $dir, $WHO could put files (links to files of yours, say); take that right" \
        "away ($FIX), or choose a folder of your own"
  fi
  printf '%s\n' "$real"
}

# own_folder_made DIR: own_folder DIR, made for the account alone where it
# is missing, and then checked again (a sticky folder above it lets
# another account put its own there first); prints the path to use.
own_folder_made() {
  local real
  real=$(own_folder "$1") || exit 1
  if [ -d "$real" ]; then
    printf '%s\n' "$real"
    return 0
  fi
  (umask 077 && mkdir -p -- "$real") || exit 1
  chmod 700 -- "$real" || exit 1
  own_folder "$real"
}

# Commands run when the script exits, last registered first, also on failure.
KORVAN_ON_EXIT=()
on_exit() { KORVAN_ON_EXIT=("$*" "${KORVAN_ON_EXIT[@]}"); }
KORVAN_EXIT_STATUS=0
run_on_exit() {
  # (128 and more: a signal ended the script.)
  KORVAN_EXIT_STATUS=$?
  exec 2>&"$KORVAN_STDERR"
  local cmd
  for cmd in "${KORVAN_ON_EXIT[@]}"; do eval "$cmd" || true; done
  KORVAN_ON_EXIT=()
}
trap run_on_exit EXIT
# A closed terminal (HUP) cleans up as Ctrl-C and kill do.
trap 'exit 130' INT TERM
trap 'exit 129' HUP

# The number of build jobs: CMAKE_BUILD_PARALLEL_LEVEL when set (as for
# cmake itself), else one per core, or the default given.
build_jobs() { echo "${CMAKE_BUILD_PARALLEL_LEVEL:-${1:-$(nproc)}}"; }

# Configures and builds into the given directory; extra arguments go to cmake.
build_tree() {
  local dir=$1; shift
  cmake -S "$KORVAN_ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(build_jobs)"
}

# Builds a configured tree and says only what the build did: one that finds
# everything up to date prints nothing at all; else HEADER first, then the
# build's lines (compiling, linking, warnings, errors), on standard error.
build_quietly() {
  local dir=$1 header=$2
  cmake --build "$dir" -j"$(build_jobs)" 2>&1 | awk -v header="$header" '
    /^\[ *[0-9]+%\] Built target / || /^Consolidate compiler generated dependencies/ { next }
    /^make(\[[0-9]+\])?: (Entering|Leaving) directory/ || /^ninja: no work to do/ { next }
    !shown { if (header != "") print header; shown = 1 }
    { print; fflush() }' >&2
}

# rows_sql DATABASE: statements that count the rows of every table of the
# database in the session that runs them, all in one go: the sum is left
# in @korvan_rows and selected. Texts that Korvan stores by itself (LANG
# rows without a translation) do not count.
rows_sql() {
  cat <<EOF
SET SESSION group_concat_max_len = 1048576;
SELECT concat('SELECT 0', ifnull(group_concat(concat(' + (SELECT count(*) FROM \`$1\`.\`', table_name, '\`',
              if(binary table_name = 'LANG', ' WHERE trans <> ''''', ''), ')') SEPARATOR ''), ''), ' INTO @korvan_rows')
  INTO @korvan_count FROM information_schema.tables WHERE table_schema = '$1' AND table_type = 'BASE TABLE';
EXECUTE IMMEDIATE @korvan_count;
SELECT @korvan_rows;
EOF
}

# Runs the command given in place of this (sub)shell, with no descriptor
# open past the standard three: a server started so outlives the script
# and holds none of its locks or files. Only with & or inside ( ).
bare() {
  local fd
  for fd in /proc/$BASHPID/fd/*; do
    fd=${fd##*/}
    [ "$fd" -le 2 ] || eval "exec $fd>&-" 2>/dev/null || true
  done
  exec "$@"
}

# ---- One thing at a time on a private server's folder ----
#
# Whatever works on the folder of a private server takes its locks
# (flock(1) on files in the folder; a lock ends with the last process
# that holds it, after a kill -9 or a power cut too):
# - DIR/lock while it starts or stops the server or makes its first
#   tables: one at a time, the others wait and say for what;
# - DIR/used-by-station (scripts/run) and DIR/used-by-backup (scripts/db
#   dump), shared, as long as they use the server: the last of them to
#   end stops it, none stops it under another;
# - a move takes DIR/used-by-move and both others for itself, for its
#   whole run: it starts only where nothing uses the server, and nothing
#   starts there while it runs.
# A script that another starts while that one holds DIR/lock (scripts/run
# starts and stops the server through scripts/db) works under that lock:
# KORVAN_FOLDER_LOCK names the descriptor it inherited. The last user
# stops the server also where another started it: one that started it and
# ended while others used it leaves DIR/stop-when-unused for them.
FOLDER="" FOLDER_VOICE=db FOLDER_BORROWED=""
STOP_WHEN_UNUSED=stop-when-unused
declare -A FOLDER_FD=()

# folder_open DIR: the folder whose locks the functions below take.
folder_open() {
  FOLDER=$1
  FOLDER_FD=() FOLDER_BORROWED=""
}

# open_lock FILE: FILE opened for flock, its descriptor in LOCK_FD. Where
# there is none, it is made as the account's own file; a link or anything
# else there (from a time the folder was open to others) goes first.
open_lock() {
  if [ -L "$1" ] || { [ -e "$1" ] && [ ! -f "$1" ]; }; then rm -rf -- "$1"; fi
  (umask 077 && set -C && : >"$1") 2>/dev/null || true
  exec {LOCK_FD}<"$1"
}

# folder_flock NAME FLOCK-OPTION...: flock on the folder's file NAME,
# opened once.
folder_flock() {
  local name=$1
  shift
  if [ -z "${FOLDER_FD[$name]:-}" ]; then
    open_lock "$FOLDER/$name"
    FOLDER_FD[$name]=$LOCK_FD
  fi
  flock "$@" "${FOLDER_FD[$name]}"
}
folder_unlock() { [ -z "${FOLDER_FD[$1]:-}" ] || flock -u "${FOLDER_FD[$1]}"; }

# folder_forget: in a subshell that may outlive the script (killed
# outright), the folder's locks stay with the script.
folder_forget() {
  local fd
  for fd in "${FOLDER_FD[@]}"; do exec {fd}<&-; done
  FOLDER_FD=()
}

# Runs the command given without the descriptors of the folder's locks: a
# client still running when this script is killed outright holds none.
unlocked() {
  local fd closes=""
  for fd in "${FOLDER_FD[@]}"; do closes+=" $fd<&-"; done
  eval "\"\$@\"$closes"
}

# The processes that hold a lock on the file, one pid a line: those with
# a descriptor of it that holds the lock (the lock belongs to the opened
# file, which children share; the pid /proc/locks names is that of flock,
# long ended).
lock_holders() {
  local id
  id=$(stat -c '%Hd %Ld %i' -- "$1" 2>/dev/null) || return 0
  # shellcheck disable=SC2086 # major, minor, inode
  set -- $id
  grep -rlsE "^lock:.* FLOCK .* $(printf '%02x:%02x:%s' "$1" "$2" "$3") " /proc/[0-9]*/fdinfo 2>/dev/null |
    cut -d/ -f3 | sort -un || true
}

# A process in words: "scripts/db dump, process 12".
process_words() {
  local args=() i=0 name
  mapfile -d '' -t args 2>/dev/null <"/proc/$1/cmdline" || return 1
  [ ${#args[@]} -gt 0 ] || return 1
  case ${args[0]##*/} in bash | sh) i=1 ;; esac
  name=${args[i]:-?}
  name=${name##*/}
  case $name in
    db) name="scripts/db ${args[i + 1]:-}" ;;
    run) name=scripts/run ;;
  esac
  printf '%s, process %s' "$name" "$1"
}

# proc_stat PID: the fields of /proc/PID/stat after the command's name
# (the state first, then the parent's pid, ...); fails when there is no
# such process.
proc_stat() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  printf '%s' "${stat##*) }"
}

# The processes that hold a lock on the file, in words; not this one, nor
# one that holds it only as the child of another (a Korvan that its
# scripts/run started).
holders_words() {
  local pid words="" one holders stat
  holders=" $(lock_holders "$1" | tr '\n' ' ')"
  for pid in $holders; do
    [ "$pid" != $$ ] || continue
    stat=$(proc_stat "$pid") || continue
    stat=${stat#* }
    [[ $holders != *" ${stat%% *} "* ]] || continue
    one=$(process_words "$pid") || continue
    words+="${words:+; }$one"
  done
  printf '%s' "$words"
}
folder_holders() { holders_words "$FOLDER/$1"; }

# folder_hold: DIR/lock, waited for (two minutes at most) where another
# holds it, saying who.
folder_hold() {
  if [ -n "${KORVAN_FOLDER_LOCK:-}" ] && [ "/proc/$$/fd/$KORVAN_FOLDER_LOCK" -ef "$FOLDER/lock" ]; then
    FOLDER_BORROWED=yes
    return 0
  fi
  folder_flock lock -n -x && return 0
  local who
  who=$(folder_holders lock)
  say "$FOLDER_VOICE: another start or stop of the server in $FOLDER is under way${who:+ ($who)}; waiting for it"
  folder_flock lock -w 120 -x ||
    die "the server in $FOLDER is still being started or stopped by another run${who:+ ($who)} after two minutes; try again later"
}
folder_release() { [ -n "$FOLDER_BORROWED" ] || folder_unlock lock; }

# folder_join KIND: this script uses the server as a station or a backup
# (KIND) until it ends; fails while a move has the folder.
folder_join() { folder_flock "used-by-$1" -n -s; }

# folder_used KIND: whether another run uses the folder as a KIND (move,
# station, backup) now. Asked under DIR/lock, which every run joins
# under, by one that holds no use of that kind itself.
folder_used() {
  folder_flock "used-by-$1" -n -x || return 0
  folder_unlock "used-by-$1"
  return 1
}

# folder_leave KIND STARTED STOP...: this script uses the server as a KIND
# no more (under DIR/lock). Where nothing else uses it then, the command
# STOP stops it if it was started for a user: for this one (STARTED not
# empty), or for one that ended while others used it. Where others use
# it still, it fails, and one that started the server leaves
# DIR/stop-when-unused to the last of them.
folder_leave() {
  local kind=$1 started=$2
  shift 2
  folder_unlock "used-by-$kind"
  if folder_used station || folder_used backup; then
    [ -z "$started" ] || put "$FOLDER/$STOP_WHEN_UNUSED" </dev/null
    return 1
  fi
  if [ -n "$started" ] || [ -f "$FOLDER/$STOP_WHEN_UNUSED" ]; then "$@" || true; fi
}

# What uses the server in words ("a station (scripts/run, process 12)"),
# empty when nothing does.
folder_users() {
  local kind who words=""
  for kind in move station backup; do
    folder_used "$kind" || continue
    who=$(folder_holders "used-by-$kind")
    words+="${words:+, and }a $kind${who:+ ($who)}"
  done
  printf '%s' "$words"
}

# folder_alone: the folder is this script's (a move's) until it ends;
# fails where anything uses it.
folder_alone() {
  local kind taken=()
  for kind in move station backup; do
    if ! folder_flock "used-by-$kind" -n -x; then
      local took
      for took in "${taken[@]}"; do folder_unlock "used-by-$took"; done
      return 1
    fi
    taken+=("$kind")
  done
}
