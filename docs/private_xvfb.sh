# Sourced by the screenshot scripts: starts Xvfb on the first free display
# from :90 on (1920 x 1200, room for the editor at 200 %), sets `xvfb` to its
# pid and exports DISPLAY. $work is the script's scratch folder.
for n in $(seq 90 189); do
  [ -e "/tmp/.X$n-lock" ] && continue
  # Xvfb writes its number once it is ready.
  Xvfb ":$n" -screen 0 1920x1200x24 -noreset -nolisten tcp -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$work/display" ] && break
  kill "$xvfb" 2>/dev/null || true
  xvfb=""
done
[ -n "$xvfb" ] || { echo "could not start Xvfb" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
