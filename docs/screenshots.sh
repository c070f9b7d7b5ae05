#!/usr/bin/env bash
# Takes the README's screenshots of the real program under a virtual X server (1280x800), driven
# with xdotool by mouse and keyboard as a user would, against the simulated devices of ./run:
#   docs/main-window.png   the main window with a calibration package
#   docs/kelt-panel.png    the KELT panel after reading the simulated transducer
#   docs/graphs.png        the graph window
#   docs/verdict-table.png the verification package judged by a tolerance profile
#   docs/protocol-pdf.png  the first page of its protocol in PDF, with the verdict
#   docs/history.png       the history window with the events of this run
# The document is examples/kelt.srv when it exists and is of the simulated model; otherwise it is
# made here through the program itself: a new КЕЛТ1-ЧИ7.73-xxx document (the model the KELT
# simulator answers as), one calibration package of six measurements taken with the RM-2.3 dialog
# from the simulated instrument (three flow points: its inputs pulse at 100, 50 and 20 Hz, the
# volumes are typed in as the bench gave them), a break point at the middle one, and the two lines
# of the approximation written into the simulated transducer. The example's first package is
# approximated and written alike.
# The clicks are positions inside the program's windows; they assume the layout and the DejaVu
# fonts the program gets here, so a changed layout needs them adjusted.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

