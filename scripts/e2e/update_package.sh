# The rows of an earlier installation and of a package that updates it, and that package's
# archive (sourced by tests/e2e/*.sh after lib.sh and e2e_init). ID 2 is updated, ID 3 withdrawn
# (Nazwa "DELETE"), ID 4 new, ID 1 not mentioned.
OLD_PRODUCENT='{"Producent":"Nordeka","Nazwa":"Nordeka Meble","Tel":"61 000 00 00"}'
OLD_DODATKI='{"ID":1,"Producent":"Nordeka","Nazwa":"Szafka wisząca 60","cena":"420.00"}
{"ID":2,"Producent":"Nordeka","Nazwa":"Blat dębowy 120","cena":"380.00"}
{"ID":3,"Producent":"Nordeka","Nazwa":"Uchwyt stary","cena":"15.00"}'
NEW_PRODUCENT='{"Producent":"Nordeka","Nazwa":"Nordeka Meble","Tel":"61 111 11 11"}'
NEW_DODATKI='{"ID":2,"Producent":"Nordeka","Nazwa":"Blat dębowy 120","cena":"399.00"}
{"ID":3,"Producent":"Nordeka","Nazwa":"DELETE"}
{"ID":4,"Producent":"Nordeka","Nazwa":"Krzesło Łódź","cena":"250.00"}'

# update_make_package ZIP: the package P's archive: its database, a texture, cover and text.
update_make_package() {
  local pkg=$E2E_WORK/pkg
  mkdir -p "$pkg"
  e2e_make_database "$pkg/P\\dodatki.mdb" "$NEW_PRODUCENT" "$NEW_DODATKI" ||
    e2e_fail "cannot make the package's database"
  /usr/bin/convert -size 64x64 xc:'rgb(120,80,40)' "$pkg/P\\tekstury\\dab.jpg"
  echo "opis pakietu" >"$pkg/P.txt"
  e2e_make_cover "$pkg/P.jpg" 1040 585
  (cd "$pkg" && zip -X -q "$1" 'P\dodatki.mdb' 'P\tekstury\dab.jpg' P.jpg P.txt) ||
    e2e_fail "zip failed"
}

# Rows of the Dodatki table as "ID|Nazwa|cena" lines, read by mdbtools.
rows_by_mdbtools() {
  mdb-export -H -d '|' -q '' "$1" Dodatki | cut -d '|' -f 1,5,19
}
