# Helpers shared by the desktop checks; sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

step() {
    echo "== $*"
}

# wait_for SECONDS COMMAND...: runs the command every 0.2 s until it
# succeeds; false when the time runs out first.
wait_for() {
    wait_limit=$(($1 * 5))
    shift
    wait_tries=0
    until "$@"; do
        wait_tries=$((wait_tries + 1))
        [ "$wait_tries" -lt "$wait_limit" ] || return 1
        sleep 0.2
    done
}

# process_ended PID: whether the child PID has ended, waited for or not (a
# child that has ended stays as a zombie until it is waited for).
process_ended() {
    state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
    [ -z "$state" ] || [ "$state" = Z ]
}

# make_bundle PROGRAM FOLDER: a bundle of its own in FOLDER, readable by
# everyone: a copy of the program and of its built demo, whose start page a
# check may then replace.
make_bundle() {
    mkdir -p "$2/bin" "$2/share/velmorin-hd"
    cp "$1" "$2/bin/velmorin-hd"
    cp -R "$(dirname "$1")/../share/velmorin-hd/demo" "$2/share/velmorin-hd/demo"
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
