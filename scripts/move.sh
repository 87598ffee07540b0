# The move of a single station's first days to the shared server
# (scripts/db move), and the reader of its records, which scripts/run uses
# too. Source it after lib.sh; it defines functions only. The move uses
# the helpers of scripts/db (server, client, alive, start, stop, ...).
#
# A move loads the copy into a database of its own beside the target and
# only then puts its tables in the target's place, all in one RENAME: the
# target holds either nothing of the first days or all of them, whenever
# the move is cut off. Tables the target had (empty ones, made by "shared")
# go aside into a second database in the same step, and are dropped when
# they hold no rows.
#
# Both databases are the move's own: named for it (TARGET_moving_TAG and
# TARGET_aside_TAG, with a TAG drawn for each move) and made with a comment
# that names the move and its station. Another move into the same target
# (from another station, say) never takes them for its own, and a database
# the script did not make is never dropped.
#
# The last step checks that the target holds no rows and sends the RENAME
# in one session that holds a lock named for the target: another move into
# it, at whatever moment, either finds the target filled or is refused
# while this one is in its last step; none puts another's rows aside.
#
# The move has the station's folder to itself while it runs (folder_alone
# in lib.sh): it starts only where nothing uses the private server, and
# no station, backup or start begins there until it ends.
#
# DIR/moving records a move while it runs: its process, target and tag
# from the start, and before the RENAME is sent, that it is sent. A run
# that finds it left by a move killed outright finishes that move when its
# RENAME went through (the note written, as the move would have), or drops
# what that move made and moves again.
MOVE_TARGET="" MOVE_TAG="" MOVE_STAGE="" MOVE_ASIDE="" MOVE_PHASE="" MOVE_ROWS=0 MOVE_ON="" MOVE_AT="" MOVE_RECORD=""

# ---- The records ----

# record_read FILE: a record of the move (DIR/moving while one runs,
# DIR/moved, the note, once one went through), lines KEY=value read as
# data. RECORD[KEY] is the last value of KEY; RECORD_TO and RECORD_AT hold
# every to= and at= in their order (the note keeps a pair for each move,
# the first first). Fails where there is no such file.
declare -A RECORD=()
RECORD_TO=() RECORD_AT=()
record_read() {
  RECORD=() RECORD_TO=() RECORD_AT=()
  [ -f "$1" ] || return 1
  local line key
  while IFS= read -r line || [ -n "$line" ]; do
    key=${line%%=*}
    [[ $key =~ ^[a-z]+$ ]] && [ "$key" != "$line" ] || continue
    RECORD[$key]=${line#*=}
    case $key in
      to) RECORD_TO+=("${line#*=}") ;;
      at) RECORD_AT+=("${line#*=}") ;;
    esac
  done <"$1"
}

# The start of a process (clock ticks after the machine's start): with it
# a pid names the process it named then, as the pid alone does not once
# that process has ended.
start_time() {
  local stat
  stat=$(proc_stat "$1") || return 1
  # shellcheck disable=SC2086 # the fields, split at blanks
  set -- $stat
  printf '%s' "${20:-}"
}

# Whether the move a record names runs still. A record of an earlier
# version holds its pid alone: then that process must be a move.
move_runs() {
  local pid=$1 started=$2
  [[ $pid =~ ^[1-9][0-9]{0,9}$ ]] || return 1
  if [ -n "$started" ]; then
    [ "$(start_time "$pid")" = "$started" ]
  else
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/cmdline" | grep -qx move
  fi
}

# The move that has the folder (FOLDER) now, in words: "a move of DIR to
# the database X is under way (scripts/db move, process 12)".
moving_words() {
  local who
  record_read "$FOLDER/moving" || true
  who=$(folder_holders used-by-move)
  printf 'a move of %s%s is under way%s' "$FOLDER" "${RECORD[target]:+ to the database ${RECORD[target]}}" \
    "${who:+ ($who)}"
}

# ---- The move ----

# The databases of the move with the tag given, into MOVE_TARGET.
move_names() {
  MOVE_TAG=$1
  MOVE_STAGE=${MOVE_TARGET}_moving_$MOVE_TAG MOVE_ASIDE=${MOVE_TARGET}_aside_$MOVE_TAG
}

