#!/usr/bin/env node
// Prints a table of a Jet database as JSON Lines through the npm package mdb-reader, in the
// conventions of `mdbtool export`: keys in table order, null, true/false, numbers for numeric
// types (shortest form that reads back to the stored value), strings for text and memo,
// ISO 8601 for dates, base64 for binary and OLE, "{GUID}" for replication ids.
//   node export.js FILE TABLE      rows of TABLE
//   node export.js FILE            user table names, one a line
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

// Shortest decimal text that reads back to the same 32-bit float.
function floatText(x) {
  for (let p = 1; p <= 9; p++) {
    const s = Number(x.toPrecision(p));
    if (Math.fround(s) === x) return JSON.stringify(s);
  }
  return JSON.stringify(x);
}

// "3.5000" -> "3.5", "-0.0" -> "0": exact decimal text as a JSON number.
function decimalText(s) {
  let [whole, frac = ""] = s.split(".");
  frac = frac.replace(/0+$/, "");
  let negative = whole.startsWith("-");
  whole = whole.replace(/^-/, "").replace(/^0+(?=\d)/, "");
  const out = frac ? `${whole}.${frac}` : whole;
  return negative && out !== "0" ? `-${out}` : out;
}

function isoText(date) {
  return date.toISOString().replace(/Z$/, "").replace(/\.000$/, "");
}

function valueText(column, v) {
  if (v === null || v === undefined) return "null";
  switch (column.type) {
    case "float":
      return floatText(v);
    case "double":
      return Number.isFinite(v) ? JSON.stringify(v) : "null";
    case "currency":
    case "numeric":
      return decimalText(v);
    case "datetime":
      return Number.isNaN(v.getTime()) ? "null" : JSON.stringify(isoText(v));
    case "binary":
    case "ole":
      return JSON.stringify(Buffer.from(v).toString("base64"));
    case "repid":
      return JSON.stringify(`{${v.toUpperCase()}}`);
    default:
      return JSON.stringify(v);
  }
}

const [file, tableName] = process.argv.slice(2);
if (!file) {
  process.stderr.write("usage: node export.js FILE [TABLE]\n");
  process.exit(1);
}
const reader = new MDBReader(readFileSync(file));
if (!tableName) {
  for (const name of reader.getTableNames()) process.stdout.write(`${name}\n`);
} else {
  const table = reader.getTable(tableName);
  const columns = table.getColumns();
  const keys = columns.map((c) => JSON.stringify(c.name) + ":");
  const lines = [];
  for (const row of table.getData()) {
    lines.push("{" + columns.map((c, i) => keys[i] + valueText(c, row[c.name])).join(",") + "}\n");
  }
  process.stdout.write(lines.join(""));
}
