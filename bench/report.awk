# Turns the benchmark result lines into docs/performance.md.
# Variables: machine, duration, presses, rounds, show_seconds.

function field(name) { return (name in f) ? f[name] : "" }

function ms(value) { return value == "" || value == "nan" ? "–" : sprintf("%.2f", value) }

function ratio(value, base) {
    if (value == "" || base == "" || value == "nan" || base == "nan" || base + 0 == 0)
        return "–"
    return sprintf("%.2f×", value / base)
}

function mib(kb) { return kb == "" ? "–" : sprintf("%.1f", kb / 1024) }

function thousands(n) {
    n = sprintf("%d", n)
    while (n ~ /[0-9][0-9][0-9][0-9]/)
        sub(/[0-9][0-9][0-9]([,.]|$)/, ",&", n)
    return n
}

{
    delete f
    for (i = 2; i <= NF; ++i) {
        split($i, pair, "=")
        f[pair[1]] = pair[2]
    }
    if ($1 == "latency") {
        key = field("session") SUBSEP field("target") SUBSEP field("phase")
        for (stat in statNames)
            latency[key, stat] = field(stat)
        latency[key, "failed"] = field("failed")
        sessions[field("session")] = 1
    } else if ($1 == "memory") {
        memRss[field("target"), field("stage")] = field("rss_kb")
        memPss[field("target"), field("stage")] = field("pss_kb")
        memAnon[field("target"), field("stage")] = field("anon_kb")
        memDrawn[field("target"), field("stage")] = field("drawn_p50")
        memCpu[field("target"), field("stage")] = field("cpu_ms_per_cycle")
        if (field("target") == "keyglance" && field("stage") ~ /^cycles-/)
            cycleStages[++cycleStageCount] = field("stage")
    } else if ($1 == "startup") {
        startup[field("target")] = field("median_ms") " " field("min_ms") " " field("max_ms") " " field("runs")
    } else if ($1 == "pershow") {
        shows[++showCount] = $0
    } else if ($1 == "cpu") {
        cpu[field("session"), field("target")] = field("ms_per_cycle")
    } else if ($1 == "start") {
        key = field("session") SUBSEP field("target")
        n = ++startCount[key]
        startRound[key, n] = field("round")
        startFront[key, n] = field("front")
        startFirst[key, n] = field("first")
        startP50[key, n] = field("p50")
        startP95[key, n] = field("p95")
        split("first_cpu_ms cpu_ms_per_cycle first_server_cpu_ms server_cpu_ms_per_cycle first_server_faults server_faults_per_cycle", costNames, " ")
        for (c in costNames)
            startCost[key, costNames[c], n] = field(costNames[c])
        if (!(field("front") in fronts)) {
            fronts[field("front")] = 1
            frontOrder[++frontCount] = field("front")
        }
    } else if ($1 == "first") {
        firstByFront[field("session"), field("target"), field("phase"), field("front")] = field("median")
    } else if ($1 == "check") {
        checks[field("session")] = field("front_listed") " of " field("shows")
    }
}

BEGIN {
    statNames["first"]; statNames["p50"]; statNames["p95"]; statNames["max"]
    targetLabel["keyglance"] = "Keyglance"
    targetLabel["reference"] = "reference popup"
    targetLabel["xcb"] = "plain xcb window"
    targetLabel["bare"] = "bare QApplication"
    phaseLabel["mapped"] = "mapped"
    phaseLabel["drawn"] = "first frame"
    phaseLabel["unmapped"] = "unmapped"
    sessionLabel["openbox"] = "With openbox"
    sessionLabel["none"] = "Without a window manager"
}

