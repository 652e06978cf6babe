# Shared by the scripts in scripts/: packages, the Wine prefix, the X display.
# Source it; it defines functions and a few variables and changes nothing else.
# shellcheck shell=bash

KV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
KV_BUILD="$KV_ROOT/build"
KV_JOBS=${KOVRIN_JOBS:-2}

kv_log() { printf '==> %s\n' "$*"; }
kv_warn() { printf 'warning: %s\n' "$*" >&2; }
kv_die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# ------------------------------------------------------------- packages ---
KV_PACKAGES_BUILD=(cmake ninja-build g++ zlib1g-dev googletest libbenchmark-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev libz-mingw-w64-dev)
KV_PACKAGES_RUN=(wine wine64 fonts-wine fonts-wqy-microhei xvfb xauth xdotool imagemagick)

kv_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || printf '%s\n' "$p"
  done
}

# Installs whatever of the named packages is missing; a ready machine pays
# only the dpkg look-up.
kv_ensure_packages() {
  local missing
  mapfile -t missing < <(kv_missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  kv_log "installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || kv_die "missing packages (${missing[*]}) and not root: run as root"
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq || kv_die "apt-get update failed"
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
    kv_die "apt-get install failed: ${missing[*]}"
}

# --------------------------------------------------------------- display ---
KV_XVFB_PID=""

kv_display_usable() {
  [ -n "${DISPLAY:-}" ] && timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1
}

# Uses $DISPLAY when it answers; otherwise starts Xvfb on a free display and
# exports DISPLAY. kv_stop_display stops only an Xvfb started here.
kv_ensure_display() {
  if kv_display_usable; then
    kv_log "using display $DISPLAY"
    return 0
  fi
  local n log
  log="$KV_BUILD/xvfb.log"
  mkdir -p "$KV_BUILD"
  for n in $(seq 90 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$log" 2>&1 &
    KV_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      if ! kill -0 "$KV_XVFB_PID" 2>/dev/null; then break; fi
      if [ -e "/tmp/.X11-unix/X$n" ] && DISPLAY=":$n" timeout 5 xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        kv_log "started Xvfb on display $DISPLAY"
        return 0
      fi
      sleep 0.1
    done
    kill "$KV_XVFB_PID" 2>/dev/null
    wait "$KV_XVFB_PID" 2>/dev/null
    KV_XVFB_PID=""
  done
  kv_die "could not start Xvfb (see $log)"
}

kv_stop_display() {
  if [ -n "$KV_XVFB_PID" ]; then
    kill "$KV_XVFB_PID" 2>/dev/null
    wait "$KV_XVFB_PID" 2>/dev/null
    KV_XVFB_PID=""
  fi
}

# ------------------------------------------------------------------ wine ---
# The template prefix is made once and copied for every run. Change the stamp
# when the setup below changes, so that old templates are made again.
KV_WINE_TEMPLATE="$KV_BUILD/wine-template"
KV_WINE_STAMP="kovrin-wine-template 1"

# Writes the registry file for Chinese text under any ANSI code page: font
# replacements to WenQuanYi Micro Hei, font links for the usual UI faces, and
# no window-manager decorations (which also removes Wine's delay on closing a
# window). Chinese value names need UTF-16LE with a byte-order mark.
kv_wine_registry_file() {
  local out=$1 face link
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft YaHei" "SimSun" "宋体" "SimHei" "Segoe UI" \
        "Microsoft Sans Serif"; do
      printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    # REG_MULTI_SZ "wqy-microhei.ttc,WenQuanYi Micro Hei" as UTF-16LE hex.
    link=$(printf 'wqy-microhei.ttc,WenQuanYi Micro Hei' | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v |
      tr -s ' \n' ',' | sed 's/^,//; s/,$//')
    link="$link,00,00,00,00"
    for face in "Tahoma" "Tahoma Bold" "System" "Microsoft Sans Serif" "MS Sans Serif" "Segoe UI" "Arial"; do
      printf '"%s"=hex(7):%s\r\n' "$face" "$link"
    done
    printf '\r\n'
  } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$out"
}

# Makes the template prefix when it is missing or out of date. Needs a display.
kv_ensure_wine_template() {
  if [ -f "$KV_WINE_TEMPLATE/.kovrin-template" ] &&
     [ "$(cat "$KV_WINE_TEMPLATE/.kovrin-template")" = "$KV_WINE_STAMP" ]; then
    return 0
  fi
  kv_log "creating the Wine template prefix (once)"
  rm -rf "$KV_WINE_TEMPLATE"
  mkdir -p "$KV_WINE_TEMPLATE"
  (
    export WINEPREFIX="$KV_WINE_TEMPLATE" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    timeout 300 wineboot --init </dev/null >/dev/null 2>&1 || exit 1
    timeout 60 wineserver -w
    fonts="$WINEPREFIX/drive_c/windows/Fonts"
    mkdir -p "$fonts"
    cp -f /usr/share/wine/fonts/* "$fonts/" || exit 1
    kv_wine_registry_file "$WINEPREFIX/drive_c/kovrin-fonts.reg"
    timeout 120 wine regedit /S 'C:\kovrin-fonts.reg' </dev/null >/dev/null 2>&1
    rm -f "$WINEPREFIX/drive_c/kovrin-fonts.reg"
    # The server writes the registry out when it ends by itself.
    timeout 60 wineserver -w
    grep -q 'WenQuanYi Micro Hei' "$WINEPREFIX/user.reg" || exit 1
    grep -q 'wqy-microhei.ttc' "$WINEPREFIX/system.reg" || exit 1
  ) || { rm -rf "$KV_WINE_TEMPLATE"; kv_die "could not create the Wine template prefix"; }
  printf '%s\n' "$KV_WINE_STAMP" >"$KV_WINE_TEMPLATE/.kovrin-template"
}

KV_WINE_STARTED=""

# Copies the template into a prefix directory (a fresh one unless it exists)
# and exports WINEPREFIX for it.
kv_use_prefix() {
  local prefix=$1
  if [ ! -f "$prefix/.kovrin-template" ]; then
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    cp -a "$KV_WINE_TEMPLATE" "$prefix" || kv_die "could not copy the Wine template"
  fi
  export WINEPREFIX="$prefix" WINEDEBUG=${WINEDEBUG:--all}
}

# Starts the prefix's wine server outside every captured pipe, so that later
# commands whose output is captured do not keep waiting on it. The session's
# first program fixes the display for the whole session: started without one,
# Wine takes a screen of 1024x768 and later GUI programs fail to show their
# windows even when they are given a display. So a display comes first.
kv_start_wine() {
  [ -n "${WINEPREFIX:-}" ] || kv_die "no WINEPREFIX"
  kv_display_usable || kv_die "no usable DISPLAY for the Wine session (run kv_ensure_display first)"
  setsid wineserver -p </dev/null >/dev/null 2>&1
  timeout 120 setsid wine cmd /c exit </dev/null >/dev/null 2>&1 || kv_warn "wine did not start cleanly"
  KV_WINE_STARTED=1
}

kv_stop_wine() {
  if [ -n "$KV_WINE_STARTED" ] && [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1
    timeout 60 wineserver -w >/dev/null 2>&1
    KV_WINE_STARTED=""
  fi
}

# A Unix path as Wine sees it (drive Z: is the root).
kv_winpath() { printf 'Z:%s' "$(realpath -m "$1" | tr '/' '\\')"; }
