#!/usr/bin/env bash
# One archive of a cruise per Slurm array task: every archive is a job of its
# own, so thousands of daily archives spread over a cluster's nodes with no
# scheduler of ours. The list holds one archive path a line; task N extracts
# line N.
#
#   ls /data/cruise/CR*.??? >archives.txt
#   sbatch --array=1-$(wc -l <archives.txt)%100 scripts/slurm-cruise.sh archives.txt
#
# Settings (environment, exported by sbatch): RIX the rix program (default:
# rix on PATH), RIX_ISF and RIX_ESF the setup files (or RIX_SETUP, a .rix main
# setup), RIX_DEVDIR the device files, RIX_OUTDIR the output folder (shared by
# the nodes), RIX_EXTRA further options (e.g. --netcdf). Each task leaves its
# run's JSON summary in RIX_OUTDIR/summaries/ARCHIVE.json and ends with rix's
# exit status, so `sacct -j JOB --format=JobID,ExitCode` lists the days that
# failed (1) or lost channels (3).
#SBATCH --job-name=rix-cruise
#SBATCH --cpus-per-task=1
#SBATCH --mem=1G
#SBATCH --time=01:00:00
#SBATCH --output=rix-cruise-%A_%a.log
set -euo pipefail

list=${1:?usage: slurm-cruise.sh ARCHIVE-LIST}
task=${SLURM_ARRAY_TASK_ID:?not run as a Slurm array task (sbatch --array=1-N)}
archive=$(sed -n "${task}p" "$list")
if [ -z "$archive" ]; then
    echo "slurm-cruise: line $task of $list names no archive" >&2
    exit 2
fi

rix=${RIX:-rix}
outdir=${RIX_OUTDIR:-.}
mkdir -p "$outdir/summaries"
args=(extract --json --devdir "${RIX_DEVDIR:-.}" --outdir "$outdir")
[ -n "${RIX_SETUP:-}" ] && args+=(--setup "$RIX_SETUP")
[ -n "${RIX_ISF:-}" ] && args+=(--isf "$RIX_ISF")
[ -n "${RIX_ESF:-}" ] && args+=(--esf "$RIX_ESF")
# shellcheck disable=SC2206 # further options split on blanks on purpose
[ -n "${RIX_EXTRA:-}" ] && args+=($RIX_EXTRA)

status=0
"$rix" "${args[@]}" "$archive" >"$outdir/summaries/$(basename "$archive").json" || status=$?
echo "slurm-cruise: $archive ended with exit status $status"
exit "$status"