function latencyTable(session,    t, p, targets, phases, s, key, base, row, f) {
    split("keyglance reference xcb", targets, " ")
    split("mapped drawn unmapped", phases, " ")
    print "### " sessionLabel[session]
    print ""
    row = "| Popup | Event"
    for (f = 1; f <= frontCount; ++f)
        row = row " | first press, " frontOrder[f] " in front"
    print row " | p50 | p95 | max |"
    row = "| --- | ---"
    for (f = 1; f <= frontCount + 3; ++f)
        row = row " | ---:"
    print row " |"
    for (t = 1; t <= 3; ++t) {
        for (p = 1; p <= 3; ++p) {
            key = session SUBSEP targets[t] SUBSEP phases[p]
            row = "| " targetLabel[targets[t]] " | " phaseLabel[phases[p]]
            for (f = 1; f <= frontCount; ++f)
                row = row " | " withRatio(firstByFront[key, frontOrder[f]], \
                    firstByFront[session, "reference", phases[p], frontOrder[f]], targets[t])
            split("p50 p95 max", s, " ")
            for (i = 1; i <= 3; ++i)
                row = row " | " withRatio(latency[key, s[i]], \
                    latency[session, "reference", phases[p], s[i]], targets[t])
            print row " |"
        }
    }
    print ""
    failed = latency[session, "keyglance", "mapped", "failed"] + latency[session, "reference", "mapped", "failed"] + latency[session, "xcb", "mapped", "failed"]
    print "CPU time of the program per show and hide: Keyglance " ms(cpu[session, "keyglance"]) " ms (" \
        ratio(cpu[session, "keyglance"], cpu[session, "reference"]) "), reference popup " \
        ms(cpu[session, "reference"]) " ms, plain xcb window " ms(cpu[session, "xcb"]) " ms (" \
        ratio(cpu[session, "xcb"], cpu[session, "reference"]) ")."
    print ""
    print "Presses that timed out (5 s): " failed ". Shows of Keyglance that listed the front program's shortcuts: " checks[session] "."
    print ""
    startTable(session)
}

function withRatio(value, base, target) {
    return target == "reference" ? ms(value) : ms(value) " (" ratio(value, base) ")"
}

# The median of the n values in v (sorted in place): the mean of the middle two for an even n.
function middle(v, n,    i, j, tmp) {
    for (i = 2; i <= n; ++i)
        for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; --j) {
            tmp = v[j]; v[j] = v[j - 1]; v[j - 1] = tmp
        }
    if (n == 0)
        return ""
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}

# The median of the per-start p50s of one popup.
function startMedian(session, target,    key, n, i, v) {
    key = session SUBSEP target
    n = startCount[key]
    for (i = 1; i <= n; ++i)
        v[i] = startP50[key, i]
    return middle(v, n)
}

# The reference popup's slowest and fastest start over the median of its starts: how far this
# machine alone moves a start.
function referenceSpread(session, base,    key, i, low, high) {
    key = session SUBSEP "reference"
    for (i = 1; i <= startCount[key]; ++i) {
        if (low == "" || startP50[key, i] + 0 < low + 0)
            low = startP50[key, i]
        if (high == "" || startP50[key, i] + 0 > high + 0)
            high = startP50[key, i]
    }
    return ratio(low, base) " to " ratio(high, base)
}

