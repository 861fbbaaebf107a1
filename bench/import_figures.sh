# Import figures for bench/run (sourced; uses WORK, DB, DATA, FILES, REPEATS and row):
# - the importer against a C program with one prepared INSERT in one transaction,
# - refreshing DE (23,297 rows, 1,000 memos) against importing DE into an empty database,
# - the importer's peak memory at 49,568 and ten times as many rows.
IMPORT_BENCH=$KELVO_BUILD/bench/import-bench
IMPORT_REF=$KELVO_BUILD/bench/import-reference
EMPTY=$WORK/empty.mde
sqlite3 "$EMPTY" "$(sqlite3 "$DB" .schema | grep -v sqlite_sequence)"

# timed_ms PROGRAM ARGS...: the milliseconds the program reports for itself.
timed_ms() { "$@" 2>/dev/null | awk -F'\t' '$1 == "import" {print $2}'; }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]}'; }

kelvo_times=() ref_times=() plain_times=() refresh_times=()
MEMOS=$WORK/memos.mde
cp "$EMPTY" "$MEMOS"
"$IMPORT_BENCH" "$MEMOS" "$DATA/DE.txt" >/dev/null
sqlite3 "$MEMOS" "UPDATE GEO SET Memo = 'Memo ' || ID_Geo WHERE ID_Geo IN
    (SELECT ID_Geo FROM GEO ORDER BY (ID_Geo * 7919) % 23297 LIMIT 1000);"
for ((i = 0; i < REPEATS; i++)); do
    cp "$EMPTY" "$WORK/a.mde"
    kelvo_times+=("$(timed_ms "$IMPORT_BENCH" --append "$WORK/a.mde" "${FILES[@]}")")
    cp "$EMPTY" "$WORK/a.mde"
    ref_times+=("$(timed_ms "$IMPORT_REF" "$WORK/a.mde" "${FILES[@]}")")
    cp "$EMPTY" "$WORK/a.mde"
    plain_times+=("$(timed_ms "$IMPORT_BENCH" "$WORK/a.mde" "$DATA/DE.txt")")
    cp "$MEMOS" "$WORK/a.mde"
    refresh_times+=("$(timed_ms "$IMPORT_BENCH" "$WORK/a.mde" "$DATA/DE.txt")")
done
row "import 49,568 rows (importer, in-process)" "$(median "${kelvo_times[@]}")" \
    "$(median "${ref_times[@]}")" "C: one prepared INSERT, one transaction (goal <= 1.2)"
row "refresh DE, 1,000 memos (importer)" "$(median "${refresh_times[@]}")" \
    "$(median "${plain_times[@]}")" "importing DE into an empty file (goal <= 1.5)"

for ((i = 0; i < 10; i++)); do cat "${FILES[@]}"; done >"$WORK/ten.txt"
cp "$EMPTY" "$WORK/a.mde"
rss_small=$("$IMPORT_BENCH" --append "$WORK/a.mde" "${FILES[@]}" | awk -F'\t' '$1 == "peak-rss-kb" {print $2}')
cp "$EMPTY" "$WORK/a.mde"
rss_large=$("$IMPORT_BENCH" --append "$WORK/a.mde" "$WORK/ten.txt" | awk -F'\t' '$1 == "peak-rss-kb" {print $2}')
cp "$EMPTY" "$WORK/a.mde"
rss_ref=$("$IMPORT_REF" "$WORK/a.mde" "$WORK/ten.txt" | awk -F'\t' '$1 == "peak-rss-kb" {print $2}')
echo "Import, höchster Speicherbedarf (RSS): $rss_small KB bei 49.568 Zeilen, $rss_large KB bei 495.680 Zeilen (C-Referenz: $rss_ref KB)" >&2
rm -f "$WORK/ten.txt" "$WORK/a.mde"
