#!/usr/bin/env bash
# Records per second of `quex run derive` over a generated 1,000,000-record,
# 5-column CSV file, against the minimal host loop over the same records in
# memory (no CSV reading or writing) measured in the same run.
#   quex_throughput.sh [RECORDS]
set -euo pipefail
records=${1:-1000000}
build=@PROJECT_BINARY_DIR@
quex=$build/tools/quex/quex
modules=$build/examples/modules
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v n="$records" 'BEGIN {
  print "id,a,b,c,label"
  for (i = 1; i <= n; i++) printf "%d,%.1f,%d,%d,item\n", i, (i % 1000) * 0.5, i % 7, i % 100
}' > "$work/input.csv"
params='<Parameters><KeyedValue name="x" value="a * b + c"/><KeyedValue name="y" value="(a - c) / b"/></Parameters>'
echo "$params" > "$work/params.xml"

calc() { awk "BEGIN { printf \"$1\", $2 }"; }
seconds() { local s; s=$(date +%s.%N); "$@" > /dev/null 2>&1; calc %.6f "$(date +%s.%N) - $s"; }

t_quex=$(seconds "$quex" run "$modules/derive" --input "$work/input.csv" --params "$work/params.xml" --output "$work/out.csv")
t_source=$(seconds "$quex" run "$modules/csvsource" --file "input=$work/input.csv" --output "$work/out2.csv")
loop=$("$build/bench/harness/quex_host_loop" "$modules/derive" "$records" "$params")
t_loop=$(echo "$loop" | sed -E 's/.* in ([0-9.]+) s.*/\1/')

rate() { calc %.0f "$records / $1"; }
echo "records: $records, 5 columns"
echo "quex run derive (CSV in, CSV out):        $(rate "$t_quex") records/s"
echo "quex run csvsource (bulk fetch, CSV out): $(rate "$t_source") records/s"
echo "host loop, derive, no CSV (baseline):     $(rate "$t_loop") records/s"
echo "ratio quex run derive / host loop time:   $(calc %.2f "$t_quex / $t_loop")"