# The comment a move's databases are made with: by it a move knows its own.
move_mark() { printf 'korvan move %s from %s' "$MOVE_TAG" "$(uname -n | tr -cd 'A-Za-z0-9.-')"; }
# Those of the databases named that are there and the move's own, one a line.
own_databases() {
  local names="" name
  for name in "$@"; do names="$names${names:+, }'$name'"; done
  server -N -e "select schema_name from information_schema.schemata
                where schema_name in ($names) and schema_comment like 'korvan move $MOVE_TAG %'"
}

# Whether the server still runs the RENAME of the move's copy: one whose
# client lives on when the script was killed waits for a table of the
# target that another session holds. Waited for, a minute at most.
rename_ended() {
  local i
  for i in $(seq 600); do
    [ "$(server -N -e "select count(*) from information_schema.processlist
                         where id <> connection_id() and info like 'RENAME TABLE%'
                         and info like '%\`$MOVE_STAGE\`%'")" -gt 0 ] || return 0
    [ "$i" -ne 20 ] ||
      say "db: the last step of that move still waits on the shared server for a table of $MOVE_TARGET that another session uses; waiting for it"
    sleep 0.1
  done
  return 1
}

# How many of the copy's tables are still in their own database: none once
# the RENAME went through, all while it did not.
stage_tables() {
  rename_ended || return 1
  server -N -e "select count(*) from information_schema.tables where table_schema = '$MOVE_STAGE'"
}

# Drops the databases named (plain names), in one statement.
drop_databases() { [ $# -eq 0 ] || server -e "$(printf 'DROP DATABASE `%s`; ' "$@")"; }

# Drops the move's own databases, and nothing else; fails when the server
# does not answer. The target's tables put aside are kept where they hold
# rows (a station stored some in the instant before the RENAME, say).
drop_stage() {
  [ -n "$MOVE_TAG" ] || return 0
  local own name rows drop=()
  own=$(own_databases "$MOVE_STAGE" "$MOVE_ASIDE") || return 1
  for name in $own; do
    if [ "$name" = "$MOVE_ASIDE" ]; then
      rows=$(server -N -e "$(rows_sql "$name")") || return 1
      if [ "$rows" -gt 0 ]; then
        say "db: $name keeps $rows rows that were stored in $MOVE_TARGET while the move went in; they are not in" \
          "$MOVE_TARGET now: look at them there, and drop $name once they are not needed"
        continue
      fi
    fi
    drop+=("$name")
  done
  drop_databases "${drop[@]}" || return 1
  # Nothing of the move's own is left to drop.
  MOVE_TAG=""
}

# Says where a move that did not finish left things, and clears up after
# it. Whatever the moment a signal ends it, the move says that it broke off.
move_ended() {
  case $MOVE_PHASE in
    done | refused)
      # Done, or refused in words with nothing of it in the target: what
      # is left of its own databases (cut off while it dropped them, say)
      # goes.
      drop_stage 2>/dev/null || true
      rm -f "$MOVE_RECORD"
      return 0
      ;;
    "")
      # Nothing of this move is on the shared server yet.
      if [ "$KORVAN_EXIT_STATUS" -ge 128 ]; then
        say "db: the move broke off; $MOVE_TARGET is as it was before, nothing of $dir reached it."
        say "db: run the same scripts/db move again."
      fi
      return 0
      ;;
  esac
  local left=unknown
  if [ "$MOVE_PHASE" = renaming ]; then
    left=$(stage_tables 2>/dev/null) || left=unknown
  fi
  if [ "$left" = 0 ]; then
    # Cut off after the one step that counts: the move is whole.
    move_done
  elif [ "$MOVE_PHASE" = renaming ] && [ "$left" = unknown ]; then
    # The server did not answer: whether the RENAME went through is not
    # known here. The record stays, and the next run knows it.
    say "db: the move broke off at its last step, and the shared server does not answer."
    say "db: run the same scripts/db move again: it finishes the move or undoes it."
    return 0
  else
    say "db: the move broke off; $MOVE_TARGET is as it was before, nothing of $dir reached it."
    say "db: run the same scripts/db move again."
  fi
  # The record goes with what the move made: where the server does not
  # answer, it stays, and the next run drops the copy.
  if drop_stage 2>/dev/null; then
    rm -f "$MOVE_RECORD"
  else
    say "db: $MOVE_STAGE stays on the shared server for now; the next run of the same scripts/db move drops it."
  fi
}

