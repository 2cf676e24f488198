# JSON Lines for the Dodatki table: rows IDs 1..n (awk -v n=100000 -f dodatki_rows.awk), about
# 120 characters of text each; every seventh row carries Polish letters beyond Latin-1.
BEGIN {
  if (n == "") n = 1000
  split("Szafki Blaty Uchwyty Zlewy Oświetlenie Cokoły", groups, " ")
  for (id = 1; id <= n; id++) {
    g = groups[id % 6 + 1]
    name = (id % 7 == 0) ? "Półka narożna łączona " id : "Szafka wisząca 60 cm nr " id
    printf "{\"ID\":%d,\"Producent\":\"Nordeka\",\"Grupa\":\"%s\",\"Typ\":\"T%d\",", id, g, id % 40
    printf "\"Nazwa\":\"%s\",\"JPG\":\"s%06d.jpg\",\"Kod_Producenta\":\"K-%d\",", name, id, id * 7
    printf "\"Dodatek_wst\":%s,\"Kolor\":\"biały\",\"DWG\":\"s%06d.dwg\",", (id % 3 == 0) ? "true" : "false", id
    printf "\"Opis_Produktu\":\"Front lakierowany, zawiasy z cichym domykiem\",\"cena\":\"%d.%02d\"}\n", id % 900 + 100, id % 100
  }
}
