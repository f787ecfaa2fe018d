#!/usr/bin/env bash
# The benchmark: Vexa against the least tray program that offers what Vexa offers at start
# (bench/BareTray.cpp), as it is and with Vexa's manifest (version 6 of the common controls).
# Builds both architectures, then runs the three 64-bit programs in turn under Wine on a virtual
# display, a warm-up round first, and prints the medians and Vexa's ratios:
#
#   icon_ms        process start (the probe's CreateProcess) to the icon in the notification area
#   private_kib    the Wine process's private pages, Private_Clean + Private_Dirty of
#                  /proc/<pid>/smaps_rollup, once the start is over
#   idle_switches  voluntary + nonvoluntary context switches of all the process's threads
#                  (/proc/<pid>/task/*/status) during 10 s without input
#   growth_kib     private pages after 200 menu openings and 200 show/hide cycles of the
#                  settings window, less those after 10 of each
#   exe_bytes      the stripped release executables of both architectures
#   status_ms      Vexa.exe /status, start to end, against a console program that does nothing
#                  (bench/DoNothing.cpp), in pairs of runs one right after the other, with no
#                  Vexa running and with one; its ratio is the median of the ratios within pairs
#
# The start time also gets a second ratio, steadier on a shared machine: the median over the
# sets of three timing-only starts, one of each program right after the other, of Vexa's ratio
# within the set.
#
# The table is also written as CSV: build/bench/summary.csv (every run in runs.csv, every start
# in icons.csv, the machine in machine.txt). It only reports: nothing here passes or fails on a
# figure.
#
#   --rounds N   measured rounds after the warm-up (default 7, at least 7 for docs/benchmark.md)
#   --starts N   further sets of starts in each round that only time the icon (default 3):
#                the start time varies most, and gets the most samples
#   --no-build   use the executables already built
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
root=$PWD

rounds=7 starts=3 build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --rounds) rounds=$2; shift 2 ;;
    --starts) starts=$2; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: $0 [--rounds N] [--starts N] [--no-build]" >&2; exit 2 ;;
  esac
done

if [ "$build" = 1 ]; then
  bash scripts/install-deps.sh
  bash scripts/build.sh >/dev/null
fi
out=$root/build/bench
mkdir -p "$out"
for arch in i686 x86_64; do
  for exe in Vexa BareTray BareTrayV6 BenchProbe DoNothing; do
    [ -f "build/$arch/$exe.exe" ] || { echo "build/$arch/$exe.exe is missing: build first" >&2; exit 1; }
  done
done

. scripts/wine-env.sh
vexa_env_start

# The programs run from a folder of this prefix alone, so that their Wine processes are known
# by their command lines and this prefix, and by nothing else.
bench_dir=$WINEPREFIX/drive_c/bench
mkdir -p "$bench_dir"
for exe in Vexa BareTray BareTrayV6 BenchProbe DoNothing; do cp "build/x86_64/$exe.exe" "$bench_dir/"; done

# The probe's output goes through a file: the programs it starts, and Wine's desktop process,
# inherit its output descriptors and outlive it, so a pipe would never close.
probe_out=$out/probe.out
probe() {
  local rc=0
  wine 'C:\bench\BenchProbe.exe' "$@" >"$probe_out" 2>&1 </dev/null || rc=$?
  tr -d '\r' <"$probe_out"
  return $rc
}

