#!/bin/sh
# Makes a program's manual page from its own usage text.
#
#   cmake/man-page.sh PROGRAM TEMPLATE OUTPUT VERSION
#
# Runs "PROGRAM -h" and takes from what it prints (the form of zemo,
# zemo-map and wzemo: "pouzij:", the synopsis lines, then one line per
# option "[-x value] - text" with its continuation lines) the synopsis and
# the options, as roff. The lines @SYNOPSIS@ and @OPTIONS@ of TEMPLATE are
# replaced by them, @VERSION@ and @DATE@ (SOURCE_DATE_EPOCH when it is set,
# else today, in UTC) wherever they stand; OUTPUT is written compressed with
# gzip -9n (no name, no time stamp in the file). A usage text of another
# form fails: a manual page without its options is not made.
set -eu
if [ $# -ne 4 ]; then
    echo "usage: cmake/man-page.sh PROGRAM TEMPLATE OUTPUT VERSION" >&2
    exit 2
fi
program="$1" template="$2" output="$3" version="$4"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# UTF-8 output, whatever the builder's locale; the console program reads no
# key at -h, and stdin is empty all the same.
if ! LC_ALL=C.UTF-8 "$program" -h </dev/null >"$work/usage"; then
    echo "man-page.sh: \"$program -h\" failed" >&2
    exit 1
fi

# roff escapes of a text: backslashes and dashes, a leading point or quote.
# Options: an option line is "   [term] - text"; a term whose first word
# starts with "-" shows it in bold and the rest in italics, another term in
# italics. Continuation lines follow their option after a line break.
awk -v synopsis="$work/synopsis" -v options="$work/options" '
function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.\047]/) s = "\\&" s
    return s
}
function term(s,    n, w, i, out) {
    n = split(s, w, " ")
    out = (w[1] ~ /^-/) ? "\\fB" esc(w[1]) "\\fR" : "\\fI" esc(w[1]) "\\fR"
    for (i = 2; i <= n; i++) out = out " \\fI" esc(w[i]) "\\fR"
    return out
}
# A synopsis line: the program name in bold, every [term] as a term.
function synopsis_line(s,    out, inner) {
    sub(/^ +/, "", s)
    match(s, /^[^ ]+/)
    out = "\\fB" esc(substr(s, 1, RLENGTH)) "\\fR"
    s = substr(s, RLENGTH + 1)
    while (match(s, /\[[^]]*\]/)) {
        out = out esc(substr(s, 1, RSTART - 1))
        inner = substr(s, RSTART + 1, RLENGTH - 2)
        out = out "[" term(inner) "]"
        s = substr(s, RSTART + RLENGTH)
    }
    return out esc(s)
}
NR == 1 {
    if ($0 != "pouzij:") { print "man-page.sh: the usage does not start with \"pouzij:\"" > "/dev/stderr"; exit 1 }
    next
}
/^ *$/ { next }
/^ +\[[^]]*\] +- / {
    line = $0
    sub(/^ +\[/, "", line)
    t = line
    sub(/\].*$/, "", t)
    sub(/^[^]]*\] +- /, "", line)
    print ".TP" > options
    print term(t) > options
    print esc(line) > options
    n_options++
    in_options = 1
    next
}
!in_options { print synopsis_line($0) > synopsis; print ".br" > synopsis; n_synopsis++; next }
{
    line = $0
    sub(/^ +/, "", line)
    print ".br" > options
    print esc(line) > options
}
END {
    if (n_synopsis == 0 || n_options == 0) {
        print "man-page.sh: no synopsis or no option in the usage" > "/dev/stderr"
        exit 1
    }
}' "$work/usage"

date="$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" +%Y-%m-%d)"
awk -v synopsis="$work/synopsis" -v options="$work/options" -v version="$version" -v date="$date" '
function copy(file,    line) {
    while ((getline line < file) > 0) print line
    close(file)
}
$0 == "@SYNOPSIS@" { copy(synopsis); next }
$0 == "@OPTIONS@" { copy(options); next }
{ gsub(/@VERSION@/, version); gsub(/@DATE@/, date); print }' "$template" >"$work/page"

if grep -q "@[A-Z]*@" "$work/page"; then
    echo "man-page.sh: $template holds a placeholder it does not know" >&2
    exit 1
fi
gzip -9n -c "$work/page" >"$work/page.gz"
mv "$work/page.gz" "$output"