function startTable(session,    key, ref, xcb, n, i, worst, later, base, f) {
    key = session SUBSEP "keyglance"
    n = startCount[key]
    if (n == 0)
        return
    ref = session SUBSEP "reference"
    xcb = session SUBSEP "xcb"
    base = startMedian(session, "reference")
    print "Each start on its own (first frame, ms). Start 1 is the first Keyglance process in this X"
    print "session; the later ones follow it in the same session. In brackets: Keyglance's p50"
    print "divided by the median of the reference popup's per-start p50s (" ms(base) " ms)."
    print ""
    print "| Start | Front program | Keyglance first press | Keyglance p50 | Keyglance p95 | reference p50 | plain xcb p50 |"
    print "| ---: | --- | ---: | ---: | ---: | ---: | ---: |"
    worst = ""
    for (i = 1; i <= n; ++i) {
        print "| " startRound[key, i] " | " startFront[key, i] " | " ms(startFirst[key, i]) " | " \
            ms(startP50[key, i]) " (" ratio(startP50[key, i], base) ") | " ms(startP95[key, i]) \
            " | " ms(roundP50(ref, startRound[key, i])) " | " ms(roundP50(xcb, startRound[key, i])) " |"
        if (worst == "" || startP50[key, i] + 0 > worst + 0)
            worst = startP50[key, i]
    }
    print ""
    later = ""
    for (i = 2; i <= n; ++i)
        later = later (later == "" ? "" : ", ") ms(startP50[key, i])
    print "Keyglance p50 of the first start in the session " ms(startP50[key, 1]) " ms, of the later" \
        " starts " later " ms; the slowest start is " ratio(worst, base) " the reference popup's median."
    print "The reference popup's own starts range from " referenceSpread(session, base) " that median."
    printf "First press over a later press (Keyglance first press / p50, first frame):"
    for (f = 1; f <= frontCount; ++f)
        printf "%s %s %s", (f > 1 ? "," : ""), frontOrder[f], \
            ratio(firstByFront[session, "keyglance", "drawn", frontOrder[f]], latency[session, "keyglance", "drawn", "p50"])
    print "."
    print ""
    costTable(session)
}

# The median over the starts of one popup of one of its per-start figures.
function costMedian(key, name,    n, i, v) {
    n = startCount[key]
    for (i = 1; i <= n; ++i)
        v[i] = startCost[key, name, i]
    return middle(v, n)
}

function costTable(session,    targets, t, key) {
    split("keyglance reference xcb", targets, " ")
    print "Work per show and hide, median over the starts: the program's own CPU time and the X"
    print "server's CPU time and minor page faults, for the first show of a start and for a later one."
    print ""
    print "| Popup | CPU, first | CPU, later | X server CPU, first | X server CPU, later | X server faults, first | X server faults, later |"
    print "| --- | ---: | ---: | ---: | ---: | ---: | ---: |"
    for (t = 1; t <= 3; ++t) {
        key = session SUBSEP targets[t]
        if (startCount[key] == 0)
            continue
        print "| " targetLabel[targets[t]] " | " ms(costMedian(key, "first_cpu_ms")) " | " \
            ms(costMedian(key, "cpu_ms_per_cycle")) " | " ms(costMedian(key, "first_server_cpu_ms")) \
            " | " ms(costMedian(key, "server_cpu_ms_per_cycle")) " | " \
            sprintf("%d", costMedian(key, "first_server_faults")) " | " \
            sprintf("%d", costMedian(key, "server_faults_per_cycle")) " |"
    }
    print ""
}

function roundP50(key, round,    i) {
    for (i = 1; i <= startCount[key]; ++i)
        if (startRound[key, i] == round)
            return startP50[key, i]
    return ""
}

function memoryRow(target, stage, label) {
    if (memRss[target, stage] == "")
        return
    print "| " targetLabel[target] " | " label " | " mib(memRss[target, stage]) " | " mib(memPss[target, stage]) \
        " | " mib(memAnon[target, stage]) " | " ratio(memRss[target, stage], memRss["bare", "idle"]) \
        " | " ratio(memPss[target, stage], memPss["bare", "idle"]) \
        " | " ratio(memAnon[target, stage], memAnon["bare", "idle"]) " |"
}

