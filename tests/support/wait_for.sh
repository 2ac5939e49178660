# shellcheck shell=bash
# wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds or the time is up.
wait_for() {
    local tries=$(($1 * 5))
    shift
    while [ "$tries" -gt 0 ]; do
        if "$@"; then
            return 0
        fi
        sleep 0.2
        tries=$((tries - 1))
    done
    return 1
}
