# Sourced: makes sure DISPLAY names a running X server, starting Xvfb on :99 if none does.
# THEMEFOLD_VIRTUAL_DISPLAY is set to that display when the windows go to Xvfb.
THEMEFOLD_VIRTUAL_DISPLAY=
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  export DISPLAY=:99
  THEMEFOLD_VIRTUAL_DISPLAY=:99
  if ! xdpyinfo >/dev/null 2>&1; then
    Xvfb :99 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
fi
