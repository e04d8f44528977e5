# Sourced by the end-to-end test scripts: check NAME COMMAND... runs the command and counts it
# as passed or failed; checks_result prints the count and fails when any check failed.
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

checks_result() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
}
