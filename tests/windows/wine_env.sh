# Sourced by the Windows runners: a Wine prefix of the build's own, quiet, without sound drivers or the
# .NET and HTML installers a fresh prefix would ask for. Needs BUILD_DIR (absolute).
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,winepulse.drv,wineoss.drv,winedbg.exe=d"

# Boots the prefix (about 15 s the first time) and keeps one wineserver for every program that follows,
# so that each starts in a tenth of a second. wine_stop ends that server.
wine_start() {
  mkdir -p "$WINEPREFIX"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    timeout 300 wineboot -i >/dev/null 2>&1 || { echo "wine: the prefix did not boot" >&2; return 1; }
    # A crashing test must end with its failure, not wait for a debugger that nobody will attach.
    wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 || true
  fi
  wineserver -p >/dev/null 2>&1 || true  # one may run already, started by wineboot
  timeout 120 wineboot >/dev/null 2>&1 || true
}

wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
