# Sourced by the scripts that start programs in the background: a scratch folder in $work,
# and the programs' ids collected in $pids; both are cleaned up when the script exits.
# wait_for polls for what they wait on.
work=$(mktemp -d)
pids=()
cleanup_scratch() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup_scratch EXIT

# Polls a shell condition every tenth of a second for up to $2 seconds (default 20).
wait_for() {
    for _ in $(seq 1 $((${2:-20} * 10))); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    echo "timed out waiting for: $1" >&2
    return 1
}
