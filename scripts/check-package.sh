#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves the Debian package on a clean Debian 12: installs it with apt into a fresh bookworm
# root (dependencies from the archive, recommended packages left out so that Depends alone must
# be enough), then checks the installed files, the manual pages (with man-db added afterwards,
# as a desktop system has it), the copyright file, the changelog and the AppStream metadata, that
# all three programs start, that the command line answers the virtual display without a display
# server and has its bash completion, and that lintian finds no error in the package.
#
#   scripts/check-package.sh [path/to/vfd-tools_*.deb]
#
# Without an argument it takes the package in build-pkg, building it first when there is none.
# Needs root (re-runs itself through sudo) and debootstrap (installed when missing). The clean
# root is made once and kept in build-pkg/check-root/base; every run works on a fresh layer over
# it in memory (a copy where overlays cannot be mounted), and downloaded packages are kept in
# build-pkg/check-root/apt-archives. Logs: build-pkg/check-root/*.log.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  exec sudo --preserve-env=VFD_JOBS "$0" "$@"
fi

suite=bookworm
work="$root/build-pkg/check-root"
base="$work/base"
run="$work/run"
archives="$work/apt-archives"
started=$(date +%s.%N)

seconds_since() { awk -v a="$1" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }'; }
say() { echo "== $*"; }

# --- the package --------------------------------------------------------------------------

deb=${1:-}
if [ -z "$deb" ]; then
  debs=("$root"/build-pkg/vfd-tools_*.deb)
  deb=${debs[0]}
  if [ ! -f "$deb" ]; then
    say "no package in build-pkg: building it"
    deb=$("$root/scripts/package.sh")
  fi
fi
deb=$(realpath "$deb")
[ -f "$deb" ] || { echo "FAIL: no such package: $deb" >&2; exit 1; }

# --- the archive this machine uses --------------------------------------------------------

