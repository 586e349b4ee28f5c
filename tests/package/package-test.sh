#!/usr/bin/env bash
# Builds the Debian package from an existing build tree and checks it without installing it:
#   package-test.sh BUILD_DIR VERSION PLUGIN_DIR DEVSIM
# The package is unpacked with dpkg -x into a temporary folder; its file list, control fields,
# desktop entries and metainfo are checked, and each installed program answers --version,
# --help and --ports and starts offscreen, as the desktop menu starts it, to its first window.
set -euo pipefail
export LC_ALL=C
build=$1 version=$2 plugins=$3 devsim=$4
tmp=$(mktemp -d)
devsim_pid=
cleanup() {
  if [ -n "$devsim_pid" ]; then kill "$devsim_pid" 2>/dev/null || true; fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# 1. The package, from the build tree as it stands (cpack installs into its own staging folder).
(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
arch=$(dpkg --print-architecture)
deb="$tmp/out/tankcfg_${version}_${arch}.deb"
[ -f "$deb" ] || { ls "$tmp/out"; fail "no $deb"; }

# 2. Control fields: the version, and the libraries found by dpkg-shlibdeps plus the plugins.
[ "$(dpkg-deb -f "$deb" Package)" = tankcfg ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libc6 libqt6core6 libqt6widgets6 libqt6serialport6 libqt6charts6 libqt6printsupport6 qt6-qpa-plugins; do
  grep -qE "(^|, )$dep( |,|$)" <<<"$depends" || fail "Depends lacks $dep: $depends"
done
! grep -qE 'gsf|libxml2' <<<"$depends" || fail "Depends names a workbook library: $depends"

# No maintainer scripts: `apt remove` then leaves nothing of the package behind.
! dpkg-deb -I "$deb" | grep -qE '^ .*(preinst|postinst|prerm|postrm)' || fail "maintainer scripts: $(dpkg-deb -I "$deb")"

# 3. Exactly these files, all under /usr; the chart module where Debian keeps private libraries.
moduledir=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/tankcfg
expected="./usr/bin/marvane
./usr/bin/ostrel
./$moduledir/libtankcfg-chart.so
./usr/share/applications/org.tankcfg.Marvane.desktop
./usr/share/applications/org.tankcfg.Ostrel.desktop
./usr/share/doc/tankcfg/README.md
./usr/share/doc/tankcfg/field-setup.md
./usr/share/icons/hicolor/128x128/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/128x128/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/16x16/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/16x16/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/22x22/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/22x22/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/24x24/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/24x24/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/256x256/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/256x256/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/32x32/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/32x32/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/48x48/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/48x48/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/64x64/apps/org.tankcfg.Marvane.png
./usr/share/icons/hicolor/64x64/apps/org.tankcfg.Ostrel.png
./usr/share/icons/hicolor/scalable/apps/org.tankcfg.Marvane.svg
./usr/share/icons/hicolor/scalable/apps/org.tankcfg.Ostrel.svg
./usr/share/metainfo/org.tankcfg.Marvane.metainfo.xml
./usr/share/metainfo/org.tankcfg.Ostrel.metainfo.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$actual" = "$expected" ] || { diff <(echo "$expected") <(echo "$actual") >&2 || true; fail "file list"; }
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ && $2 != "root/root" { bad = 1; print } END { exit bad }' >&2 || fail "files not owned by root"

root="$tmp/root"
dpkg -x "$deb" "$root"
for prog in marvane ostrel; do [ -x "$root/usr/bin/$prog" ] || fail "$prog not executable"; done
# A program loads only what it uses: the workbooks are our own code, so neither program links a
# workbook library or glib's object libraries itself (Qt Core's own glib is not theirs), and
# neither program parses its SVG icon at start.
needed() { objdump -p "$root/usr/bin/$1" | awk '$1 == "NEEDED" { print $2 }'; }
for prog in marvane ostrel; do
  ! needed "$prog" | grep -qE 'gsf|glib|gobject' || fail "$prog loads glib's libraries itself: $(needed "$prog" | tr '\n' ' ')"
done
for prog in marvane ostrel; do ! needed "$prog" | grep -q Svg || fail "$prog loads Qt's SVG module"; done
# The chart's drawing and printing libraries come with the chart module, which Marvane loads
# when a chart is first needed; the package depends on them through the module.
for prog in marvane ostrel; do
  ! needed "$prog" | grep -qE 'Charts|OpenGL|PrintSupport' || fail "$prog loads the chart's libraries at start: $(needed "$prog" | tr '\n' ' ')"
done

# 4. Desktop entries and metainfo as installed; each entry's icon and program are in the package.
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$tmp/as.log" 2>&1 || { cat "$tmp/as.log"; fail "appstreamcli validate"; }
for id in org.tankcfg.Marvane org.tankcfg.Ostrel; do
  entry="$root/usr/share/applications/$id.desktop"
  [ "$(sed -n 's/^Icon=//p' "$entry")" = "$id" ] || fail "$id: Icon"
  exe=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$exe" ] || fail "$id: Exec names $exe, which the package lacks"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/usr/share/metainfo/$id.metainfo.xml" || fail "$id: launchable"
done

# 5. Each program as installed: its answers, and a start from the menu to its first window.
# A home of its own, and no SERIAL_COM<n> or port link of the machine's user.
export HOME="$tmp/home" XDG_CONFIG_HOME="$tmp/home/.config" XDG_DATA_HOME="$tmp/home/.local/share"
unset XDG_DOCUMENTS_DIR
mkdir -p "$HOME" "$tmp/cwd"
for v in $(env | sed -n 's/^\(SERIAL_COM[0-9]*\)=.*/\1/p'); do unset "$v"; done
coproc DEVSIM { exec "$devsim" --until-stdin-closes COM1=probe:3; }
devsim_pid=${DEVSIM_PID:?}
pty=
while read -r name path <&"${DEVSIM[0]}"; do
  [ "$name" = ready ] && break
  [ "$name" = COM1 ] && pty=$path
done
[ -n "$pty" ] || fail "devsim gave no port"

run_menu_start() {  # program, expected title
  local prog=$1 title=$2 entry args out
  entry="$root/usr/share/applications/org.tankcfg.${prog^}.desktop"
  args=$(sed -n 's/^Exec=[^ ]*//p' "$entry")
  # shellcheck disable=SC2086 # the entry's arguments, split as the menu splits them
  out=$(cd "$tmp/cwd" && SERIAL_COM1="$pty" SERIAL_COM2='' SERIAL_COM3='' SERIAL_COM4='' SERIAL_COM5='' SERIAL_COM6='' \
        QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$plugins" QT_QPA_GENERIC_PLUGINS=firstwindow \
        timeout 60 "$root/usr/bin/$prog" $args 2>"$tmp/$prog.err") || { cat "$tmp/$prog.err" >&2; fail "$prog did not start and end: $out"; }
  grep -qx "first window: $title" <<<"$out" || { cat "$tmp/$prog.err" >&2; fail "$prog: first window is not '$title': $out"; }
  grep -qx "icon: 64x64" <<<"$out" || fail "$prog: no window icon drawn: $out"
}

for prog in marvane ostrel; do
  [ "$("$root/usr/bin/$prog" --version)" = "$prog $version" ] || fail "$prog --version"
  help=$("$root/usr/bin/$prog" --help)
  for opt in --help --version --ports --user-folder; do grep -q -- "$opt" <<<"$help" || fail "$prog --help lacks $opt"; done
  ports=$("$root/usr/bin/$prog" --ports)
  for n in $(seq 1 16); do grep -q "^COM$n " <<<"$ports" || fail "$prog --ports lacks COM$n"; done
  rc=0
  QT_QPA_PLATFORM=offscreen "$root/usr/bin/$prog" --no-such-option >/dev/null 2>"$tmp/unknown.err" || rc=$?
  if [ "$rc" != 1 ] || ! grep -q "no-such-option" "$tmp/unknown.err"; then
    fail "$prog: an unknown option gives $rc: $(cat "$tmp/unknown.err")"
  fi
done
run_menu_start marvane "Vantrel config"

# Marvane finds the chart module beside it, by the path relative to the program; without the
# module the chart window stays empty, and the program still ends as it should.
chart_start() {
  (cd "$tmp/cwd" && SERIAL_COM1='' SERIAL_COM2='' SERIAL_COM3='' QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$plugins" \
     QT_QPA_GENERIC_PLUGINS=chartwindow timeout 60 "$root/usr/bin/marvane" 2>"$tmp/chart.err")
}
out=$(chart_start) || { cat "$tmp/chart.err" >&2; fail "marvane with its chart shown did not end: $out"; }
[ "$out" = "chart view: QChartView" ] || { cat "$tmp/chart.err" >&2; fail "marvane drew no chart from its module: $out"; }
mv "$root/$moduledir" "$tmp/moved-module"
out=$(chart_start) || { cat "$tmp/chart.err" >&2; fail "marvane without its chart module did not end: $out"; }
mv "$tmp/moved-module" "$root/$moduledir"
[ "$out" = "chart view: none" ] || fail "marvane drew a chart without the module beside it: $out"
run_menu_start ostrel "Probe config"

# The menu start works in the user's own folder, and leaves the directory it started in alone.
for folder in Marvane Ostrel; do
  for sub in data log; do [ -d "$HOME/Documents/$folder/$sub" ] || fail "$folder: no working folder with $sub"; done
done
[ -z "$(ls -A "$tmp/cwd")" ] || fail "a menu start wrote into the directory it was started in"
echo "package $(basename "$deb") checked"