END {
    print "# Performance"
    print ""
    print "Every figure below comes from one command, which installs what is missing, builds the"
    print "benchmarks in Release into `build-bench/`, runs them and rewrites this file (" duration " here):"
    print ""
    print "```sh"
    print "scripts/bench.sh"
    print "```"
    print ""
    print "Counts can be changed through the environment: `BENCH_PRESSES` (presses per popup and"
    print "session, default 600), `BENCH_ROUNDS` (starts they are split over, default 10),"
    print "`BENCH_CYCLES` (show/hide cycles for memory, default 10000), `BENCH_STARTS` (start-up"
    print "runs, default 10), `BENCH_SHOW_SECONDS` (time per data file, default 2)."
    print ""
    print "Machine: " machine "."
    print ""

    print "## Hotkey latency"
    print ""
    print "Milliseconds from Ctrl+Space typed to the popup window mapped and to its first frame drawn,"
    print "and from the next Ctrl+Space to the window unmapped. Each popup program is started " rounds
    print "times in one X session, taking turns with the other two, and the program in front takes"
    print "turns from one round to the next: Geany, which sets `_NET_WM_PID`, and xlogo, which does"
    print "not (Keyglance names it through the X-Resource extension); each has 60 shortcut rows in"
    print "three groups. *First press* is the median over the starts with that program in front of"
    print "the first press after start-up, the other columns cover " presses " more presses in all."
    print "In brackets: the figure divided by the reference popup's."
    print ""
    for (s = 1; s <= 2; ++s) {
        session = s == 1 ? "openbox" : "none"
        if (session in sessions)
            latencyTable(session)
    }

    print "## Memory"
    print ""
    print "MiB from `/proc/PID/smaps_rollup`, without a window manager: resident (RSS), proportional"
    print "(PSS: shared pages divided among the processes mapping them, so it moves with whatever"
    print "else runs) and anonymous (heap and stacks, the process's own whoever else runs). Ratios"
    print "are to the bare QApplication with one hidden widget."
    print ""
    print "| Process | When | RSS | PSS | anonymous | RSS / bare | PSS / bare | anonymous / bare |"
    print "| --- | --- | ---: | ---: | ---: | ---: | ---: | ---: |"
    memoryRow("bare", "idle", "idle")
    memoryRow("keyglance", "idle", "idle, before any show")
    memoryRow("keyglance", "first-show", "after the first show and hide")
    for (c = 1; c <= cycleStageCount; ++c) {
        stage = cycleStages[c]
        count = stage
        sub(/^cycles-/, "", count)
        memoryRow("keyglance", stage, "after " thousands(count) " cycles")
    }
    memoryRow("reference", "idle", "idle, before any show")
    memoryRow("reference", "first-show", "after the first show and hide")
    print ""
    if (cycleStageCount >= 2) {
        first = cycleStages[1]
        last = cycleStages[cycleStageCount]
        from = first; sub(/^cycles-/, "", from)
        to = last; sub(/^cycles-/, "", to)
        print "Growth of Keyglance from " thousands(from) " to " thousands(to) " cycles: RSS " \
            sprintf("%+d", memRss["keyglance", last] - memRss["keyglance", first]) " kB, PSS " \
            sprintf("%+d", memPss["keyglance", last] - memPss["keyglance", first]) " kB, anonymous " \
            sprintf("%+d", memAnon["keyglance", last] - memAnon["keyglance", first]) " kB."
        print "Over those cycles: median time to the first frame " ms(memDrawn["keyglance", last]) \
            " ms, CPU time " ms(memCpu["keyglance", last]) " ms a cycle (over the first " thousands(from) \
            ": " ms(memDrawn["keyglance", first]) " ms and " ms(memCpu["keyglance", first]) " ms)."
        print ""
    }

    print "## Start-up"
    print ""
    print "Milliseconds from fork to the line `Is Registered:  true` on the program's output, that is"
    print "until Ctrl+Space is grabbed."
    print ""
    print "| Program | median | min | max | median / reference |"
    print "| --- | ---: | ---: | ---: | ---: |"
    split(startup["reference"], ref, " ")
    split("keyglance reference", programs, " ")
    for (p = 1; p <= 2; ++p) {
        if (!(programs[p] in startup))
            continue
        split(startup[programs[p]], v, " ")
        print "| " targetLabel[programs[p]] " (" v[4] " runs) | " ms(v[1]) " | " ms(v[2]) " | " ms(v[3]) " | " ratio(v[1], ref[1]) " |"
    }
    print ""

    print "## Per-show cost"
    print ""
    print "What a show does besides drawing, timed without a window (offscreen platform): clear the"
    print "three lists, read and parse the data file, build the program's rows, fill the lists."
    print "Median over as many iterations as fit in " show_seconds " s. Generated files hold the looked-up"
    print "program (50 shortcuts in 5 groups) and filler programs; the shipped file is looked up for"
    print "`geany`."
    print ""
    print "| Data file | Size | Iterations | Per show | Read + parse | Rows | Lists | Per MB |"
    print "| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: |"
    for (s = 1; s <= showCount; ++s) {
        $0 = shows[s]
        delete f
        for (i = 2; i <= NF; ++i) {
            split($i, pair, "=")
            f[pair[1]] = pair[2]
        }
        print "| " field("file") " | " sprintf("%.0f KB", field("bytes") / 1000) " | " field("iterations") \
            " | " sprintf("%.0f µs", field("total_us")) " | " sprintf("%.0f µs", field("read_parse_us")) \
            " | " sprintf("%.0f µs", field("rows_us")) " | " sprintf("%.0f µs", field("fill_us")) \
            " | " sprintf("%.0f µs", field("us_per_mb")) " |"
    }
    print ""

    print "## Where the first press and the memory go"
    print ""
    print "- Every show. An X server that keeps pixmaps in main memory, as Xvfb does, gives the"
    print "  translucent popup (and openbox's 32-bit frame around it) 1200x800 pixmaps from malloc at"
    print "  every map and frees them at every unmap. When nothing of the popup lies above them in the"
    print "  server's heap, glibc gives them back to the system at every hide, and every show faults"
    print "  about 1,850 pages in again: 6 to 8 ms more server CPU a show for the process's whole life"
    print "  (the *X server faults, later* column). Two things left them there. Start-up used to draw"
    print "  through the real backing store, so Qt's 3.7 MiB copy in the server lay below them; the"
    print "  buffers are now the first show's to make, after the server's. And in a fresh X server"
    print "  glibc still serves blocks that large with mmap, so the first show's pixmaps and Qt's copy"
    print "  were mmapped and the next shows' pixmaps sat at the top of the heap; start-up now makes"
    print "  and frees one window-sized pixmap, which moves glibc to the heap before the first show."
    print "  Two waits are gone as well: the first paint of a show began with a round trip in which"
    print "  Qt waits for the server to have read the previous flush out of the shared buffer, queued"
    print "  behind the server's mapping work (now taken while hidden), and showing could repaint the"
    print "  rows a second time, for the children's posted repaints and for the focus the window"
    print "  manager gives (the lists are disabled and look the same either way). Left as it is: Qt 5"
    print "  sends the whole window to the server twice a show, once for the MapNotify and once for"
    print "  the server's Expose (the reference popup does the same); the second copy comes after the"
    print "  first frame."
    print "- First press. Start-up runs the foreground lookup once, creates the native window, draws"
    print "  the popup once into an image, which loads its styles and fonts, and draws every distinct"
    print "  row and group header of the data file once, from a whole pixel as the lists do. Text is"
    print "  drawn at fractions of a pixel and a glyph is cached once for each fraction it was drawn"
    print "  at, so this leaves the glyphs of whichever program is in front ready at the offsets its"
    print "  rows need (`Keyglance::prepareFirstShow`; for the shipped file 973 rows and 47 headers,"
    print "  about 90 ms of work after Ctrl+Space is grabbed, and about 0.5 MiB more resident memory"
    print "  for the glyph cache and font pages). What a first press still does that later ones do"
    print "  not: the shared buffer is made and paged in, and the X server fills its first pixmaps"
    print "  (the *first* columns above)."
    print "- Memory. Above the bare process after the cycles: the 1200x800 ARGB pixel buffer shared"
    print "  with the X server (3.7 MiB), the pages of the Chinese font file that FreeType read (about"
    print "  3 MiB), the drawing code of Qt Gui and Widgets, FreeType and HarfBuzz (about 4.5 MiB),"
    print "  the network library with its Kerberos dependencies and bearer plugins (about 2 MiB), and"
    print "  the heap (about 2 MiB: the parsed data file, glyph caches, font tables). The pixel"
    print "  buffer is made at the first show, so it is not in the idle figures. Releasing it while"
    print "  hidden brings the resident size to about 1.59x the bare process, but every show then"
    print "  pays for a new buffer: the median time to the first frame went from about 10 ms to"
    print "  about 31 ms, so the buffer is kept."
    print ""
    print "## Method"
    print ""
    print "- Latency: `bench/latency_probe` on a private Xvfb server (1920x1080, depth 24, from"
    print "  `tests/x11-session.sh`), once with openbox and once without a window manager. The Geany"
    print "  editor or xlogo is in front: before each show the probe makes it the active window (a"
    print "  `_NET_ACTIVE_WINDOW` request to openbox, or the input focus without one). The data file"
    print "  is the shipped one with the entries of both replaced by those in"
    print "  `bench/front-programs.json`, 60 shortcut rows each. It types"
    print "  Ctrl+Space with XTest (Control and space down, space and Control up, one flush) and takes"
    print "  the CLOCK_MONOTONIC time just before. *Mapped* is the MapNotify of the popup's own"
    print "  window, found by its title (new top-level windows are watched on the root window; with"
    print "  openbox the client window inside the frame is watched). *First frame* is the first"
    print "  DamageNotify after the map from a Damage object on that window: the popups have no"
    print "  window background, so with openbox the first damage is their own drawing. Without a"
    print "  window manager the X server redirects a 32-bit popup itself and, on mapping it, fills"
    print "  it with what lies below, which is damage too: there the probe takes every damaged"
    print "  rectangle and skips that fill, the first report after the map. *Unmapped*"
    print "  is the UnmapNotify after the next press; with openbox the probe then also waits until"
    print "  openbox has released the window. The first press comes 1 s after the ready line; every"
    print "  wait gives up after 5 s. The popups take turns (a run of each, then the next round"
    print "  starting with the next popup), so a passing load on the machine falls on all of them."
    print "  Each start's own figures are printed too, so a start that is slow on every press stands"
    print "  out instead of moving a pooled median a little. CPU time is the run time of the"
    print "  program's threads from `/proc/PID/task/*/schedstat`, for the first show and hide and over"
    print "  the presses after it, divided by their count; the X server, found through the peer of"
    print "  the probe's socket, is counted the same way, with its minor page faults from"
    print "  `/proc/PID/stat`."
    print "- Reference popup (`bench/reference_popup.cpp`): the least Qt 5 code for the same popup:"
    print "  1200x800, `Qt::Tool | FramelessWindowHint | WindowStaysOnTopHint`, translucent"
    print "  background, opacity 0.9, black style sheet, three QListWidgets of 20 rows each filled"
    print "  from `./data.json` re-read at every show, toggled through the project's QHotkey, no"
    print "  tuning. Floor (`bench/xcb_popup.cpp`): plain xcb, grabs Ctrl+Space itself, maps or"
    print "  unmaps a 1200x800 window and fills it black on Expose."
    print "- Memory: `latency_probe memory` reads `smaps_rollup` 1 s after the ready line, after the"
    print "  first show and hide, and after the cycle counts (one cycle: a show and a hide, each"
    print "  waited for as above), 1 s after the last hide each time. `bench/bare_qt.cpp` is a"
    print "  QApplication with one hidden QWidget, started the same way."
    print "- Start-up: `latency_probe startup` forks and execs the program with its output on a"
    print "  pipe and stops the clock when the ready line is read; the program is then stopped."
    print "- Per-show cost: `bench/per_show_bench.cpp` calls `loadShortcutFile`, `shortcutRows` and"
    print "  `fillShortcutColumns`, the functions a show runs, with a message handler that drops"
    print "  qDebug output while timing."
}
