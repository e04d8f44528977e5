# Sourced by the tests of Keyglance in Wayland sessions, after scripts/scratch.sh: PASS/FAIL
# checks counted up to a verdict (checks_passed), log searches, and the program under test
# ($keyglance) started and stopped in the scratch folder.
passed=0
failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        echo "PASS: $name"
        passed=$((passed + 1))
    else
        echo "FAIL: $name"
        failed=$((failed + 1))
    fi
}
checks_passed() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}

logged() { grep -c -F -- "$2" "$1" || true; }
lines_in_order() {
    local log=$1 previous=0 line
    shift
    for text in "$@"; do
        line=$(grep -n -F -- "$text" "$log" | awk -F: -v after="$previous" '$1 > after {print $1; exit}')
        [ -n "$line" ] || return 1
        previous=$line
    done
}

# Starts Keyglance with its log in $1, with ASAN_OPTIONS extended by $keyglance_asan, and waits
# until it has tried to register Ctrl+Space.
start_keyglance() {
    log=$1
    (cd "$work" && ASAN_OPTIONS="${ASAN_OPTIONS:-}:${keyglance_asan:-}" exec "$keyglance") \
        >"$log" 2>&1 &
    keyglance_pid=$!
    pids+=($keyglance_pid)
    wait_for "grep -q 'Is Registered: ' '$log'"
}
stop_keyglance() {
    kill "$keyglance_pid"
    wait "$keyglance_pid"
}
