#!/usr/bin/env bash
# Tests with-private-print-server with real commands: the queue it makes inside, jobs landing as
# files, the queue states the application tests use, user settings that must not win over the
# private default, the clean-up however the script ends, and that the machine's own print
# server, queues, default printer and /etc/cups stay as they were.
# Prints "N passed, N failed"; exits 1 when a check fails and 77 when CUPS is not installed.
set -uo pipefail
export LC_ALL=C
export PATH="$PATH:/usr/sbin:/sbin"  # cupsaccept, cupsreject, cupsenable, cupsdisable

self=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")
wrapper=$(dirname "$self")/with-private-print-server
queue=ZandrelPDF

# Results go to a file, one line per check, so that the checks made inside the wrapper (in
# another process) count too.
check() {  # check DESCRIPTION COMMAND...: passes when COMMAND succeeds
    local description=$1
    shift
    if "$@"; then
        echo pass >>"$RESULTS"
    else
        echo fail >>"$RESULTS"
        echo "FAIL: $description" >&2
    fi
}

wait_for() {  # wait_for SECONDS COMMAND...: polls COMMAND until it succeeds or time runs out
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

contains() { [[ $1 == *"$2"* ]]; }
not() { ! "$@"; }

completed() {  # completed JOB-ID...: whether the scheduler lists all these jobs as completed
    local list id
    list=$(lpstat -W completed -o "$queue") || return 1
    for id; do
        contains "$list" "$queue-$id " || return 1
    done
}

make_pdf() {  # make_pdf FILE WORD: writes a one-page PDF whose only text is WORD
    local file=$1 word=$2 pdf offsets=() i
    local stream="BT /F1 24 Tf 72 720 Td ($word) Tj ET"
    local objects=(
        "<< /Type /Catalog /Pages 2 0 R >>"
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>"
        "<< /Length ${#stream} >>"$'\nstream\n'"$stream"$'\nendstream'
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
    pdf=$'%PDF-1.4\n'
    for i in "${!objects[@]}"; do
        offsets+=("${#pdf}")
        pdf+="$((i + 1)) 0 obj"$'\n'"${objects[i]}"$'\nendobj\n'
    done
    local xref=${#pdf}
    pdf+="xref"$'\n'"0 $((${#objects[@]} + 1))"$'\n'"0000000000 65535 f "$'\n'
    for i in "${offsets[@]}"; do
        pdf+="$(printf '%010d 00000 n ' "$i")"$'\n'
    done
    pdf+="trailer"$'\n'"<< /Size $((${#objects[@]} + 1)) /Root 1 0 R >>"$'\n'
    pdf+="startxref"$'\n'"$xref"$'\n%%EOF\n'
    printf '%s' "$pdf" >"$file"
}

job_id() {  # job_id LP-OUTPUT: the number in "request id is ZandrelPDF-12 (1 file(s))"
    [[ $1 =~ request\ id\ is\ $queue-([0-9]+) ]] && echo "${BASH_REMATCH[1]}"
}

# The pid of the process listening on unix socket PATH (the private cupsd for $CUPS_SERVER).
listener_pid() {
    local path=$1 inode fd
    inode=$(awk -v path="$path" '$8 == path && $6 == "01" { print $7; exit }' /proc/net/unix)
    [[ -n $inode ]] || return 1
    fd=$(find /proc/[0-9]*/fd -maxdepth 1 -lname "socket:\\[$inode\\]" 2>/dev/null | head -n 1)
    [[ $fd =~ ^/proc/([0-9]+)/ ]] && echo "${BASH_REMATCH[1]}"
}

# "PID START-TIME" of a live (not zombie) process PID: tells it from a later one with its pid.
process_key() {
    local stat fields
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    read -r -a fields <<<"${stat##*) }"
    [[ ${fields[0]} != [ZX] ]] && echo "$1 ${fields[19]}"
}

# Whether the process that had KEY still runs.
still_running() { [[ -n $1 && $(process_key "${1%% *}") == "$1" ]]; }

# The socket inodes of process PID that are TCP or UDP sockets.
network_sockets() {
    readlink /proc/"$1"/fd/* 2>/dev/null | sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p' |
        awk 'FILENAME == "-" { mine[$1] = 1; next } FNR > 1 && ($10 in mine) { print $10 }' \
            - /proc/net/tcp /proc/net/tcp6 /proc/net/udp /proc/net/udp6 2>/dev/null
}

# --- The part run inside the wrapper ------------------------------------------------------

inside() {
    local output=$ZANDREL2_PRINTER_OUTPUT work=$SCRATCH/work
    mkdir -p "$work" || return 1

    # The environment the wrapper gives COMMAND, with hostile user settings around it.
    check "CUPS_SERVER is the private server's socket" test -S "$CUPS_SERVER"
    check "LPDEST and PRINTER are unset" test -z "${LPDEST-}${PRINTER-}"
    check "the output folder exists and is empty" \
        test -d "$output" -a -z "$(ls -A "$output")"
    local pid
    pid=$(listener_pid "$CUPS_SERVER")
    check "a process (the private cupsd) listens on CUPS_SERVER" test -n "$pid"
    check "the private cupsd has no TCP or UDP socket" test -z "$(network_sockets "$pid")"

    # The queue, as the application sees it.
    local out
    out=$(lpstat -d 2>&1)
    check "lpstat -d names $queue despite LPDEST, PRINTER and lpoptions files ($out)" \
        test "$out" = "system default destination: $queue"
    out=$(lpstat -p "$queue" 2>&1)
    check "lpstat -p shows $queue enabled ($out)" contains "$out" "is idle.  enabled since"
    out=$(lpstat -a "$queue" 2>&1)
    check "$queue accepts jobs ($out)" contains "$out" "$queue accepting requests"
    out=$(lpstat -v 2>&1)
    check "the server has only the one queue ($out)" test "$(wc -l <<<"$out")" -eq 1

    # Jobs land whole, each in its own file named by its job id, and in the order sent.
    make_pdf "$work/first.pdf" HELIXFIRST
    make_pdf "$work/second.pdf" HELIXSECOND
    local first second
    first=$(job_id "$(lp "$work/first.pdf" 2>&1)")
    second=$(job_id "$(lp "$work/second.pdf" 2>&1)")
    check "lp with no destination queues both jobs on $queue ($first, $second)" \
        test -n "$first" -a -n "$second" -a "$first" != "$second"
    if [[ -n $first && -n $second ]]; then
        check "job $first arrives as job-$first.pdf" \
            wait_for 20 test -e "$output/job-$first.pdf"
        check "job $second arrives as job-$second.pdf" \
            wait_for 20 test -e "$output/job-$second.pdf"
        check "job-$first.pdf holds exactly the PDF sent" cmp -s "$work/first.pdf" "$output/job-$first.pdf"
        check "job-$second.pdf holds exactly the PDF sent" cmp -s "$work/second.pdf" "$output/job-$second.pdf"
        out=$(pdftotext -layout "$output/job-$first.pdf" - 2>&1)
        check "pdftotext reads the first job's word back ($out)" contains "$out" HELIXFIRST
        check "the scheduler then lists both jobs as completed" \
            wait_for 10 completed "$first" "$second"
        check "no partly written file is left in the output folder" \
            test -z "$(find "$output" -name '.*' -type f)"
    fi

    # Refusing: cupsreject makes lp fail, cupsaccept undoes it.
    cupsreject "$queue"
    out=$(lp "$work/first.pdf" 2>&1)
    local status=$?
    check "after cupsreject, lp fails ($status: $out)" \
        test "$status" -ne 0 -a -z "$(job_id "$out")"
    check "after cupsreject, lpstat -a says $queue is not accepting" \
        contains "$(lpstat -a "$queue" 2>&1)" "not accepting requests"
    cupsaccept "$queue"
    check "after cupsaccept, lpstat -a says $queue accepts again" \
        contains "$(lpstat -a "$queue" 2>&1)" "$queue accepting requests"

    # Pausing: cupsdisable shows as disabled and holds jobs; cupsenable lets them print.
    cupsdisable "$queue"
    out=$(lpstat -p "$queue" 2>&1)
    check "after cupsdisable, lpstat -p shows $queue disabled ($out)" \
        contains "$out" "printer $queue disabled since"
    local held
    held=$(job_id "$(lp "$work/second.pdf" 2>&1)")
    check "a disabled queue still takes jobs" test -n "$held"
    check "after cupsdisable, the job waits in the queue" \
        contains "$(lpstat -o "$queue")" "$queue-$held "
    cupsenable "$queue"
    check "after cupsenable, lpstat -p shows $queue enabled" \
        contains "$(lpstat -p "$queue" 2>&1)" "enabled since"
    check "after cupsenable, the held job arrives" \
        wait_for 20 test -e "$output/job-$held.pdf"
}

if [[ ${1-} == --inside ]]; then
    inside
    exit 0
fi

# --- The outer part: runs the wrapper in various ways -------------------------------------

scratch=$(mktemp -d)
export SCRATCH=$scratch RESULTS=$scratch/results
: >"$RESULTS"
finish() {
    local running
    mapfile -t running < <(jobs -pr)
    ((${#running[@]} == 0)) || kill "${running[@]}" 2>/dev/null
    rm -rf "$scratch"
}
trap finish EXIT

# The machine's print server, as seen without the wrapper, before and after all the runs.
machine() { env -u CUPS_SERVER -u LPDEST -u PRINTER "$@"; }
machine_state() {
    machine lpstat -r 2>&1
    machine lpstat -d 2>&1
    machine lpstat -p 2>&1
    machine lpstat -a 2>&1
    machine lpstat -v 2>&1
}
etc_cups_state() {
    [[ -d /etc/cups ]] && find /etc/cups -type f -exec md5sum {} + 2>&1 | sort
}
machine_before=$(machine_state)
etc_cups_before=$(etc_cups_state)

"$wrapper" true
status=$?
if [[ $status -eq 77 ]]; then
    echo "skipped: CUPS is not installed"
    exit 77
fi
check "the wrapper runs a command that succeeds and exits 0 (got $status)" test "$status" -eq 0

# Inside: with settings that would name another printer or server if they were honoured.
hostile=$scratch/hostile
mkdir -p "$hostile/home/.cups" "$hostile/serverroot"
for lpoptions in "$hostile/home/.cups/lpoptions" "$hostile/serverroot/lpoptions"; do
    echo "Default Elsewhere" >"$lpoptions"
done
for client_conf in "$hostile/home/.cups/client.conf" "$hostile/serverroot/client.conf"; do
    echo "ServerName $hostile/no-such.sock" >"$client_conf"
done
HOME=$hostile/home CUPS_SERVERROOT=$hostile/serverroot LPDEST=Elsewhere PRINTER=Elsewhere \
    "$wrapper" "$self" --inside
status=$?
check "the wrapper passes on the checks' exit status 0 (got $status)" test "$status" -eq 0

# After each way of ending, no private cupsd is left and the folder is gone. COMMAND tells
# where both are: it writes lines "CUPSD-PID START-TIME", FOLDER, "COMMAND-PID START-TIME".
export -f listener_pid process_key
export TELL=$scratch/tell
# shellcheck disable=SC2016  # (expanded by the bash that the wrapper runs)
tell='{ process_key "$(listener_pid "$CUPS_SERVER")" || echo; dirname "$CUPS_SERVER"; process_key $$; } >"$TELL.part" && mv "$TELL.part" "$TELL"'
told() { [[ -s $TELL ]]; }
read_tell() {
    cupsd='' base='' command=''
    [[ -s $TELL ]] && { read -r cupsd; read -r base; read -r command; } <"$TELL"
    rm -f "$TELL"
}
cleaned_up() {  # cleaned_up HOW
    check "$1: the private cupsd was running ($cupsd)" test -n "$cupsd"
    check "$1: no private cupsd is left running" wait_for 10 not still_running "$cupsd"
    check "$1: the temporary folder is removed ($base)" wait_for 10 test ! -e "$base"
    # What a broken wrapper leaves, the test removes.
    still_running "$cupsd" && kill "${cupsd%% *}"
    [[ $base == */zandrel2-print.* ]] && rm -rf "$base"
}

"$wrapper" bash -c "$tell; exit 0"
status=$?
read_tell
check "normal end: exit status 0 (got $status)" test "$status" -eq 0
cleaned_up "normal end"

"$wrapper" bash -c "$tell; exit 7"
status=$?
read_tell
check "failing command: the wrapper exits with its status 7 (got $status)" test "$status" -eq 7
cleaned_up "failing command"

# Signals: COMMAND blocks reading a pipe that nobody writes until the wrapper is signalled.
mkfifo "$scratch/never"
for signal in TERM INT KILL; do
    rm -f "$TELL"
    # Not ignoring SIGINT, as bash would otherwise make a background command do.
    (
        trap - INT QUIT
        exec "$wrapper" bash -c "$tell; read -r _ <'$scratch/never'"
    ) &
    wrapper_pid=$!
    if ! wait_for 20 told; then
        check "SIG$signal: the wrapper starts its command" false
        continue
    fi
    read_tell
    # Sent to the wrapper alone, the way a test runner or kill(1) would. (stderr goes away
    # meanwhile, for bash's "Killed" notice.)
    exec {stderr}>&2 2>/dev/null
    kill "-$signal" "$wrapper_pid"
    wait_for 20 not kill -0 "$wrapper_pid"
    wait "$wrapper_pid"
    status=$?
    exec 2>&"$stderr" {stderr}>&-
    case $signal in
        TERM) expected=143 ;;
        INT) expected=130 ;;
        KILL) expected=137 ;;
    esac
    check "SIG$signal: the wrapper exits with status $expected (got $status)" test "$status" -eq "$expected"
    if [[ $signal != KILL ]]; then
        check "SIG$signal: the wrapper stops its command too" \
            wait_for 10 not still_running "$command"
    fi
    cleaned_up "SIG$signal"
    still_running "$command" && kill "${command%% *}"  # after SIGKILL nobody else stops it
done

# The machine's print server, queues, default printer and configuration are as they were.
machine_after=$(machine_state)
if [[ $(machine lpstat -r 2>/dev/null) == "scheduler is running" ]]; then
    echo "the machine's print server is running: comparing its queues and default printer"
else
    echo "the machine's print server is not running: checking that it still is not"
fi
check "the machine's lpstat -r, -d, -p, -a and -v say the same as before:
--- before
$machine_before
--- after
$machine_after" test "$machine_before" = "$machine_after"
check "nothing in /etc/cups changed" test "$etc_cups_before" = "$(etc_cups_state)"

passed=$(grep -c '^pass$' "$RESULTS")
failed=$(grep -c '^fail$' "$RESULTS")
echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
