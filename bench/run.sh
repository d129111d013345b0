#!/usr/bin/env bash
# Times the photo export against the bare client loop (bench/baseline.cpp).
#
#   bench/run.sh           full series (5 rounds of every case; well over 20 minutes on two
#                          busy cores, see BENCH_* below to narrow it), writes bench/RESULTS.md
#   bench/run.sh --quick   smoke run (under a minute), writes bench/data/RESULTS-quick.md
#
# Programs timed, one after the other in one interleaved series per case:
#   baseline   build-bench/bench/baseline
#   cli        build-bench/src/cli/exportar-imagenes-cli
#   gui        build-bench/bench/guiexport (the export window under the offscreen platform)
# Cases: datasets a (2,000 x 100 KB), b (20,000 x 4 KB), c (1,000 x 1 MB); embedded
# engine and loopback server; output folder on the disk and on /dev/shm. Every run
# writes into a fresh folder, and every output is compared byte for byte with the
# baseline's. The catalogs are generated once and kept in bench/data/.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=$root/build-bench
data=$here/data
quick=0
[[ ${1:-} == --quick ]] && quick=1

# The series can be narrowed from the environment, for a loaded machine:
#   BENCH_ROUNDS  rounds after the warm-up (default 5, --quick 1)
#   BENCH_CASES   "dataset:access:fs[:rounds] ...", default every dataset x embedded,server x disk,shm
#   BENCH_REDO    datasets of the re-export series (default "a b", --quick "qa qb")
#   BENCH_REDO_FS where the re-export runs: disk (default) or shm
if ((quick)); then
    datasets=(qa qb)
    redo=(${BENCH_REDO:-qa qb})
    rounds_default=${BENCH_ROUNDS:-1}
    results=$data/RESULTS-quick.md
else
    datasets=(a b c)
    redo=(${BENCH_REDO:-a b})
    rounds_default=${BENCH_ROUNDS:-5}
    results=$here/RESULTS.md
fi
if [[ -n ${BENCH_CASES:-} ]]; then
    read -r -a cases <<<"$BENCH_CASES"
elif ((quick)); then
    cases=(qa:embedded:disk qa:embedded:shm qb:embedded:shm qa:server:shm)
    [[ -n ${BENCH_REDO_FS:-} ]] || BENCH_REDO_FS=shm
    redo=(${BENCH_REDO:-qb})
else
    cases=()
    for d in "${datasets[@]}"; do
        for access in embedded server; do
            for fs in disk shm; do cases+=("$d:$access:$fs"); done
        done
    done
fi
redo_fs=${BENCH_REDO_FS:-disk}
datasets=()
for c in "${cases[@]}" "${redo[@]}"; do
    d=${c%%:*}
    [[ " ${datasets[*]} " == *" $d "* ]] || datasets+=("$d")
done
command_line="bench/run.sh $*"
for v in BENCH_ROUNDS BENCH_CASES BENCH_REDO BENCH_REDO_FS; do
    [[ -n ${!v:-} ]] && command_line="$v=\"${!v}\" $command_line"
done

spec_of() { # photos bytes
    case $1 in
    a) echo "2000 102400" ;;
    b) echo "20000 4096" ;;
    c) echo "1000 1048576" ;;
    qa) echo "300 102400" ;;
    qb) echo "3000 4096" ;;
    esac
}

log() { printf '[%(%H:%M:%S)T] %s\n' -1 "$*" >&2; }

# --- build ---------------------------------------------------------------------------
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTIRELON_BENCH=ON -DTIRELON_TESTS=OFF >/dev/null
fi
ninja -C "$build" gencatalog baseline guiexport exportar-imagenes-cli >/dev/null
baseline=$build/bench/baseline
cli=$build/src/cli/exportar-imagenes-cli
gui=$build/bench/guiexport
[[ -x /usr/bin/time ]] || { apt-get install -y time >/dev/null; }
"$root/scripts/start-firebird.sh" >/dev/null

export ISC_USER=SYSDBA ISC_PASSWORD=masterkey QT_QPA_PLATFORM=offscreen

# --- datasets ------------------------------------------------------------------------
mkdir -p "$data"
for d in "${datasets[@]}"; do
    read -r photos bytes < <(spec_of "$d")
    dir=$data/$d
    if [[ ! -f $dir/generated || $(cat "$dir/generated") != "$photos $bytes" ]]; then
        log "generating dataset $d ($photos x $bytes bytes)"
        rm -rf "$dir"
        "$build/bench/gencatalog" "$dir" "$photos" "$bytes" | tee "$dir.summary" >&2
        # The loopback server runs as firebird and must read and write the database.
        chown -R firebird:firebird "$dir/erp/datos"
        echo "$photos $bytes" >"$dir/generated"
    fi
done

