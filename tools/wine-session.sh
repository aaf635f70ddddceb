# Sourced by the test and benchmark commands: one Wine server for the whole session
# (starting Wine is slow without one), its services started up front with their output
# detached (they outlive every test, and a test runner would otherwise wait on their
# output), and a virtual display when there is none. Everything stops on exit.
export SETUP_WINEPREFIX=$PWD/build/wineprefix
# Web addresses opened in the session go to a recorder, not a browser (the tests read
# what was opened). The installer asks the desktop's shell to open them, and that
# process takes its environment from the session, not from the test that clicked.
if [ -d build/win32/tests/url-opener ]; then
  export PATH=$PWD/build/win32/tests/url-opener:$PATH
  export SETUP_URL_LOG=$PWD/build/win32/tests/url-opener.log
fi
./tools/prepare-wine-prefix.sh # creates the prefix on first use
WINEPREFIX=$SETUP_WINEPREFIX wineserver -w # until the preparation's server has gone
WINEPREFIX=$SETUP_WINEPREFIX WINEARCH=win32 wineserver -p
wine_session_xvfb=
if [ -z "${DISPLAY:-}" ]; then
  export DISPLAY=:97
  Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  wine_session_xvfb=$!
fi
end_wine_session() {
  WINEPREFIX=$SETUP_WINEPREFIX wineserver -k 2>/dev/null || true
  [ -n "$wine_session_xvfb" ] && kill "$wine_session_xvfb" 2>/dev/null
  return 0
}
trap end_wine_session EXIT
./tools/wine-run.sh cmd /c exit </dev/null >/dev/null 2>&1 || true