# The Linux process of the Windows program started from C:\bench\<name>, in this prefix.
linux_pid_of() {
  local name='C:\bench\'$1 p
  for _ in $(seq 200); do
    for p in /proc/[0-9]*; do
      # Processes may end while they are looked at.
      [ "$({ tr '\0' '\n' <"$p/cmdline"; } 2>/dev/null | head -n 1)" = "$name" ] || continue
      { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
      echo "${p#/proc/}"
      return 0
    done
    sleep 0.05
  done
  echo "no Linux process runs $name" >&2
  return 1
}

private_kib() { awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s}' "/proc/$1/smaps_rollup"; }

context_switches() {
  cat "/proc/$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches:/ {s += $2} END {print s}'
}

# A start that only times the icon, and the program's end: prints icon_ms.
time_start() {
  local exe=$1 kind=$2 started
  started=$(probe start "$kind" 'C:\bench\'"$exe") || { echo "$started" >&2; return 1; }
  probe exit "$kind" "$(awk '/^pid/ {print $2}' <<<"$started")" >/dev/null
  awk '/^icon_ms/ {print $2}' <<<"$started"
}

# One run of one program: prints "icon_ms private_kib idle_switches growth_kib".
run_one() {
  local exe=$1 kind=$2 started winpid pid mem cs0 cs1 mem10 mem200
  started=$(probe start "$kind" 'C:\bench\'"$exe") || { echo "$started" >&2; return 1; }
  winpid=$(awk '/^pid/ {print $2}' <<<"$started")
  pid=$(linux_pid_of "$exe")
  sleep 1 # what the start left to do in the background (the shell's drawing) is over
  mem=$(private_kib "$pid")
  cs0=$(context_switches "$pid")
  sleep 10
  cs1=$(context_switches "$pid")
  probe cycle "$kind" "$winpid" 10 >/dev/null
  mem10=$(private_kib "$pid")
  probe cycle "$kind" "$winpid" 190 >/dev/null
  mem200=$(private_kib "$pid")
  probe exit "$kind" "$winpid" >/dev/null
  echo "$(awk '/^icon_ms/ {print $2}' <<<"$started") $mem $((cs1 - cs0)) $((mem200 - mem10))"
}

started=$(date -u '+%Y-%m-%d %H:%M')
programs=("BareTray.exe bare" "BareTrayV6.exe bare" "Vexa.exe vexa")
# Alternating order, so that no program always follows the same other one.
order_of() { if [ $(($1 % 2)) = 0 ]; then echo 0 1 2; else echo 2 1 0; fi; }
runs=$out/runs.csv
echo "round,program,icon_ms,private_kib,idle_switches,growth_kib" >"$runs"
# Every start, by round and set: a set is one start of each of the three programs, one right
# after the other, so that its ratios compare starts made under the same load of the machine.
icons=$out/icons.csv
echo "round,set,program,icon_ms" >"$icons"
for round in $(seq 0 "$rounds"); do
  label="round $round"
  [ "$round" = 0 ] && label="warm-up"
  for i in $(order_of "$round"); do
    read -r exe kind <<<"${programs[$i]}"
    figures=$(run_one "$exe" "$kind")
    echo "  $label: ${exe%.exe} $figures (icon_ms private_kib idle_switches growth_kib)" >&2
    [ "$round" = 0 ] || echo "$round,${exe%.exe},${figures// /,}" >>"$runs"
    [ "$round" = 0 ] || echo "$round,0,${exe%.exe},${figures%% *}" >>"$icons"
  done
  for set in $(seq "$starts"); do
    for i in $(order_of $((round + set))); do
      read -r exe kind <<<"${programs[$i]}"
      icon=$(time_start "$exe" "$kind")
      [ "$round" = 0 ] || echo "$round,$set,${exe%.exe},$icon" >>"$icons"
    done
  done
done

# The command line: pairs of runs of the do-nothing program and Vexa.exe /status, started the
# same way by the probe, first with no Vexa running, then with one answering.
pairs=$out/pairs.csv
echo "vexa_running,pair,do_nothing_ms,status_ms" >"$pairs"
command_pairs() {
  probe pairs "$1" 'C:\bench\DoNothing.exe' 'C:\bench\Vexa.exe' /status |
    awk -v running="$2" '/^pair/ {n++; print running "," n "," $2 "," $3}'
}
command_pairs 3 0 >/dev/null # warm-up
command_pairs $((rounds * 5)) 0 >>"$pairs"
vexa_started=$(probe start vexa 'C:\bench\Vexa.exe')
command_pairs $((rounds * 5)) 1 >>"$pairs"
probe exit vexa "$(awk '/^pid/ {print $2}' <<<"$vexa_started")" >/dev/null

{
  echo "cpu: $(awk -F': ' '/^model name/ {print $2; exit}' /proc/cpuinfo)"
  echo "cores: $(nproc)"
  echo "wine: $(wine --version 2>/dev/null)"
  echo "date: $started to $(date -u '+%H:%M') UTC"
  echo "rounds: $rounds (after one warm-up), $((starts + 1)) starts of each program per round"
} >"$out/machine.txt"

sizes=$out/sizes.csv
echo "arch,program,bytes" >"$sizes"
for arch in i686 x86_64; do
  for exe in BareTray BareTrayV6 Vexa; do
    echo "$arch,$exe,$(stat -c %s "build/$arch/$exe.exe")" >>"$sizes"
  done
done

python3 - "$runs" "$icons" "$sizes" "$out/summary.csv" "$out/machine.txt" <<'EOF'
import csv, statistics, sys
runs_path, icons_path, sizes_path, summary_path, machine_path = sys.argv[1:]
runs = list(csv.DictReader(open(runs_path)))
icons = list(csv.DictReader(open(icons_path)))
sizes = list(csv.DictReader(open(sizes_path)))
programs = ["BareTray", "BareTrayV6", "Vexa"]
# Each figure with whether Vexa's ratio to the bare programs means anything: counts that should
# be zero (wake-ups, growth) are compared as they are, a ratio of a few pages of noise to another
# says nothing.
rows = []
for metric, unit, compared in [("icon_ms", "ms", True), ("private_kib", "KiB", True),
                               ("idle_switches", "per 10 s", False), ("growth_kib", "KiB", False)]:
    source = icons if metric == "icon_ms" else runs
    med = {p: statistics.median(float(r[metric]) for r in source if r["program"] == p)
           for p in programs}
    rows.append((metric, unit, med, compared))
for arch in ["i686", "x86_64"]:
    med = {r["program"]: float(r["bytes"]) for r in sizes if r["arch"] == arch}
    rows.append(("exe_bytes_" + arch, "B", med, True))

def ratios(med, compared):
    if not compared:
        return ["", ""]
    return ["%.2f" % (med["Vexa"] / med[base]) for base in ["BareTray", "BareTrayV6"]]

# The start time moves with the load of the shared machine from one minute to the next; the
# ratio within each set of three starts made one right after the other moves much less.
# Set 0 is the full runs' starts, a quarter of a minute apart: it is left out.
sets = {}
for r in icons:
    if r["set"] != "0":
        sets.setdefault((r["round"], r["set"]), {})[r["program"]] = float(r["icon_ms"])
complete = [s for s in sets.values() if len(s) == len(programs)]
def quartiles(base):
    values = sorted(s["Vexa"] / s[base] for s in complete)
    if len(values) == 1:
        return (values[0],) * 3
    q = statistics.quantiles(values, n=4)
    return (q[0], statistics.median(values), q[2])
paired = {base: quartiles(base) for base in ["BareTray", "BareTrayV6"]} if complete else {}

with open(summary_path, "w", newline="") as f:
    w = csv.writer(f)
    w.writerow(["metric", "unit", "bare", "bare_v6", "vexa", "vexa_per_bare", "vexa_per_bare_v6"])
    for metric, unit, med, compared in rows:
        w.writerow([metric, unit] + ["%g" % med[p] for p in programs] + ratios(med, compared))
    if paired:
        w.writerow(["icon_ms_set_ratio", "median of sets", "", "", ""] +
                   ["%.2f" % paired[base][1] for base in ["BareTray", "BareTrayV6"]])

print(open(machine_path).read().rstrip())
print()
head = "%-20s %-9s %12s %12s %12s %10s %12s" % ("metric (median)", "unit", "bare", "bare+v6",
                                                 "Vexa", "Vexa/bare", "Vexa/bare+v6")
print(head)
print("-" * len(head))
for metric, unit, med, compared in rows:
    print("%-20s %-9s %12g %12g %12g %10s %12s" % ((metric, unit) + tuple(med[p] for p in programs) +
                                                   tuple(ratios(med, compared))))
if paired:
    print("%-20s %-9s %12s %12s %12s %10.2f %12.2f" % ("icon_ms, set ratio", "median", "", "", "",
          paired["BareTray"][1], paired["BareTrayV6"][1]))
    print()
    print("Start to icon, Vexa's ratio within each set of three starts made one after the other")
    print("(%d sets), quartiles: %.2f / %.2f / %.2f to bare, %.2f / %.2f / %.2f to bare+v6." %
          ((len(complete),) + paired["BareTray"] + paired["BareTrayV6"]))
print()
print("Written to %s (every run in %s, every start in %s)." % (summary_path, runs_path, icons_path))
EOF

python3 - "$pairs" "$out/summary.csv" <<'EOF'
import csv, statistics, sys
pairs_path, summary_path = sys.argv[1:]
pairs = list(csv.DictReader(open(pairs_path)))
print()
print("Vexa.exe /status against a do-nothing console program, pairs of runs (start to end):")
with open(summary_path, "a", newline="") as f:
    w = csv.writer(f)
    for running, name in [("0", "alone"), ("1", "running")]:
        rows = [r for r in pairs if r["vexa_running"] == running]
        nothing = [float(r["do_nothing_ms"]) for r in rows]
        status = [float(r["status_ms"]) for r in rows]
        ratios = sorted(s / n for n, s in zip(nothing, status))
        q = statistics.quantiles(ratios, n=4) if len(ratios) > 1 else ratios * 3
        w.writerow(["status_ms_" + name, "ms", "%g" % statistics.median(nothing), "",
                    "%g" % statistics.median(status), "%.2f" % statistics.median(ratios), ""])
        print("  %-18s do-nothing %6.1f ms, /status %6.1f ms (medians); within a pair %.2f"
              " (quartiles %.2f / %.2f, %d pairs)"
              % ("no Vexa running:" if running == "0" else "a Vexa running:",
                 statistics.median(nothing), statistics.median(status),
                 statistics.median(ratios), q[0], q[2], len(ratios)))
EOF