# Prints the first URI given for a suite in this machine's apt sources, one-line (.list) or
# deb822 (.sources) format.
mirror_for() {
  local files=() f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -r "$f" ] && files+=("$f")
  done
  [ ${#files[@]} -gt 0 ] || return 0
  awk -v want="$1" '
    function flush(   n, i, s, u) {
      if (done) exit
      n = split(suites, s, /[ \t]+/)
      for (i = 1; i <= n; i++)
        if (s[i] == want && uris != "") { split(uris, u, /[ \t]+/); print u[1]; done = 1; exit }
      uris = ""; suites = ""
    }
    FNR == 1 { flush() }
    FILENAME ~ /\.sources$/ {
      if ($0 ~ /^[ \t]*$/) flush()
      else if ($1 == "URIs:") { uris = $0; sub(/^URIs:[ \t]*/, "", uris) }
      else if ($1 == "Suites:") { suites = $0; sub(/^Suites:[ \t]*/, "", suites) }
      next
    }
    $1 == "deb" {
      i = 2
      if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
      if ($(i + 1) == want) { print $i; done = 1; exit }
    }
    END { flush() }
  ' "${files[@]}"
}
mirror=$(mirror_for "$suite")
mirror=${mirror:-http://deb.debian.org/debian}
security=$(mirror_for "$suite-security")
security=${security:-http://deb.debian.org/debian-security}

# --- mounts, always undone ----------------------------------------------------------------

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
  done
  mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM

mount_into() {  # mount_into CHROOT
  local c=$1
  mount -t proc proc "$c/proc"
  mounted+=("$c/proc")
  mount --bind /dev "$c/dev"
  mounted+=("$c/dev")
  mount --bind /dev/pts "$c/dev/pts"  # the virtual display takes a pseudo-terminal
  mounted+=("$c/dev/pts")
  mkdir -p "$archives/partial" "$c/var/cache/apt/archives"
  mount --bind "$archives" "$c/var/cache/apt/archives"
  mounted+=("$c/var/cache/apt/archives")
}

# Removes a root only when nothing is mounted below it, so the host's /dev is never touched.
remove_root() {
  local c=$1
  [ -e "$c" ] || return 0
  if awk -v c="$c" '$2 == c || index($2, c "/") == 1 { found = 1 } END { exit !found }' \
    /proc/mounts; then
    echo "FAIL: $c still has mounts; not removing it" >&2
    exit 1
  fi
  rm -rf --one-file-system "$c"
}

in_root() {  # in_root CHROOT COMMAND...: a clean environment, as a fresh login would have
  local c=$1
  shift
  chroot "$c" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}

# --- the clean Debian 12 root, made once --------------------------------------------------

stamp="$base/.vfd-base-$suite"
first_run=no
t0=$(date +%s.%N)
if [ ! -f "$stamp" ]; then
  first_run=yes
  say "making a clean $suite root from $mirror (once; kept in $base)"
  if ! command -v debootstrap >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
  fi
  remove_root "$base"
  mkdir -p "$work" "$archives/partial"
  debootstrap --variant=minbase "$suite" "$base" "$mirror" >"$work/debootstrap.log" 2>&1 || {
    tail -n 20 "$work/debootstrap.log" >&2
    echo "FAIL: debootstrap failed (log: $work/debootstrap.log)" >&2
    exit 1
  }
  cat >"$base/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
  rm -f "$base"/var/cache/apt/archives/*.deb
  # Each run's root is thrown away after it: dpkg need not sync every file it unpacks.
  echo force-unsafe-io >"$base/etc/dpkg/dpkg.cfg.d/vfd-check-unsafe-io"
  mount_into "$base"
  in_root "$base" apt-get update -qq
  unmount_all
  touch "$stamp"
fi
base_time=$(seconds_since "$t0")

# --- a fresh root, the package installed -------------------------------------------------

t0=$(date +%s.%N)
remove_root "$run"
mkdir -p "$run" "$work/layer"
# A writable layer in memory over the clean root: nothing to copy, nothing to delete after.
if mount -t tmpfs -o size=2g,mode=755 vfd-check "$work/layer" && mounted+=("$work/layer") &&
  mkdir "$work/layer/upper" "$work/layer/work" &&
  mount -t overlay overlay \
    -o "lowerdir=$base,upperdir=$work/layer/upper,workdir=$work/layer/work" "$run"; then
  mounted+=("$run")
else
  unmount_all
  cp -a "$base/." "$run"
fi
mount_into "$run"
cp "$deb" "$run/tmp/"
name=$(basename "$deb")
say "installing $name with apt-get"
install_log="$work/install.log"
if ! in_root "$run" apt-get install -y --no-install-recommends "/tmp/$name" >"$install_log" 2>&1; then
  # The archive may have moved on since the root was made: refresh its lists once.
  in_root "$run" apt-get update -qq
  in_root "$run" apt-get install -y --no-install-recommends "/tmp/$name" >"$install_log" 2>&1 || {
    tail -n 30 "$install_log" >&2
    echo "FAIL: the package does not install (log: $install_log)" >&2
    exit 1
  }
fi
install_time=$(seconds_since "$t0")

# man-db is not part of a minimal root. It is added after the package, so the package's own
# dependencies were proved alone; without it (no archive at hand) the pages are still checked
# as files.
t0=$(date +%s.%N)
say "adding man-db for the manual-page checks"
if ! in_root "$run" apt-get install -y --no-install-recommends man-db >"$work/man-db.log" 2>&1; then
  echo "note: man-db could not be installed (log: $work/man-db.log); pages checked as files"
fi
man_time=$(seconds_since "$t0")

# --- the checks, run inside the root ------------------------------------------------------

cat >"$run/tmp/check.sh" <<'EOF'
#!/bin/bash
# Runs inside the fresh root; one PASS or FAIL line per check.
failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for f in /usr/bin/zoravel /usr/bin/tymbrik /usr/bin/vfdsim /usr/bin/vfdctl; do
  [ -x "$f" ] && pass "$f installed" || fail "$f missing"
done
for r in 80-9F A0-BF C0-DF E0-FF; do
  # The test tool looks in ../share/vfd-tools/ranges from its own folder.
  [ -f "/usr/bin/../share/vfd-tools/ranges/$r" ] && pass "range file $r installed" \
    || fail "range file $r missing"
done
for app in zoravel tymbrik vfdsim; do
  d=/usr/share/applications/$app.desktop
  i=/usr/share/icons/hicolor/scalable/apps/$app.svg
  if [ -f "$d" ] && [ -f "$i" ]; then
    exec_line=$(sed -n 's/^Exec=//p' "$d")
    if command -v "${exec_line%% *}" >/dev/null; then
      pass "$app: menu entry (Exec=$exec_line) and icon installed"
    else
      fail "$app: menu entry runs '$exec_line', which is not installed"
    fi
  else
    fail "$app: menu entry or icon missing"
  fi
done
expected="/usr/bin/tymbrik
/usr/bin/vfdsim
/usr/bin/zoravel
/usr/share/applications/tymbrik.desktop
/usr/share/applications/vfdsim.desktop
/usr/share/applications/zoravel.desktop
/usr/share/bash-completion/completions/vfdctl
/usr/share/doc/vfd-tools/changelog.gz
/usr/share/doc/vfd-tools/copyright
/usr/share/icons/hicolor/scalable/apps/tymbrik.svg
/usr/share/icons/hicolor/scalable/apps/vfdsim.svg
/usr/share/icons/hicolor/scalable/apps/zoravel.svg
/usr/share/man/man1/tymbrik.1.gz
/usr/share/man/man1/vfdctl.1.gz
/usr/share/man/man1/vfdsim.1.gz
/usr/share/man/man1/zoravel.1.gz
/usr/share/metainfo/org.example.vfdtools.tymbrik.metainfo.xml
/usr/share/metainfo/org.example.vfdtools.zoravel.metainfo.xml
/usr/share/vfd-tools/ranges/80-9F
/usr/share/vfd-tools/ranges/A0-BF
/usr/share/vfd-tools/ranges/C0-DF
/usr/share/vfd-tools/ranges/E0-FF"
files=$(dpkg -L vfd-tools | while read -r p; do [ -f "$p" ] && echo "$p"; done | sort)
if [ "$files" = "$expected" ]; then
  pass "the package holds exactly the programs, range files, menu entries, icons, manual pages, completion, documents and metadata"
else
  fail "the package's files differ from the expected ones:"
  diff <(echo "$expected") <(echo "$files") | sed 's/^/    /'
fi

# The manual pages: compressed roff in section 1, and shown by man when man-db is there.
for app in zoravel tymbrik vfdsim vfdctl; do
  page=/usr/share/man/man1/$app.1.gz
  if zcat "$page" 2>/dev/null | grep -q "^\.TH ${app^^} 1 "; then
    pass "$app: manual page $page installed"
  else
    fail "$app: no readable manual page $page"
    continue
  fi
  if command -v man >/dev/null; then
    found=$(man -w "$app" 2>&1)
    if [ "$found" = "$page" ] && man "$app" 2>/dev/null | grep -q "^NAME"; then
      pass "man $app shows $page"
    else
      fail "man $app does not show $page: $found"
    fi
  fi
done

# The copyright file, plain and machine-readable; the changelog, compressed, for this version.
doc=/usr/share/doc/vfd-tools
if head -n 1 "$doc/copyright" 2>/dev/null |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
  grep -q '^License: GPL-3+$' "$doc/copyright"; then
  pass "$doc/copyright installed (machine-readable, GPL-3+)"
else
  fail "$doc/copyright missing or not in the machine-readable format"
fi
version=$(dpkg-query -W -f='${Version}' vfd-tools)
if zcat "$doc/changelog.gz" 2>/dev/null | head -n 1 | grep -q "^vfd-tools ($version) "; then
  pass "$doc/changelog.gz installed, its latest entry $version"
else
  fail "$doc/changelog.gz missing or its latest entry is not $version"
fi

# The AppStream metadata: one file per tool, each launching an installed menu entry.
for app in zoravel tymbrik; do
  m=/usr/share/metainfo/org.example.vfdtools.$app.metainfo.xml
  launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$m" 2>/dev/null)
  if [ -n "$launchable" ] && [ -f "/usr/share/applications/$launchable" ] &&
    grep -q '<caption>' "$m"; then
    pass "$app: AppStream metadata installed (launches $launchable, screenshot captioned)"
  else
    fail "$app: AppStream metadata $m missing, without a caption, or its launchable is not installed"
  fi
done

# The virtual display: ready on Com 1 within ten seconds.
rm -rf /tmp/s /tmp/vfdsim.out
vfdsim --headless --port 1 --state /tmp/s >/tmp/vfdsim.out 2>&1 &
sim=$!
for _ in $(seq 100); do
  grep -q "Virtual display on COM1" /tmp/vfdsim.out && break
  kill -0 "$sim" 2>/dev/null || break
  sleep 0.1
done
if grep -q "Virtual display on COM1" /tmp/vfdsim.out; then
  pass "vfdsim: $(grep -m1 'Virtual display on COM1' /tmp/vfdsim.out)"
else
  fail "vfdsim did not report COM1:"; sed 's/^/    /' /tmp/vfdsim.out
fi
# The command line against it, with no display server at all: the identity, and a settings file
# written and read back.
if out=$(env -u DISPLAY -u WAYLAND_DISPLAY vfdctl identify --port "Com 1" 2>&1) &&
  [ "$out" = "PID:3524" ]; then
  pass "vfdctl identify --port \"Com 1\": $out"
else
  fail "vfdctl identify on the virtual display:"; echo "$out" | sed 's/^/    /'
fi
if vfdctl make --set emulation=CD5220 --message1 "PACKAGE CHECK" -o /tmp/check.vfd &&
  vfdctl show /tmp/check.vfd | grep -q '^Command Mode  *CD5220$'; then
  pass "vfdctl make and show: a settings file written and read"
else
  fail "vfdctl make or show failed"
fi
kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null

# bash-completion loads a command's completion by its name from this folder.
if bash -c '_init_completion() { return 1; }; source /usr/share/bash-completion/completions/vfdctl &&
  complete -p vfdctl' >/dev/null 2>&1; then
  pass "bash completion for vfdctl installed"
else
  fail "bash completion for vfdctl missing or broken"
fi

# The two tools: still running after three seconds, no missing library, no crash.
for app in zoravel tymbrik; do
  QT_QPA_PLATFORM=offscreen "$app" >"/tmp/$app.out" 2>&1 &
  pid=$!
  sleep 3
  if kill -0 "$pid" 2>/dev/null; then
    pass "$app runs (still up after 3 s on the offscreen platform)"
    kill "$pid"; wait "$pid" 2>/dev/null
  else
    wait "$pid"; rc=$?
    fail "$app ended after start with status $rc:"; sed 's/^/    /' "/tmp/$app.out"
  fi
done
exit $((failures > 0))
EOF
chmod +x "$run/tmp/check.sh"

t0=$(date +%s.%N)
set +e
in_root "$run" /tmp/check.sh | tee "$work/check.log"
status=${PIPESTATUS[0]}
set -e

# Checks run from this machine, on the installed root and on the package file itself, with the
# tools installed here (scripts/setup.sh installs appstream; lintian when it is there).
host_check() {  # host_check PASS|FAIL TEXT
  echo "$1: $2" | tee -a "$work/check.log"
  [ "$1" = PASS ] || status=1
}
if command -v appstreamcli >/dev/null; then
  if out=$(appstreamcli validate-tree --no-net "$run" 2>&1); then
    host_check PASS "appstreamcli validate-tree: the installed metadata and menu entries"
  else
    host_check FAIL "appstreamcli validate-tree on the installed root:"
    echo "$out" | sed 's/^/    /'
  fi
else
  echo "note: appstreamcli not installed here; the installed metadata is not validated"
fi
if command -v lintian >/dev/null; then
  lint_log="$work/lintian.log"
  if lintian --fail-on error "$deb" >"$lint_log" 2>&1; then
    host_check PASS "lintian: no errors ($(grep -c '^W:' "$lint_log") warnings; log: $lint_log)"
  else
    host_check FAIL "lintian reports errors:"
    grep -E '^(E|W):' "$lint_log" | sed 's/^/    /'
  fi
else
  echo "note: lintian not installed here; the package is not linted"
fi
check_time=$(seconds_since "$t0")
t0=$(date +%s.%N)
unmount_all
remove_root "$run"
cleanup_time=$(seconds_since "$t0")

echo
echo "Package:   $deb"
echo "Root:      Debian $suite from $mirror ($([ $first_run = yes ] && echo "made now" || echo "cached"))"
echo "Times:     clean root ${base_time}s, install ${install_time}s, man-db ${man_time}s, checks ${check_time}s, clean-up ${cleanup_time}s, total $(seconds_since "$started")s"
if [ "$status" -eq 0 ]; then
  echo "RESULT: PASS ($(grep -c '^PASS' "$work/check.log") checks)"
else
  echo "RESULT: FAIL ($(grep -c '^FAIL' "$work/check.log") of $(grep -c -E '^(PASS|FAIL)' "$work/check.log") checks failed)"
fi
exit "$status"