# The private data says where it went: scripts/run does not start it as
# the restaurant's current day any more.
move_done() {
  MOVE_PHASE=done
  note_move
  say "db: $MOVE_ROWS rows moved from $dir into $MOVE_TARGET"
}

# The note keeps every move, the first first: a later one (asked for with
# --again) does not hide where the day went. A move finished by a later
# run is noted once.
note_move() {
  local note=$dir/moved i
  if record_read "$note"; then
    for i in "${!RECORD_TO[@]}"; do
      [ "${RECORD_TO[i]}" != "$MOVE_TARGET on $MOVE_ON" ] || [ "${RECORD_AT[i]:-}" != "$MOVE_AT" ] || return 0
    done
  fi
  add "$note" "to=$MOVE_TARGET on $MOVE_ON" "at=$MOVE_AT"
}

# The moves the note holds, one line each: "on AT to TARGET on HOST:PORT".
noted_moves() {
  local i
  record_read "$dir/moved" || return 0
  for i in "${!RECORD_AT[@]}"; do
    printf 'on %s to %s\n' "${RECORD_AT[i]}" "${RECORD_TO[i]:-}"
  done
}

# A move that a kill -9 (or a power cut, or a server that stopped
# answering) cut off: finished when its RENAME went through, else what it
# made is dropped and this run moves afresh. MOVE_PHASE is done when it
# was finished.
resume_broken_move() {
  local target tag mine=$MOVE_TARGET renaming=""
  record_read "$MOVE_RECORD" || return 0
  target=${RECORD[target]:-} tag=${RECORD[tag]:-}
  [ "${RECORD[phase]:-}" != renaming ] || renaming=yes
  if [ -n "$renaming" ] && [ "$target" != "$MOVE_TARGET" ]; then
    die "it broke off at its last step while moving into $target: run scripts/db move $dir $target" \
      "with the same options first, which finishes it or undoes it"
  fi
  if [ -z "$target" ]; then
    # Cut off before it reached the shared server (or left by an earlier
    # version there): nothing of it is known to be there.
    rm -f "$MOVE_RECORD"
    return 0
  fi
  plain_name database "$target"
  MOVE_TARGET=$target
  if [[ $tag =~ ^[0-9a-f]{8}$ ]]; then
    move_names "$tag"
  else
    # An earlier version's names, looked at and never dropped: another
    # move into the same target had the same.
    MOVE_TAG="" MOVE_STAGE=${target}_moving MOVE_ASIDE=${target}_moved_aside
  fi
  if [ -n "$renaming" ]; then
    local left there
    left=$(stage_tables) ||
      die "the last step of that move still waits on the shared server for a table of $target that another" \
        "session holds; run the same command again once that session has ended: the move goes through then"
    there=$(server -N -e "$(rows_sql "$target")")
    if [ "$left" -eq 0 ] && [ "$there" -gt 0 ]; then
      MOVE_ON=${RECORD[on]:-} MOVE_AT=${RECORD[at]:-} MOVE_ROWS=${RECORD[rows]:-}
      say "db: its last step had gone through: $target holds the first days of $dir; the move is finished now"
      move_done
      drop_stage
      rm -f "$MOVE_RECORD"
      return 0
    fi
    say "db: its last step had not gone through: $target took nothing of $dir."
  fi
  local own=""
  [ -z "$MOVE_TAG" ] || own=$(own_databases "$MOVE_STAGE" "$MOVE_ASIDE")
  if [ -n "$own" ]; then
    [ -n "$renaming" ] ||
      say "db: an earlier move into $target broke off before it finished; $target took nothing of it."
    say "db: dropping what it left ($MOVE_STAGE) and moving again"
    # shellcheck disable=SC2086 # the names, one a line
    drop_databases $own
  elif [ -z "$MOVE_TAG" ] && [ -n "$renaming" ] &&
    [ "$(server -N -e "select count(*) from information_schema.schemata where schema_name = '$MOVE_STAGE'")" -gt 0 ]; then
    say "db: $MOVE_STAGE stays on the shared server (an earlier version's move into $target made it, maybe" \
      "another station's): drop it there by hand when it is not needed"
  fi
  rm -f "$MOVE_RECORD"
  MOVE_TARGET=$mine MOVE_TAG="" MOVE_STAGE="" MOVE_ASIDE=""
}

