# Helpers shared by the desktop and packaging checks; sourced, not run.
# $here is the folder of the script that runs.

here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

# need TOOL...: each tool is installed.
need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || fail "$tool is missing (tools/setup.sh installs it)"
    done
}

# make_work NAME: a fresh folder $work. On exit the program ($program) and
# then the server it shows on ($server) are ended, if still set, and the
# folder is removed; a signal exits so that this still happens.
make_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/velmorin-$1.XXXXXX")
    program="" server=""
    trap 'for pid in $program $server; do kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM
}

# wait_for SECONDS COMMAND...: runs the command every 0.2 s until it
# succeeds; false when the time runs out first.
wait_for() {
    wait_limit=$(($1 * 5)) wait_tries=0
    shift
    until "$@"; do
        [ $((wait_tries += 1)) -lt "$wait_limit" ] || return 1
        sleep 0.2
    done
}

# process_ended PID: whether the child PID has ended, waited for or not (a
# child that has ended stays as a zombie until it is waited for).
process_ended() {
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -z "$state" ] || [ "$state" = Z ]
}

# start_program COMMAND...: runs it in the background as $program, into $work/out and err.
start_program() { "$@" >"$work/out" 2>"$work/err" & program=$!; }

# finish_program SECONDS [MESSAGE]: the program ends by itself within the
# time, with status 0; MESSAGE is the failure when it does not end.
finish_program() {
    ended=yes
    wait_for "$1" process_ended "$program" || { ended=no; kill "$program"; }
    collect_status
    [ "$ended" = yes ] && [ "$status" -eq 0 ] && return
    tail -n 20 "$work/err" >&2
    [ "$ended" = yes ] || fail "${2:-the program was still running after $1 s}"
    fail "the program exited with $status"
}

# collect_status: $status is the ended program's exit status; $program is cleared.
collect_status() { wait "$program" && status=0 || status=$?; program=""; }

# make_bundle PROGRAM FOLDER: a bundle readable by everyone in FOLDER, a copy
# of the program, its media door and its built demo, whose start page a
# check may replace.
make_bundle() {
    mkdir -p "$2/bin" "$2/share/velmorin-hd" "$2/lib"
    cp "$1" "$2/bin/velmorin-hd"
    for part in share/velmorin-hd/demo lib/velmorin-hd; do cp -R "$(dirname "$1")/../$part" "$2/$part"; done
    chmod -R a+rX "$2"
}

# set_start_page BUNDLE HTML: makes HTML the bundle's start page. Its access
# time is set before its change time, so that the file system records the
# first read of it from then on (see start_page_read).
set_start_page() {
    page="$1/share/velmorin-hd/demo/index.html"
    printf '%s\n' "$2" >"$page"
    chmod a+r "$page"
    touch -a -d '2000-01-01 00:00:00' "$page"
}

# start_page_read BUNDLE: whether the start page was read since it was set.
start_page_read() {
    [ "$(stat -c %X "$1/share/velmorin-hd/demo/index.html")" -gt 946771200 ]
}
