#!/usr/bin/env node
// N rows for the accessory table Dodatki as JSON Lines (the input of `mdbtool import`): unique
// IDs, Polish text, a mix of filled and null columns.
//   node dodatki_rows.mjs N
const count = Number(process.argv[2] ?? 100000);
const lines = [];
for (let i = 1; i <= count; i++) {
  lines.push(
    JSON.stringify({
      ID: i,
      Producent: "Nordeka",
      Grupa: `Krzesła ${i % 37}`,
      Typ: `typ${i % 5}`,
      Nazwa: `Krzesło obrotowe model ${i} – ąęłńóśźż`,
      JPG: `k${i}.jpg`,
      Kod_Producenta: `KP-${(i * 7919) % 100000}`,
      Dodatek_wst: i % 3 === 0,
      Kod_Wstawiania: `A${i % 9}`,
      Kolor: "biały",
      Wysokosc: String(40 + (i % 60)),
      Opis_Produktu: `Opis produktu numer ${i}, wygodne krzesło biurowe z regulacją wysokości.`,
      cena: String((i % 1000) + 0.99),
      vat: "23",
      "wymiar X": "45",
      "wymiar Y": "50",
      "wymiar Z": String(80 + (i % 40)),
    }),
  );
}
process.stdout.write(lines.join("\n") + "\n");
