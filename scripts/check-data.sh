#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the files in data/ that the package ships beside the programs, without building
# anything: the menu entries (desktop-file-validate), the AppStream metadata (appstreamcli, with
# no network), the manual pages (man's own warnings), the copyright file (machine-readable
# format) and the changelog (parsed, its version the project's). One PASS or FAIL line per
# check; exits non-zero on any failure. Needs desktop-file-utils, appstream, man-db and dpkg-dev
# (scripts/setup.sh installs them).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data="$root/data"

failures=0
checks=0
pass() { echo "PASS: $*"; checks=$((checks + 1)); }
fail() { echo "FAIL: $*"; checks=$((checks + 1)); failures=$((failures + 1)); }
indent() { sed 's/^/    /'; }

for tool in desktop-file-validate appstreamcli man dpkg-parsechangelog; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/setup.sh)"; exit 1; }
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- menu entries -------------------------------------------------------------------------

for f in "$data"/desktop/*.desktop; do
  # desktop-file-validate exits 0 on hints; any output at all is taken as a finding.
  if out=$(desktop-file-validate "$f" 2>&1) && [ -z "$out" ]; then
    pass "desktop-file-validate $(basename "$f")"
  else
    fail "desktop-file-validate $(basename "$f"):"
    echo "$out" | indent
  fi
done

# --- AppStream ----------------------------------------------------------------------------

for f in "$data"/metainfo/*.metainfo.xml; do
  name=$(basename "$f")
  if out=$(appstreamcli validate --no-net --pedantic "$f" 2>&1); then
    pass "appstreamcli validate $name"
  else
    fail "appstreamcli validate $name:"
    echo "$out" | indent
  fi
  # The file is named after its component, and its launchable is one of our menu entries.
  id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$f" | head -n 1)
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$f")
  if [ "$name" = "$id.metainfo.xml" ] && [ -n "$launchable" ] &&
    [ -f "$data/desktop/$launchable" ]; then
    pass "$name: id $id, launches $launchable"
  else
    fail "$name: id '$id' or launchable '$launchable' does not match the files in data/"
  fi
done

# The tree as installed: each launchable found beside its metadata, with its icon.
mkdir -p "$tmp/tree/usr/share/metainfo" "$tmp/tree/usr/share/applications" \
  "$tmp/tree/usr/share/icons/hicolor/scalable/apps"
cp "$data"/metainfo/*.metainfo.xml "$tmp/tree/usr/share/metainfo/"
cp "$data"/desktop/*.desktop "$tmp/tree/usr/share/applications/"
cp "$data"/icons/*.svg "$tmp/tree/usr/share/icons/hicolor/scalable/apps/"
if out=$(appstreamcli validate-tree --no-net --pedantic "$tmp/tree" 2>&1); then
  pass "appstreamcli validate-tree: metadata, menu entries and icons as installed"
else
  fail "appstreamcli validate-tree:"
  echo "$out" | indent
fi

# --- manual pages -------------------------------------------------------------------------

for app in zoravel tymbrik vfdsim vfdctl; do
  page="$data/man/$app.1"
  if [ ! -f "$page" ]; then
    fail "manual page $app.1 missing"
    continue
  fi
  # What lintian runs: any warning from man or groff is a finding.
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [ -z "$out" ] && LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep -q "^NAME"; then
    pass "manual page $app.1 formats without warnings"
  else
    fail "manual page $app.1:"
    echo "$out" | indent
  fi
done

# vfdsim's page describes every option its --help lists, in its OPTIONS section. The options are read from the source, so
# no build is needed: each is an entry {QStringLiteral("name"), ...} of its option list.
options=$(grep -o '{QStringLiteral("[a-z-]*")' "$root/apps/vfdsim/main.cpp" |
  sed 's/.*("\(.*\)")/\1/' | sort -u)
text=$(LC_ALL=C MANWIDTH=200 man -l "$data/man/vfdsim.1" 2>/dev/null | col -b |
  awk '/^OPTIONS/ { on = 1; next } /^[A-Z]/ { on = 0 } on')
missing=()
for o in $options help help-all; do
  grep -q -E -- "--$o([^a-z-]|\$)" <<<"$text" || missing+=("--$o")
done
if [ -z "$options" ]; then
  fail "vfdsim.1: no options found in apps/vfdsim/main.cpp"
elif [ ${#missing[@]} -eq 0 ]; then
  pass "vfdsim.1 describes all $(($(wc -l <<<"$options") + 2)) options of vfdsim --help"
else
  fail "vfdsim.1 does not describe: ${missing[*]}"
fi

# vfdctl's page documents every exit status the program has (apps/vfdctl and src/cli/exit_code.h).
codes=$(sed -n 's/^ *\([A-Za-z]*\) = \([0-9]*\),.*/\2/p' "$root/src/cli/exit_code.h" | sort -n)
text=$(LC_ALL=C MANWIDTH=200 man -l "$data/man/vfdctl.1" 2>/dev/null | col -b |
  awk '/^EXIT STATUS/ { on = 1; next } /^[A-Z]/ { on = 0 } on')
missing=()
for c in $codes; do
  grep -q -E "^ +$c\b" <<<"$text" || missing+=("$c")
done
if [ -z "$codes" ]; then
  fail "vfdctl.1: no exit codes found in src/cli/exit_code.h"
elif [ ${#missing[@]} -eq 0 ]; then
  pass "vfdctl.1 documents all $(wc -w <<<"$codes") exit codes of vfdctl"
else
  fail "vfdctl.1 does not document the exit codes: ${missing[*]}"
fi
if bash -n "$data/completion/vfdctl"; then
  pass "bash completion for vfdctl parses"
else
  fail "bash completion for vfdctl does not parse"
fi

# --- copyright and changelog --------------------------------------------------------------

copyright="$data/doc/copyright"
if head -n 1 "$copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
  grep -q '^License: GPL-3+$' "$copyright" &&
  grep -q '/usr/share/common-licenses/GPL-3"' "$copyright" &&
  cmp -s "$root/LICENSE" /usr/share/common-licenses/GPL-3; then
  pass "copyright: machine-readable, GPL-3+, LICENSE is the GPL version 3 text"
else
  fail "copyright: not the machine-readable format with the GPL-3+ licence, or LICENSE differs"
fi

project_version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
if changelog_version=$(dpkg-parsechangelog -l "$data/doc/changelog" -S Version 2>"$tmp/err"); then
  if [ "$changelog_version" = "$project_version" ]; then
    pass "changelog: parses, its latest entry is version $changelog_version"
  else
    fail "changelog: latest entry is $changelog_version, the project is $project_version"
  fi
else
  fail "changelog does not parse:"
  indent <"$tmp/err"
fi
for f in "$data"/metainfo/*.metainfo.xml; do
  if grep -q "<release version=\"$project_version\"" "$f"; then
    pass "$(basename "$f"): lists release $project_version"
  else
    fail "$(basename "$f"): no <release> for version $project_version"
  fi
done

echo
if [ "$failures" -eq 0 ]; then
  echo "RESULT: PASS ($checks checks)"
else
  echo "RESULT: FAIL ($failures of $checks checks failed)"
fi
exit $((failures > 0))