# The folder is the move's (folder_alone), or the move is refused in words
# that name what has it.
take_folder() {
  folder_hold
  if ! folder_alone; then
    local users
    if folder_used move; then
      users=$(folder_holders used-by-move)
      die "a move from $dir runs already${users:+ ($users)}: another move from this folder is under way; this one" \
        "moves nothing"
    fi
    users=$(folder_users)
    case $users in
      *station*) die "the server in $dir is in use by $users: quit Korvan on that station first" ;;
      *) die "the server in $dir is in use by ${users:-another run}: wait until it has ended, then move again" ;;
    esac
  fi
  folder_release
}

# The last step, in one session. The lock named for the target keeps out
# every other move's last step; the rows are counted right before the
# RENAME; tables the copy has and the target lacks are made there first,
# so that the RENAME names every one of them (and reads as the RENAME
# of this move to those who look for it on the server).
swap_sql() {
  local lock table like="" aside="" into=""
  lock=$(target_lock "$MOVE_TARGET")
  for table in "$@"; do
    like+="CREATE TABLE IF NOT EXISTS \`$MOVE_TARGET\`.\`$table\` LIKE \`$MOVE_STAGE\`.\`$table\`;"$'\n'
    aside+=" \`$MOVE_TARGET\`.\`$table\` TO \`$MOVE_ASIDE\`.\`$table\`,"
    into+=" \`$MOVE_STAGE\`.\`$table\` TO \`$MOVE_TARGET\`.\`$table\`,"
  done
  cat <<EOF
EXECUTE IMMEDIATE IF(GET_LOCK($lock, 0) = 1, 'DO 0',
  'SIGNAL SQLSTATE ''45000'' SET MESSAGE_TEXT = ''another move into $MOVE_TARGET is under way; it stays as it is''');
$(rows_sql "$MOVE_TARGET")
EXECUTE IMMEDIATE IF(@korvan_rows = 0, 'DO 0',
  concat('SIGNAL SQLSTATE ''45000'' SET MESSAGE_TEXT = ''$MOVE_TARGET holds ', @korvan_rows, ' rows now; it stays as it is'''));
${like}RENAME TABLE${aside}${into%,};
DO RELEASE_LOCK($lock);
EOF
}

