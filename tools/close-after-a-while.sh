# Sourced by the scripts that try the started program (they define fail()).
# close_after_a_while PID STDERR_FILE [SECONDS]: lets the program run for SECONDS
# (4 unless given), then closes it by SIGTERM as the end of a session does. Fails when it ended by itself, did
# not close (an error report that nobody answers) or ended with a status not 0.
close_after_a_while() {
    sleep "${3:-4}"
    kill -0 "$1" 2>/dev/null || fail "the program ended by itself: $(cat "$2")"
    kill -TERM "$1"
    i=0
    while kill -0 "$1" 2>/dev/null; do
        i=$((i + 1))
        if [ "$i" -gt 40 ]; then
            kill -KILL "$1"
            fail "the program did not close (a message box?): $(cat "$2")"
        fi
        sleep 0.25
    done
    rc=0
    wait "$1" || rc=$?
    [ "$rc" -eq 0 ] || fail "the program ended with $rc: $(cat "$2")"
}
