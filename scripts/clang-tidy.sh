#!/usr/bin/env bash
# Runs clang-tidy, with the checks of the top-level .clang-tidy, over the
# sources of the library folders, two at a time, using the build's
# compile_commands.json. Prints each finding once (a header's findings come
# back from every file that includes it), then a count per check, and exits
# with status 1 when there is any finding.
#
#   bash scripts/clang-tidy.sh [BUILD_DIR] [FOLDER...]
#
# BUILD_DIR defaults to build/ci (configure it first: cmake --preset ci);
# the folders default to every library folder. The Qt sources of ui/ need
# the build's generated files: build tallowick once before checking ui/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/ci}"
shift || true
if [[ ! -f "$build/compile_commands.json" ]]; then
  echo "clang-tidy.sh: $build/compile_commands.json not found; configure the build first" \
    "(cmake --preset ci)" >&2
  exit 2
fi
build="$(cd "$build" && pwd)"

folders=("$@")
if [[ ${#folders[@]} -eq 0 ]]; then
  folders=(base logs net stats geo settings report mail engine cli ui tools)
  [[ -d "$root/frontend" ]] && folders+=(frontend)
fi
for folder in "${folders[@]}"; do
  if [[ ! "$folder" =~ ^[a-z_]+$ || ! -d "$root/$folder" ]]; then
    echo "clang-tidy.sh: no library folder '$folder' in $root" >&2
    exit 2
  fi
done

# The sources of those folders that the build compiles (a file that no
# target compiles has no flags to check it with).
mapfile -t files < <(python3 - "$build/compile_commands.json" "$root" "${folders[@]}" <<'PY'
import json, os, sys
database, root, folders = sys.argv[1], sys.argv[2], sys.argv[3:]
prefixes = tuple(os.path.join(root, folder) + os.sep for folder in folders)
seen = set()
for entry in json.load(open(database)):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(prefixes) and path not in seen:
        seen.add(path)
        print(path)
PY
)
if [[ ${#files[@]} -eq 0 ]]; then
  echo "clang-tidy.sh: no compiled sources of ${folders[*]} in $build/compile_commands.json" >&2
  exit 2
fi
echo "clang-tidy.sh: checking ${#files[@]} files of ${folders[*]}" >&2

log="$(mktemp)"
trap 'rm -f "$log"' EXIT
# The build's own -Werror would turn the compiler's warnings into errors
# that end a file's check; they are reported as findings like the rest.
extra=(-extra-arg=-Wno-error -extra-arg=-Wno-unknown-warning-option)
runner="$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)"
if [[ -n "$runner" ]]; then
  # run-clang-tidy takes regular expressions: each file's name, escaped.
  patterns=()
  for file in "${files[@]}"; do patterns+=("^$(printf '%s' "$file" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$"); done
  "$runner" -quiet -j 2 -p "$build" "${extra[@]}" "${patterns[@]}" >"$log" 2>&1 || true
else
  printf '%s\0' "${files[@]}" |
    xargs -0 -P 2 -n 4 clang-tidy --quiet -p "$build" "${extra[@]}" \
      >"$log" 2>&1 || true
fi

# A finding: "path:line:column: warning|error: text [check]", its notes and
# code excerpts following it until the next finding.
python3 - "$log" "$root" <<'PY'
import collections, os, re, sys
log, root = sys.argv[1], sys.argv[2]
noise = re.compile(r"^(\S*clang-tidy\S* |\d+ warnings? (and \d+ errors? )?generated\.$)")
finding = re.compile(r"^(/[^:]+):(\d+):(\d+): (warning|error): (.*) \[([^\]]+)\]$")
seen, order, per_check = set(), [], collections.Counter()
current = None
colour = re.compile(r"\x1b\[[0-9;]*m")
for line in open(log, errors="replace"):
    line = colour.sub("", line.rstrip("\n"))
    match = finding.match(line)
    if match:
        # A header is reached through the build's views of the folders too.
        path = os.path.realpath(match.group(1))
        key = (path, match.group(2), match.group(3), match.group(6))
        current = None
        if key not in seen:
            seen.add(key)
            current = [os.path.relpath(path, root) + line[len(match.group(1)):]]
            order.append(current)
            per_check[match.group(6)] += 1
    elif current is not None and not noise.match(line):
        current.append(line)
for lines in order:
    print("\n".join(lines))
if per_check:
    print()
    for check, count in per_check.most_common():
        print(f"{count:5d}  {check}")
    print(f"{len(order):5d}  findings in all")
    sys.exit(1)
# clang-tidy's own failures (a file it could not parse) end the run too.
for line in open(log, errors="replace"):
    if re.search(r"error: |Error while processing", line):
        print(line.rstrip("\n"), file=sys.stderr)
        sys.exit(1)
print("clang-tidy.sh: no findings", file=sys.stderr)
PY