install_tools() {
  local missing=()
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xdotool >/dev/null || missing+=(xdotool)
  command -v import >/dev/null && command -v convert >/dev/null || missing+=(imagemagick)
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install_tools
td_install_packages
td_build

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  td_stop_simulators
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
export DISPLAY=":$display"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

td_start_simulators

# The id of the program's visible window titled exactly $1 (waits up to 10 s).
window_named() {
  local w
  for _ in $(seq 50); do
    for w in $(xdotool search --onlyvisible --classname tdservice 2>/dev/null); do
      [ "$(xdotool getwindowname "$w")" = "$1" ] && { echo "$w"; return 0; }
    done
    sleep 0.2
  done
  echo "The window \"$1\" did not appear" >&2
  return 1
}

# Clicks at x, y inside window $1.
click() {
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 0.5
}

# Selects item $2 (0 = first) of the main window's menu whose title is at x = $1.
menu() {
  click "$main" "$1" 8
  click "$main" $(($1 + 30)) $((29 + 22 * $2))
  sleep 0.5
}
MENU_FILE=20 MENU_PACKAGES=80 MENU_APPROXIMATION=170 MENU_PAGES=265

# Selects the last item of the drop-down list at x, y of window $1, less $4 items.
choose_from_end() {
  click "$1" "$2" "$3"
  xdotool key End
  for _ in $(seq "$4"); do xdotool key Up; done
  xdotool key Return
  sleep 0.5
}

# Replaces the text of the field at x, y of window $1 by $4.
type_into() {
  click "$1" "$2" "$3"
  xdotool key ctrl+a
  xdotool type --delay 30 "$4"
  xdotool key Tab
}

# Saves window $1 as docs/$2, small: 8-bit palette, no metadata.
shoot() {
  sleep 1
  import -window "$1" "$work/shot.png"
  convert "$work/shot.png" -strip -colors 256 -define png:compression-level=9 "PNG8:docs/$2"
  echo "docs/$2"
}

# Settings, port choices and the file-type registration of this run stay in the temporary folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME"
# The example is taken when it is of the model the simulator answers as (type code 25, byte 8 of
# the file): the clicks below assume that model's panel.
document=()
if [ -f examples/kelt.srv ] && [ "$(od -An -tu1 -j8 -N1 examples/kelt.srv | tr -d ' ')" = 25 ]; then
  document=(examples/kelt.srv)
fi
LANG=ru_RU.UTF-8 TDSERVICE_PORTS="$TD_SIM_PORTS" build/tdservice "${document[@]}" \
  >"$work/tdservice.log" 2>&1 &
app_pid=$!

for _ in $(seq 50); do
  main=$(xdotool search --onlyvisible --classname tdservice 2>/dev/null | head -n 1) || true
  [ -n "$main" ] && break
  sleep 0.2
done
[ -n "$main" ] || { echo "The program did not start" >&2; exit 1; }
xdotool windowsize "$main" 1200 760
xdotool windowmove "$main" 40 20
sleep 1

if [ ${#document[@]} -eq 0 ]; then
  # Файл → Новый: the КЕЛТ-ЧИ7.73 group is the seventh row of the device tree; open it and take
  # its first model.
  menu $MENU_FILE 0
  window_named "Создать новый документ" >/dev/null
  xdotool key Home Down Down Down Down Down Down Right Down Return
  sleep 1.5
fi

# The KELT panel: the simulated port is the third from the end of the list (sim-td, sim-kelt,
# sim-zorb, sim-rm23 come last); choosing it opens it. Then read the transducer.
choose_from_end "$main" 350 95 2
sleep 1
click "$main" 48 591    # "Считать"
sleep 2
click "$main" 158 236   # "Автонастройка": the adapter picks its threshold, the coupling turns green
sleep 2

if [ ${#document[@]} -eq 0 ]; then
  # Пакеты → Новый пакет: a calibration package, volume method (the dialog's first choices).
  menu $MENU_PACKAGES 0
  window_named "Создать пакет" >/dev/null
  xdotool key Return
  sleep 1

  # Пакеты → Ввод с РМ-2.3: the instrument on sim-rm23 (the last port), input 2 on its fourth
  # input, so that input 1 offers inputs 1..3 (100, 50 and 20 Hz); the thermometer the simulator
  # imitates; two-second runs.
  menu $MENU_PACKAGES 5
  rm=$(window_named "РМ-2.3")
  choose_from_end "$rm" 282 21 0
  sleep 1
  choose_from_end "$rm" 274 128 0
  choose_from_end "$rm" 274 268 0
  type_into "$rm" 274 184 "2"
  # Input 1 from the end of its list (3, 2, 1) with the volume the bench gave for each run.
  for run in "0 2,000" "0 2,004" "1 5,060" "1 5,048" "2 10,000" "2 10,030"; do
    set -- $run
    choose_from_end "$rm" 274 100 "$1"
    click "$rm" 111 296   # "Старт"
    sleep 4
    type_into "$rm" 231 481 "$2"
    click "$rm" 201 509   # "Добавить в пакет"
  done
  xdotool key Escape   # closes the dialog (it has the focus)
  sleep 1

  # A break point at the middle flow point ("Точка" of the third row), so that the piecewise-linear
  # approximation (manual mode by default) gives two lines.
  click "$main" 67 135
else
  menu $MENU_PAGES 1     # the example's first package
fi

# Аппроксимация → Аппроксимация on the package, then the lines are written into the transducer
# from its panel and read back, so that the panel shows what the transducer holds now.
menu $MENU_APPROXIMATION 2
menu $MENU_PAGES 0
click "$main" 135 591   # "Записать"
sleep 2
click "$main" 48 591    # "Считать"
sleep 2

shoot "$main" kelt-panel.png

# The package's page (Страницы → second item), then the graph window.
menu $MENU_PAGES 1
shoot "$main" main-window.png

menu $MENU_APPROXIMATION 4
graph=$(window_named "График")
xdotool windowsize "$graph" 1100 700
xdotool windowmove "$graph" 90 50
sleep 1
shoot "$graph" graphs.png

# The verification package judged by the profile "±0,5 %", chosen in the list above the table
# ("нет", "±0,5 %", "±1 %", "±2 %").
xdotool key Escape   # closes the graph window
sleep 0.5
menu $MENU_PAGES 2
choose_from_end "$main" 104 88 2
shoot "$main" verdict-table.png

# Its report (Ctrl+R) puts the verification and the report on record; the history window (Ctrl+H)
# then shows the transducer's events of this run: reads, the write with its check, approximation,
# verification and report.
xdotool key ctrl+r
sleep 2
xdotool key ctrl+h
history=$(window_named "Журнал калибровок")
xdotool windowsize "$history" 1100 620
xdotool windowmove "$history" 90 50
sleep 2
shoot "$history" history.png
xdotool key Escape   # closes the history window
build/cli/tdservice-cli history list --family kelt | grep -o '"kind": "[a-z]*"' | sort | uniq -c

# The first page of the verification protocol in PDF, judged by two zones.
build/cli/tdservice-cli report examples/kelt.srv --package 2 --pdf "$work/protocol.pdf" \
  --limits "0:0,3;4:0,2" --operator "Иванов И. И." --bench "Установка поверочная №2" \
  --reference "Весы ВЛ-60, мерник 50 л"
pdftoppm -f 1 -l 1 -r 80 -png "$work/protocol.pdf" "$work/protocol"
convert "$work"/protocol-*1.png -strip -colors 64 -define png:compression-level=9 \
  "PNG8:docs/protocol-pdf.png"
echo docs/protocol-pdf.png
