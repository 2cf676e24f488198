# A package folder as a package maker keeps it, its installer built with `mkinstaller build`, and
# a first install of that installer under Wine (sourced by tests/e2e/*.sh after lib.sh and
# e2e_init).

# The package's name holds a blank and Polish letters: it reaches the archive as UTF-8 names.
PKG_NAME="Kuchnie Łódź"
PKG_TEXTURE="tekstury/dąb jasny.jpg"
PKG_PRODUCENT='{"Producent":"Nordeka","Nazwa":"Nordeka Meble","Tel":"61 111 11 11"}'
PKG_DODATKI='{"ID":7,"Producent":"Nordeka","Nazwa":"Blat dębowy 120","cena":"399.00"}
{"ID":8,"Producent":"Nordeka","Nazwa":"Krzesło Łódź","cena":"250.00"}'
# The rows a first install leaves, as "ID|Nazwa|cena".
PKG_ROWS=$'7|Blat dębowy 120|399.00\n8|Krzesło Łódź|250.00'
PKG_HOST_WIN='D:\Nordeka\CAD A\'

# pkg_make_folder DIR: the package folder (PKG_DIR from then on): the cover, the description and
# the package's folder with its database and a texture in a sub-folder.
pkg_make_folder() {
  local dir=$1
  PKG_DIR=$dir
  mkdir -p "$dir/$PKG_NAME/$(dirname "$PKG_TEXTURE")"
  e2e_make_database "$dir/$PKG_NAME/dodatki.mdb" "$PKG_PRODUCENT" "$PKG_DODATKI" ||
    e2e_fail "cannot make the package's database"
  /usr/bin/convert -size 64x64 xc:'rgb(120,80,40)' "$dir/$PKG_NAME/$PKG_TEXTURE" ||
    e2e_fail "cannot make the texture"
  printf 'Kuchnie Łódź: fronty, blaty, uchwyty.\r\n' >"$dir/$PKG_NAME.txt"
  e2e_make_cover "$dir/$PKG_NAME.jpg" 1040 585 || e2e_fail "cannot make the cover"
}

# pkg_build DIR OUT.exe: builds the package folder's installer around the stub under test; the
# tool's output goes to the artifacts.
pkg_build() {
  "$E2E_MKINSTALLER" build "$1" -o "$2" --stub "$E2E_INSTALLER_EXE" \
    >>"$E2E_ART/mkinstaller.log" 2>&1
}

# pkg_check_verify NAME EXE SIGNED: `mkinstaller verify` accepts EXE, and its report (kept as
# NAME-verify.txt) names the package, counts the database's rows and says whether EXE is signed
# ("yes" or "no").
pkg_check_verify() {
  local name=$1 exe=$2 signed=$3
  local report=$E2E_ART/$name-verify.txt
  "$E2E_MKINSTALLER" verify "$exe" >"$report" 2>&1
  e2e_check_eq "$name: verify accepts the installer (exit code)" "$?" 0
  e2e_check_eq "$name: verify's last line" "$(tail -n 1 "$report")" \
    "OK: the installer will install package $PKG_NAME"
  e2e_check "$name: verify counts the rows" \
    grep -qF "info_producent 1 rows, Dodatki 2 rows" "$report"
  e2e_check "$name: verify says signed: $signed" grep -q "^signed: $signed" "$report"
}

# Rows of the Dodatki table as "ID|Nazwa|cena" lines, by our reader and by mdbtools.
pkg_rows_by_mdbtool() {
  "$E2E_MDBTOOL" export "$1" Dodatki |
    jq -r '[.ID, .Nazwa, .cena // ""] | map(tostring) | join("|")'
}
pkg_rows_by_mdbtools() {
  mdb-export -H -d '|' -q '' "$1" Dodatki | cut -d '|' -f 1,5,19
}

# pkg_window_pixel_near SHOT X Y "R G B": the screenshot's pixel at a point of the installer's
# window (after e2e_window_geometry) has about that colour.
pkg_window_pixel_near() {
  e2e_color_near "$(e2e_pixel "$1" $((E2E_WIN_X + $2)) $((E2E_WIN_Y + $3)))" "$4"
}

# pkg_install NAME EXE UNSIGNED_EXE: a first install of EXE onto a fresh drive D: holding an
# empty host installation: the window shows the cover and proposes the host, the working folder
# holds exactly UNSIGNED_EXE's archive, Install unpacks the package and writes its rows, Close
# cleans up.
pkg_install() {
  local name=$1 exe=$2 unsigned=$3
  local drive=$E2E_WORK/$name
  local lib="$drive/Nordeka/CAD A/dodatki"
  mkdir -p "$lib" "$drive/run"
  cp "$exe" "$drive/installer.exe"
  e2e_drive d "$drive"

  e2e_log "--- install $name"
  e2e_start_installer 'D:\installer.exe' "$drive/run"
  e2e_wait_window
  # The host is proposed only once the package and its cover have been found.
  e2e_wait_until "$E2E_DEADLINE" e2e_folder_is "$PKG_HOST_WIN" ||
    e2e_fail "$name: the folder field never showed $PKG_HOST_WIN; status: $(e2e_label_text)"
  e2e_check "$name: the archive is read in the installer, never copied" \
    e2e_file_absent "$(e2e_work_folders)/packages.zip"
  e2e_window_geometry
  local shot
  shot=$(e2e_screenshot "$name-proposed")
  e2e_check "$name: cover shown (left half)" pkg_window_pixel_near "$shot" 1 1 "$E2E_COVER_LEFT"
  e2e_check "$name: cover shown (right half)" \
    pkg_window_pixel_near "$shot" 1038 200 "$E2E_COVER_RIGHT"

  e2e_click_install
  e2e_wait_until 60 e2e_install_ended || e2e_fail "$name: the install did not end"
  e2e_controls >"$E2E_ART/$name-controls.txt"
  e2e_screenshot "$name-finished" >/dev/null
  e2e_check_eq "$name: finish screen (status label hidden)" \
    "$(e2e_control_visible "${E2E_LABEL[@]}")" 0

  local pkg=$lib/$PKG_NAME
  e2e_check "$name: texture unpacked as made" \
    cmp "$pkg/$PKG_TEXTURE" "$PKG_DIR/$PKG_NAME/$PKG_TEXTURE"
  e2e_check "$name: cover not unpacked" e2e_file_absent "$lib/$PKG_NAME.jpg"
  e2e_check "$name: description not unpacked" e2e_file_absent "$lib/$PKG_NAME.txt"
  e2e_check_eq "$name: rows (mdbtool)" "$(pkg_rows_by_mdbtool "$pkg/dodatki.mdb")" "$PKG_ROWS"
  e2e_check_eq "$name: rows (mdbtools)" "$(pkg_rows_by_mdbtools "$pkg/dodatki.mdb")" "$PKG_ROWS"
  e2e_check_eq "$name: producer row" \
    "$("$E2E_MDBTOOL" export "$pkg/dodatki.mdb" info_producent | jq -r .Tel)" "61 111 11 11"

  e2e_click_close
  e2e_wait_exit || e2e_fail "$name: the installer did not end after Close"
  e2e_check "$name: Close removed its working folder" e2e_no_work_folder
}
