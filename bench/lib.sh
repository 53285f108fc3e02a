# Shared by bench/run and bench/mix (sourced, not run).
#
# Environment: RIX_BENCH_BUILD  build folder (default: build-bench in the repository)
#              RIX_BENCH_TMP    scratch folder parent (default: $TMPDIR or /tmp)
#              RIX_BENCH_KEEP=1 keep the scratch folder

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${RIX_BENCH_BUILD:-$repo/build-bench}
rix=$build/src/cli/rix
mkarchive=$build/tools/rix-mkarchive

# GNU time reports the peak memory; the shell keyword does not.
bench_need_time() {
    if ! [ -x /usr/bin/time ]; then
        echo "== installing GNU time"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        $sudo apt-get install -y -qq time >/dev/null
    fi
}

# A release build of the command line and the generator.
bench_build() {
    if ! [ -f "$build/CMakeCache.txt" ]; then
        local generator=()
        command -v ninja >/dev/null && generator=(-G Ninja)
        echo "== configuring a release build in $build"
        cmake -S "$repo" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DRIX_TESTS=OFF >/dev/null
    fi
    echo "== building rix and rix-mkarchive"
    cmake --build "$build" --target rix rix-mkarchive >/dev/null
}

# Sets work to a fresh scratch folder, removed on exit unless RIX_BENCH_KEEP=1.
bench_scratch() {  # NAME
    work=$(mktemp -d "${RIX_BENCH_TMP:-${TMPDIR:-/tmp}}/$1.XXXXXX")
    if [ "${RIX_BENCH_KEEP:-0}" = 1 ]; then
        echo "== keeping $work"
    else
        trap 'rm -rf "$work"' EXIT
    fi
}

bench_check_space() {  # ARCHIVEBYTES OUTPUTFACTOR
    local free_kb need_kb
    free_kb=$(df -Pk "$work" | awk 'NR == 2 { print $4 }')
    need_kb=$(($1 * $2 / 1024))
    if [ "$free_kb" -lt "$need_kb" ]; then
        echo "bench: $work has $((free_kb / 1024)) MB free; the run needs about $((need_kb / 1024)) MB" >&2
        exit 1
    fi
}

# Runs rix extract ARGS... under GNU time into $work/time.txt; fails the bench when rix fails.
bench_extract() {
    local status=0
    /usr/bin/time -v -o "$work/time.txt" "$rix" extract "$@" >"$work/stdout.txt" 2>"$work/stderr.txt" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "bench: rix extract failed with exit status $status" >&2
        cat "$work/stderr.txt" >&2
        exit 1
    fi
}

# The bytes of every file in a folder.
bench_output_bytes() {  # DIR
    find "$1" -type f -printf '%s\n' | awk '{ s += $1 } END { printf "%d\n", s }'
}

now() { date +%s.%N; }

# The I/O floor of a run, measured now on the same machine and disk: reading
# the archive once and writing as many bytes as the run wrote, in 1 MB blocks,
# into the output folder. Sets floor_read and floor_write (seconds).
bench_io_floor() {  # ARCHIVE OUTDIR OUTPUTBYTES
    local t0 t1 t2
    t0=$(now)
    dd if="$1" of=/dev/null bs=1M status=none
    t1=$(now)
    dd if=/dev/zero of="$2/io-floor.bin" bs=1M count="$3" iflag=count_bytes status=none
    t2=$(now)
    rm -f "$2/io-floor.bin"
    floor_read=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
    floor_write=$(awk -v a="$t1" -v b="$t2" 'BEGIN { printf "%.3f", b - a }')
}

# Prints the report of a run: sizes, times, rates, the ratio to the I/O floor.
bench_report() {  # ARCHIVEBYTES OUTPUTBYTES CHANNELS
    awk -v bytes="$1" -v out="$2" -v channels="$3" -v fread="$floor_read" -v fwrite="$floor_write" -F': ' '
        /Elapsed \(wall clock\) time/ {
            n = split($2, part, ":")
            wall = 0
            for (i = 1; i <= n; i++) wall = wall * 60 + part[i]
        }
        /User time \(seconds\)/ { user = $2 }
        /System time \(seconds\)/ { sys = $2 }
        /Maximum resident set size/ { rss = $2 }
        END {
            mb = bytes / 1e6
            if (wall <= 0) wall = 0.01
            floor = fread + fwrite
            if (floor <= 0) floor = 0.001
            printf "archive          %.1f MB, %d channels\n", mb, channels
            printf "output           %.1f MB\n", out / 1e6
            printf "wall time        %.2f s (user %.2f s, system %.2f s)\n", wall, user, sys
            printf "archive rate     %.1f MB/s\n", mb / wall
            printf "channel passes   %.1f MB/s (%.1f MB x %d passes / %.2f s)\n", mb * channels / wall, mb, channels, wall
            printf "peak memory      %.1f MB (max RSS)\n", rss / 1024
            printf "I/O floor        %.3f s (read the archive %.3f s, write %.1f MB %.3f s): %.1f MB/s of archive\n",
                   floor, fread, out / 1e6, fwrite, mb / floor
            printf "ratio to floor   %.1f (rix wall time / I/O floor time)\n", wall / floor
        }' "$work/time.txt"
}
