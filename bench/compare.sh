#!/usr/bin/env bash
# Times tallowick-cli against the peer analysers on one log, side by side.
#
#   bench/compare.sh LOG [RUNS]
#
# LOG is a logfile or a folder of logfiles (read in name order). Each tool
# writes its HTML report (ours with graphs, every tool with host name look-ups
# off) from a configuration of its own in a temporary folder; the tools take
# turns, RUNS rounds (default 5), so that a machine whose speed drifts treats
# them alike. Printed per tool: the median wall time, user time and peak
# memory, and each as a ratio to ours. Peers that cannot read the log's layout
# are listed as such. Analog, Webalizer and GoAccess are installed (Debian
# packages) when missing; nothing else needs them.
#
# Environment: TALLOWICK_CLI names the program to time (default: the release
# or ci build of this tree, else tallowick-cli on the PATH); PEERS lists the
# peers to time (default "analog webalizer goaccess"; GoAccess takes minutes
# on millions of lines).
set -euo pipefail

usage() {
  echo "usage: bench/compare.sh LOG [RUNS]" >&2
  exit 2
}
[[ $# -ge 1 && $# -le 2 ]] || usage
LOG=$(realpath -e "$1") || usage
RUNS=${2:-5}
[[ $RUNS =~ ^[1-9][0-9]*$ ]] || usage

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLI=${TALLOWICK_CLI:-}
if [[ -z $CLI ]]; then
  for candidate in "$here/build/release/cli/tallowick-cli" "$here/build/ci/cli/tallowick-cli"; do
    if [[ -x $candidate ]]; then
      CLI=$candidate
      break
    fi
  done
fi
CLI=${CLI:-$(command -v tallowick-cli || true)}
[[ -x $CLI ]] || {
  echo "compare.sh: no tallowick-cli (build it, or set TALLOWICK_CLI)" >&2
  exit 1
}
[[ -x /usr/bin/time ]] || {
  echo "compare.sh: /usr/bin/time is needed (Debian package time)" >&2
  exit 1
}

# The peers, installed once when missing.
read -r -a peers <<<"${PEERS:-analog webalizer goaccess}"
wanted() { [[ " ${peers[*]} " == *" $1 "* ]]; }
missing=()
for peer in "${peers[@]}"; do
  case $peer in
    analog | webalizer | goaccess) command -v "$peer" >/dev/null || missing+=("$peer") ;;
    *)
      echo "compare.sh: unknown peer $peer (analog, webalizer, goaccess)" >&2
      exit 2
      ;;
  esac
done
if ((${#missing[@]})); then
  echo "Installing ${missing[*]} ..." >&2
  sudo=()
  [[ $(id -u) -eq 0 ]] || sudo=(sudo)
  if ! "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null 2>&1; then
    "${sudo[@]}" apt-get update -q >/dev/null 2>&1 || true
    "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null 2>&1 ||
      echo "compare.sh: could not install ${missing[*]}; timing the others" >&2
  fi
fi

work=$(mktemp -d /tmp/tlw-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The files of the log, in name order.
if [[ -d $LOG ]]; then
  mapfile -t files < <(find "$LOG" -maxdepth 1 -type f | LC_ALL=C sort)
  ((${#files[@]})) || {
    echo "compare.sh: $LOG holds no files" >&2
    exit 1
  }
  ourLogs=("${files[@]}")
else
  files=("$LOG")
  ourLogs=("$LOG")
fi

# The layout, from the first request line as our own detection sees it.
first=${files[0]}
probe=$(grep -v -m1 -e '^#' -e '^!!' -e '^[[:space:]]*$' "$first" || true)
if head -c 4096 "$first" | grep -q '^#Fields:'; then
  layout=w3c
elif head -c 4096 "$first" | grep -q '^!!'; then
  layout=bang
elif [[ $probe == *", -,"* ]]; then
  layout=comma
elif [[ $probe == *$'\t\t\t'* ]]; then
  layout=tab
elif [[ $probe =~ \"[^\"]*\"\ [0-9-]+\ [0-9-]+\ \" ]]; then
  layout=combined
else
  layout=common
fi

# --- configurations -----------------------------------------------------
mkdir -p "$work/ours" "$work/analog" "$work/webalizer" "$work/goaccess"

analogFormat=""
case $layout in
  common | combined | w3c) analogFormat="" ;;                   # detected by analog itself
  comma) analogFormat="LOGFORMAT MICROSOFT-NA" ;;                # IIS native
  tab) analogFormat='LOGFORMAT (%m/%d/%Y %h:%n:%j\t%S\t%u\t%j\t%r\t%f\t%B\t%c\t%b\t%j\t%j\t%j)' ;;
  bang) analogFormat='LOGFORMAT (%m/%d/%y\t%h:%n:%j\t%j\t%S\t%r\t%b)' ;;
esac
{
  echo "DNS NONE"
  [[ -n $analogFormat ]] && echo "$analogFormat"
  for f in "${files[@]}"; do echo "LOGFILE $f"; done
  echo "OUTFILE $work/analog/Report.html"
  echo "IMAGEDIR $work/analog/"
  echo "CHARTDIR $work/analog/"
  echo "LOCALCHARTDIR $work/analog/"
  echo "CACHEFILE none"
  echo "DNSFILE none"
} >"$work/analog.cfg"

webalizerType=""
case $layout in
  common | combined) webalizerType=clf ;;
  w3c) webalizerType=w3c ;;
esac
cat >"$work/webalizer.conf" <<EOF
OutputDir $work/webalizer
HistoryName $work/webalizer/webalizer.hist
Incremental no
DNSChildren 0
Quiet yes
ReallyQuiet yes
EOF
webalizerInput="$work/webalizer-input.log"
if [[ -n $webalizerType && ${#files[@]} -gt 1 ]]; then
  # Webalizer reads one file: the folder's files are joined once, untimed.
  cat "${files[@]}" >"$webalizerInput"
else
  webalizerInput=$first
fi

goaccessFormat=()
case $layout in
  common) goaccessFormat=(--log-format=COMMON) ;;
  combined) goaccessFormat=(--log-format=COMBINED) ;;
  w3c)
    # GoAccess's W3C preset fixes one field order; this one follows the log's
    # own #Fields line.
    fields=$(grep -m1 '^#Fields:' "$first" | sed 's/^#Fields:[[:space:]]*//; s/\r$//')
    spec=""
    for field in $fields; do
      case $field in
        date) spec+="%d " ;;
        time) spec+="%t " ;;
        c-ip) spec+="%h " ;;
        cs-method) spec+="%m " ;;
        cs-uri-stem) spec+="%U " ;;
        cs-uri-query) spec+="%q " ;;
        sc-status) spec+="%s " ;;
        sc-bytes) spec+="%b " ;;
        "cs(User-Agent)") spec+="%u " ;;
        "cs(Referer)") spec+="%R " ;;
        time-taken) spec+="%L " ;;
        *) spec+="%^ " ;;
      esac
    done
    goaccessFormat=("--log-format=${spec% }" --date-format=%Y-%m-%d --time-format=%H:%M:%S)
    ;;
