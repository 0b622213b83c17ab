# A private Windows machine under Wine for scripts that source this file: a copy of a
# Windows build's prefix whose user folders lead into a fresh home, with the build's
# programs run in it and its dialogs driven by dialog_driver.exe. Needs DISPLAY for
# pictures (see tests/support/with-xvfb).
#
#   wine_session_create BUILD_DIR FOLDER   makes FOLDER/prefix and FOLDER/home and sets
#                                          WINE_RUN, WINE_BIN, WINE_PREFIX_DIR,
#                                          WINE_HOME_DIR, WINE_PROGRAMS_DIR
#   wine_start / wine_stop                 one wineserver until wine_stop, which ends
#                                          every process of the prefix and writes the
#                                          registry to disk
#   wine_driver ARGS...                    dialog_driver.exe with a time limit
#   wine_shoot TITLE FILE                  a picture of the window TITLE
#   wine_install_dialog_appears PRODUCT [FILE]
#                                          the install dialog and its file dialog are
#                                          shown; with FILE, their picture, the file
#                                          dialog moved below the install dialog
#   wine_registry_value KEY NAME           prints a REG_SZ value, fails when absent
#   wine_set_proxy PROXY BYPASS            the user's Internet settings name the proxy
#                                          list PROXY ("host:port", "https=host:port")
#                                          and the bypass list BYPASS ("a;b;<local>")
#   wine_trust_root PEM                    adds the certificate to the machine's root
#                                          store (the registry key Wine's crypt32 reads)

WINE_RUN=""
WINE_BIN=""
WINE_PREFIX_DIR=""
WINE_HOME_DIR=""
WINE_PROGRAMS_DIR=""

wine_session_create() {
  local build=$1 folder=$2 link target user_dir
  WINE_RUN="$build/wine-run"
  WINE_BIN="$build/bin"
  WINE_PREFIX_DIR="$folder/prefix"
  WINE_HOME_DIR="$folder/home"
  [ -e "$build/wine/prefix/.brenhold-ready" ] || timeout 120 "$WINE_RUN" cmd /c exit 0 >/dev/null 2>&1
  mkdir -p "$WINE_PREFIX_DIR" "$WINE_HOME_DIR/Desktop"
  cp -a "$build/wine/prefix/." "$WINE_PREFIX_DIR/" || return 1
  # The copied user folders (desktop, documents) still lead into the build's home.
  for link in "$WINE_PREFIX_DIR"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    target=$(readlink "$link")
    case "$target" in
      "$build/wine/home"*) ln -sfn "$WINE_HOME_DIR${target#"$build/wine/home"}" "$link" ;;
    esac
  done
  export BRENHOLD_WINEPREFIX="$WINE_PREFIX_DIR" BRENHOLD_WINE_HOME="$WINE_HOME_DIR"
  user_dir=$(ls -d "$WINE_PREFIX_DIR"/drive_c/users/*/AppData | grep -v /Public/ | head -n 1)
  WINE_PROGRAMS_DIR="$user_dir/Roaming/Microsoft/Windows/Start Menu/Programs"
  # As on a German Windows, C:\Programme exists (the file dialog takes the proposal only
  # when its folder does); nothing of a product is there yet.
  rm -rf "$WINE_PREFIX_DIR/drive_c/Programme" "$WINE_PROGRAMS_DIR"/*.lnk
  mkdir -p "$WINE_PREFIX_DIR/drive_c/Programme"
  wine_start || return 1
  timeout 60 "$WINE_RUN" reg delete 'HKCU\Software\Velmora' /f >/dev/null 2>&1
  return 0
}

# Wine's background services start with the server, writing nowhere, instead of holding
# the output of the first program open after it has ended.
wine_start() { timeout 60 "$WINE_RUN" --server-start; }

wine_stop() {
  [ -n "$WINE_PREFIX_DIR" ] || return 0
  WINEPREFIX="$WINE_PREFIX_DIR" timeout 20 wineserver -k 2>/dev/null
  return 0
}

wine_driver() { timeout 40 "$WINE_RUN" "$WINE_BIN/dialog_driver.exe" "$@"; }

wine_shoot() {
  local title=$1 file=$2 x y width height
  read -r x y width height < <(wine_driver rect "$title") || return 1
  import -window root "$file.screen.png" &&
    convert "$file.screen.png" -crop "${width}x${height}+${x}+${y}" +repage "$file"
  local rc=$?
  rm -f "$file.screen.png"
  return $rc
}

wine_install_dialog_appears() {
  local product=$1 picture=${2:-} x y width height
  wine_driver wait "$product Installation" && wine_driver wait @file || return 1
  [ -n "$picture" ] || return 0
  read -r x y width height < <(wine_driver rect "$product Installation") || return 1
  wine_driver move @file $((x + width / 3)) $((y + height + 8)) && sleep 0.5 &&
    wine_shoot "$product Installation" "$picture"
}

wine_registry_value() {
  timeout 60 "$WINE_RUN" reg query "$1" /v "$2" 2>/dev/null | sed -n "s/^ *$2 *REG_SZ *//p" | tr -d '\r' | grep .
}

wine_trust_root() {
  local der hash size
  der=$(openssl x509 -in "$1" -outform DER | od -An -v -tx1 | tr -d ' \n') || return 1
  hash=$(openssl x509 -in "$1" -noout -fingerprint -sha1 | sed 's/.*=//; s/://g') || return 1
  size=$(printf '%08x' $((${#der} / 2)))
  # The store's serialized form: property 32 (the encoded certificate), a 1, the size in
  # little-endian order, the bytes; the key is named by the certificate's SHA-1 hash.
  timeout 60 "$WINE_RUN" reg add "HKLM\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\$hash" \
    /v Blob /t REG_BINARY /d "2000000001000000${size:6:2}${size:4:2}${size:2:2}${size:0:2}$der" /f >/dev/null 2>&1
}

# The settings as the user's dialog writes them, and the connection record that WinHTTP
# reads (Wine's reads that one only): magic 0x46, a counter, flags 3 (direct and proxy),
# then the proxy list, the bypass list and an empty script address, each after its size.
wine_set_proxy() {
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' record text size
  record=460000000000000003000000
  for text in "$1" "$2" ""; do
    size=$(printf '%08x' ${#text})
    record+="${size:6:2}${size:4:2}${size:2:2}${size:0:2}$(printf '%s' "$text" | od -An -v -tx1 | tr -d ' \n')"
  done
  timeout 60 "$WINE_RUN" reg add "$key" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1 &&
    timeout 60 "$WINE_RUN" reg add "$key" /v ProxyServer /d "$1" /f >/dev/null 2>&1 &&
    timeout 60 "$WINE_RUN" reg add "$key" /v ProxyOverride /d "$2" /f >/dev/null 2>&1 &&
    timeout 60 "$WINE_RUN" reg add "$key\\Connections" /v DefaultConnectionSettings /t REG_BINARY /d "$record" /f \
      >/dev/null 2>&1
}