move() {
  local name=$1 again=$2
  shift 2
  plain_name database "$name"
  MOVE_TARGET=$name
  [ ${#name} -le 48 ] || die "the database name $name is too long for a move (at most 48 characters)"
  [ -d "$dir/data/mysql" ] || die "no server set up in $dir"
  take_folder
  # A move killed outright (kill -9) may have left running the private
  # server it started: that one, and only that one, is stopped now.
  MOVE_RECORD=$dir/moving
  if record_read "$MOVE_RECORD"; then
    local mover=${RECORD[move]:-} started=${RECORD[started]:-} server_pid=${RECORD[server]:-}
    ! move_runs "$mover" "$started" || die "a move from $dir runs already (process $mover)"
    say "db: an earlier move from $dir broke off"
    # A station started since works on it (a Korvan of an earlier version
    # takes a server that runs): then it is that station's, and is left
    # running. (What the killed move left, a dump say, works as the owner.)
    if [ -n "$server_pid" ] && [ "$server_pid" = "$(own_server)" ] && alive &&
      [ "$(client -N -e "select count(*) from information_schema.processlist
                         where user <> $(sql_text "$OWNER") and command <> 'Daemon'")" = 0 ]; then
      say "db: stopping the private server it left running"
      stop
    fi
  fi
  # Whatever a station did after the copy would stay behind.
  ! alive || die "the server in $dir runs: quit Korvan on that station first (or stop the server: scripts/db stop $dir)"
  admin_options "$@"
  if [ -f "$MOVE_RECORD" ]; then
    resume_broken_move
    [ "$MOVE_PHASE" != "done" ] || return 0
  fi

  # A moved copy is the day as it was then: moved again, it would be a
  # second restaurant day beside the first.
  if [ -f "$dir/moved" ] && [ -z "$again" ]; then
    say "db: $dir was moved already:"
    noted_moves | sed 's/^/db:     /' >&2
    die "it is an old copy now, and moves no more; to move it all the same: scripts/db move --again $dir $name ..."
  fi

  # (The rows of a target whose RENAME another move waits for cannot be
  # counted before it ends.)
  [ "$(server -N -e "select is_used_lock($(sql_text "korvan move $name")) is null")" = 1 ] ||
    die "another move into $name is under way; it stays as it is; nothing of $dir went there"
  local there
  there=$(server -N -e "$(rows_sql "$name")")
  [ "$there" -eq 0 ] ||
    die "$name holds $there rows already; only a database without rows takes the first days (it stays as it is)"

  move_names "$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')"
  printf 'move=%s\nstarted=%s\ntarget=%s\ntag=%s\n' "$$" "$(start_time $$)" "$name" "$MOVE_TAG" |
    put "$MOVE_RECORD"
  MOVE_PHASE=copying
  # The copy lives only as long as this process: its file is removed at
  # once and read through descriptors, so that not even a kill -9 leaves
  # it behind.
  local copy copy_in copy_out
  copy=$(mktemp "${TMPDIR:-/tmp}/korvan-move.XXXXXX")
  exec {copy_in}>"$copy" {copy_out}<"$copy"
  rm -f "$copy"
  if ! alive; then
    on_exit stop
    start >/dev/null
  fi
  add "$MOVE_RECORD" "server=$(cat "$pidfile")"
  dump_rows >&"$copy_in"
  exec {copy_in}>&-
  MOVE_ROWS=$(client -N -e "$(rows_sql "$DB_NAME")")
  stop

  local mark
  mark=$(sql_text "$(move_mark)")
  # Made here, or not at all: a database of that name is not the move's.
  server -e "CREATE DATABASE \`$MOVE_STAGE\` CHARACTER SET utf8mb4 COMMENT $mark" ||
    die "the database $MOVE_STAGE for the copy could not be made"
  hold_point move-loading
  server "$MOVE_STAGE" <&"$copy_out" || die "loading the copy failed"
  exec {copy_out}<&-
  there=$(server -N -e "$(rows_sql "$MOVE_STAGE")")
  [ "$there" -eq "$MOVE_ROWS" ] || die "the copy holds $there rows, $dir $MOVE_ROWS"

  # One RENAME: the target's tables of the same names aside, the copy's in.
  local tables
  tables=$(server -N -e "select table_name from information_schema.tables where table_schema = '$MOVE_STAGE'")
  server -e "CREATE DATABASE IF NOT EXISTS \`$name\` CHARACTER SET utf8mb4;
             CREATE DATABASE \`$MOVE_ASIDE\` CHARACTER SET utf8mb4 COMMENT $mark" ||
    die "the database $MOVE_ASIDE for the target's empty tables could not be made"
  MOVE_ON=$(server -N -e "select concat(@@hostname, ':', @@port)" 2>/dev/null) || MOVE_ON="the shared server"
  MOVE_AT=$(date '+%Y-%m-%d %H:%M')
  # Written before the RENAME is sent: a run after a kill -9 learns from
  # it that the RENAME may have gone through (or may still wait on the
  # server for a table another session holds).
  add "$MOVE_RECORD" phase=renaming "on=$MOVE_ON" "at=$MOVE_AT" "rows=$MOVE_ROWS"
  MOVE_PHASE=renaming
  hold_point move-renaming
  # Ctrl-C, a closed terminal or a TERM now wait for the RENAME (the
  # client ignores them; the script's own trap runs when it returns).
  local said refusal
  # shellcheck disable=SC2086 # the names, one a line
  said=$(
    trap '' INT TERM HUP
    folder_forget
    swap_sql $tables | server 2>&1 >/dev/null
  ) || {
    refusal=$(sed -n 's/^ERROR 1644 (45000) at line [0-9]*: //p' <<<"$said")
    [ -z "$refusal" ] || { MOVE_PHASE=refused; die "$refusal; nothing of $dir went there"; }
    say "$said"
    die "the last step of the move failed"
  }
  hold_point move-swapped
  move_done
  drop_stage
}