esac

# --- the runs -----------------------------------------------------------
tools=(tallowick)
skipped=()
if wanted analog && command -v analog >/dev/null; then tools+=(analog); fi
if wanted webalizer && command -v webalizer >/dev/null; then
  if [[ -n $webalizerType ]]; then tools+=(webalizer); else skipped+=(webalizer); fi
fi
if wanted goaccess && command -v goaccess >/dev/null; then
  if ((${#goaccessFormat[@]})); then tools+=(goaccess); else skipped+=(goaccess); fi
fi

run_tool() {
  local tool=$1
  case $tool in
    tallowick)
      (cd "$work/ours" && exec "$CLI" report "${ourLogs[@]}" -o "$work/ours/stats.html") ;;
    analog)
      analog -G "+g$work/analog.cfg" ;;
    webalizer)
      webalizer -c "$work/webalizer.conf" -F "$webalizerType" -N 0 -o "$work/webalizer" \
        "$webalizerInput" ;;
    goaccess)
      goaccess "${files[@]}" --no-global-config --no-progress --no-ip-validation \
        "${goaccessFormat[@]}" \
        -o "$work/goaccess/report.html" ;;
  esac
}

declare -A times
for ((r = 1; r <= RUNS; ++r)); do
  for tool in "${tools[@]}"; do
    out="$work/$tool.time"
    status=0
    /usr/bin/time -f "%e %U %M" -o "$out" bash -c "$(declare -f run_tool); $(declare -p work CLI ourLogs files webalizerType webalizerInput goaccessFormat); run_tool $tool" \
      >"$work/$tool.stdout" 2>"$work/$tool.stderr" || status=$?
    if ((status != 0)); then
      echo "compare.sh: $tool failed (exit $status); see its messages:" >&2
      tail -n 3 "$work/$tool.stderr" >&2
      times[$tool]+="fail "
      continue
    fi
    times[$tool]+="$(tail -n 1 "$out" | tr ' ' ,) "
  done
done

# The median of column $1 (1 wall, 2 user, 3 peak KiB) of a tool's runs.
median() {
  local column=$1 tool=$2
  tr ' ' '\n' <<<"${times[$tool]}" | awk 'NF && $0 != "fail"' | cut -d, -f"$column" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR == 0) { print "-"; exit }
          if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

lines=$(cat "${files[@]}" | wc -l)
echo "log: $LOG (${#files[@]} file(s), $lines lines, layout $layout), $RUNS runs each, medians"
printf '%-10s %9s %9s %10s   %12s %12s %12s\n' tool wall_s user_s peak_MiB "ours/wall" "ours/user" "ours/peak"
oursWall=$(median 1 tallowick)
oursUser=$(median 2 tallowick)
oursPeak=$(median 3 tallowick)
for tool in "${tools[@]}"; do
  wall=$(median 1 "$tool")
  user=$(median 2 "$tool")
  peak=$(median 3 "$tool")
  peakMib=$(awk -v k="$peak" 'BEGIN { if (k == "-") print "-"; else printf "%.1f", k / 1024 }')
  if [[ $wall == - ]]; then
    printf '%-10s %9s   (failed in every run)\n' "$tool" "-"
    continue
  fi
  printf '%-10s %9s %9s %10s   %12s %12s %12s\n' "$tool" "$wall" "$user" "$peakMib" \
    "$(ratio "$oursWall" "$wall")" "$(ratio "$oursUser" "$user")" "$(ratio "$oursPeak" "$peak")"
done
for tool in "${skipped[@]}"; do
  printf '%-10s %9s   (cannot read the %s layout)\n' "$tool" "-" "$layout"
done
