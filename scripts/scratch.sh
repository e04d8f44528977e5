# Sourced by the scripts that start programs in the background: a scratch folder in $work,
# and the programs' ids collected in $pids; both are cleaned up when the script exits.
work=$(mktemp -d)
pids=()
cleanup_scratch() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup_scratch EXIT
