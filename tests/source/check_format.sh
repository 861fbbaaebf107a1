#!/usr/bin/env bash
# Fails when a C or C++ file of src/, tests/ or bench/ is not formatted as .clang-format says,
# and names the files; "clang-format -i FILE" mends one.
#   check_format.sh SOURCE_DIR [CLANG_FORMAT]
set -euo pipefail
cd "$1"
clang_format=${2:-clang-format}
mapfile -d '' files < <(find src tests bench -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
    -print0 | sort -z)
status=0
report=$("$clang_format" --dry-run --Werror "${files[@]}" 2>&1) || status=$?
bad=$(printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' | sort -u)
for f in $bad; do
    echo "$f: not formatted (clang-format -i $f)"
done
echo "${#files[@]} files checked, $(printf '%s' "$bad" | grep -c . || true) not formatted"
if [ "$status" -ne 0 ] && [ -z "$bad" ]; then
    printf '%s\n' "$report"
fi
exit "$status"