# --- one timed run -------------------------------------------------------------------
# run PROGRAM DATASET ACCESS FS [EXTRA]: exports into a fresh folder and appends one line
# "program dataset access fs wall_s rss_kb user_s sys_s" to $raw. Leaves the output in
# $outdir/erp/IMAGENES.
raw=$data/raw-$( ((quick)) && echo quick || echo full).tsv
: >"$raw"
outroot_disk=$data/out
outroot_shm=/dev/shm/tirelon-bench
prepare_out() { # fs -> sets outdir, fresh and empty, with its registry file
    local base
    [[ $1 == disk ]] && base=$outroot_disk || base=$outroot_shm
    outdir=$base/run
    rm -rf "$outdir"
    mkdir -p "$outdir/erp/IMAGENES"
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Dravik\\TirelonERP2024]\r\n"Directorio"="%s"\r\n' \
        "$outdir/erp" >"$outdir/registry.reg"
}

timed() { # label dataset access fs command...
    local label=$1 d=$2 access=$3 fs=$4
    shift 4
    local t0 t1 stats
    sync
    t0=$(date +%s%N)
    if ! TIRELON_REGISTRY=$outdir/registry.reg /usr/bin/time -f '%M %U %S' -o "$data/time.out" \
        "$@" >"$data/last.out" 2>"$data/last.err"; then
        log "FAILED: $label $d $access $fs"
        cat "$data/last.err" >&2
        exit 1
    fi
    t1=$(date +%s%N)
    stats=$(tail -1 "$data/time.out")
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$label" "$d" "$access" "$fs" \
        "$(awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.4f", (b-a)/1e9}')" "${stats// /$'\t'}" >>"$raw"
}

run_one() { # program dataset access fs-label
    local program=$1 d=$2 access=$3 fs=$4 server db
    server=$data/$d/erp
    [[ $access == server ]] && server=localhost:$server
    db=$server/datos/001/tirelon.fdb
    case $program in
    baseline) timed baseline "$d" "$access" "$fs" "$baseline" "$db" "$outdir/erp/IMAGENES" ;;
    cli) timed cli "$d" "$access" "$fs" "$cli" -q "$server" 001 ;;
    cli-solo) timed cli-solo "$d" "$access" "$fs" "$cli" -q --solo-cambios "$server" 001 ;;
    gui) timed gui "$d" "$access" "$fs" "$gui" "$server" 001 ;;
    esac
}

check_same() { # label: compares $outdir with the reference output of the dataset
    if ! diff -r -q "$reference" "$outdir/erp/IMAGENES" >"$data/diff.out" 2>&1; then
        log "OUTPUT DIFFERS from the baseline's: $1"
        head "$data/diff.out" >&2
        exit 1
    fi
}

# --- the fresh-export series ---------------------------------------------------------
programs=(baseline cli gui)
for c in "${cases[@]}"; do
    IFS=: read -r d access fs rounds <<<"$c"
    rounds=${rounds:-$rounds_default}
    reference=$data/$d/reference
    log "dataset $d, $access, $fs: warm-up and $rounds rounds"
    for ((r = 0; r <= rounds; r++)); do
        # Alternate the order so that neither program always follows the other.
        order=("${programs[@]}")
        ((r % 2)) && order=(gui cli baseline)
        for p in "${order[@]}"; do
            prepare_out "$fs"
            run_one "$p" "$d" "$access" "$fs"
            if ((r == 0)); then
                sed -i '$d' "$raw" # the warm-up is not counted
            fi
            if [[ $p == baseline && ! -d $reference ]]; then
                mv "$outdir/erp/IMAGENES" "$reference"
                mkdir -p "$outdir/erp/IMAGENES"
            else
                check_same "$p $d $access $fs round $r"
            fi
        done
    done
done

# --- re-export over a folder that holds every photo already ---------------------------
for d in "${redo[@]}"; do
    reference=$data/$d/reference
    rounds=$rounds_default
    if [[ ! -d $reference ]]; then
        prepare_out disk
        "$baseline" "$data/$d/erp/datos/001/tirelon.fdb" "$outdir/erp/IMAGENES" >/dev/null
        mv "$outdir/erp/IMAGENES" "$reference"
    fi
    log "dataset $d: re-export over a full folder, $rounds rounds"
    for ((r = 0; r <= rounds; r++)); do
        for p in baseline cli cli-solo; do
            prepare_out "$redo_fs"
            cp -a "$reference/." "$outdir/erp/IMAGENES/"
            run_one "$p" "$d" embedded "$redo_fs-full"
            if ((r == 0)); then
                sed -i '$d' "$raw"
            fi
            check_same "re-export $p $d round $r"
        done
    done
done
rm -rf "$outroot_disk" "$outroot_shm"

# --- tables --------------------------------------------------------------------------
python3 "$here/summarize.py" "$raw" "$data" "$command_line" "$here/notes.md" >"$results"
log "tables written to $results"
