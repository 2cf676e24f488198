#!/usr/bin/env node
// Reads every user table of every fixture with mdbtool and with two independent readers, the
// npm package mdb-reader (through tools/node/export.js) and mdbtools (mdb-tables, mdb-json,
// mdb-schema), and reports every difference. Where the readers disagree, mdb-reader decides;
// the known, deliberate exceptions are listed below and reported when used.
//   node compare_readers.mjs MDBTOOL FIXTURES_DIR
import { execFileSync } from "node:child_process";
import { readdirSync } from "node:fs";
import { fileURLToPath } from "node:url";
import path from "node:path";

const [mdbtool, fixturesDir] = process.argv.slice(2);
if (!mdbtool || !fixturesDir) {
  console.error("usage: node compare_readers.mjs MDBTOOL FIXTURES_DIR");
  process.exit(2);
}
const exportJs = fileURLToPath(new URL("../../tools/node/export.js", import.meta.url));

// Deliberate differences, each with its reason.
const EXCEPTIONS = {
  // Jet moves a row that grew to another page and leaves a pointer in its place. mdbtool reads
  // the row where its pointer stands (table order); both other readers skip the pointer and
  // read the moved row where it lies. The same rows, in another order.
  "row-order": new Set(["overflow_rows.mdb/Table1", "index_codes_text.mdb/Table1"]),
  // A date before 1899-12-30 counts whole days back and the time of day forward (-1.25 is
  // 1899-12-29 06:00). mdb-reader treats the value as one signed number of days, and mdbtools
  // prints such dates wrongly ("1900-01-00"); both are checked against the Jet rule instead.
  "negative-dates": new Set(["index_codes_text.mdb/Table6", "index_codes_text.mdb/Table6_desc"]),
  // mdbtools cuts text at U+0000; mdbtool and mdb-reader keep it.
  "mdbtools-nul": new Set(["index_codes_text.mdb/Table1", "index_codes_text.mdb/Table1_desc"]),
  // mdbtools prints replication ids without the dash before the last group.
  "mdbtools-guid": new Set(["index_codes_text.mdb/Table13", "index_codes_text.mdb/Table13_desc"]),
};
const used = new Map();

let failures = 0;
function fail(where, message) {
  failures++;
  console.log(`FAIL ${where}: ${message}`);
}
function except(kind, where) {
  if (!EXCEPTIONS[kind].has(where)) return false;
  used.set(`${kind} ${where}`, true);
  return true;
}

function run(cmd, args) {
  return execFileSync(cmd, args, { encoding: "utf8", maxBuffer: 1 << 28, stdio: ["ignore", "pipe", "pipe"] });
}
function lines(text) {
  return text.split("\n").filter((l) => l.length > 0);
}

// mdbtool schema: column lines "column NAME TYPE SIZE FLAGS" of one table.
function ourColumns(file, table) {
  return lines(run(mdbtool, ["schema", file, table]))
    .map((l) => l.split("\t"))
    .filter((f) => f[0] === "column")
    .map(([, name, type]) => ({ name, type }));
}

// mdb-schema (access backend): "[NAME]\t\t\tTYPE[ NOT NULL]," lines of one table.
function mdbtoolsColumns(file, table) {
  const out = run("mdb-schema", ["-T", table, "--no-indexes", "--no-relations", file, "access"]);
  return lines(out)
    .map((l) => /^\s*\[(.*)\]\s+(.*?)(?: NOT NULL)?,?\s*$/.exec(l))
    .filter(Boolean)
    .map(([, name, type]) => ({ name, type }));
}

// Type names as mdb-schema prints them.
function mdbtoolsTypeName(type) {
  if (type === "Memo") return "Memo/Hyperlink (255)";
  if (type === "OLE") return "OLE (255)";
  return type;
}

// The Jet reading of a date that mdb-reader converted as a plain signed day count.
function jetRuleFromSignedDays(iso) {
  const ms = Date.parse(iso + "Z") - Date.UTC(1899, 11, 30);
  const days = ms / 86400000;
  const whole = Math.trunc(days);
  const timeMs = Math.round(Math.abs(days - whole) * 86400000);
  return new Date(Date.UTC(1899, 11, 30) + whole * 86400000 + timeMs)
    .toISOString()
    .replace(/Z$/, "")
    .replace(/\.000$/, "");
}

function compareWithMdbReader(where, ours, ref, columns) {
  let theirs = ref;
  if (except("negative-dates", where)) {
    const dateKeys = columns.filter((c) => c.type === "DateTime").map((c) => c.name);
    theirs = ref.map((line) => {
      const row = JSON.parse(line);
      for (const k of dateKeys) if (row[k] !== null && row[k] < "1899-12-30") row[k] = jetRuleFromSignedDays(row[k]);
      return JSON.stringify(row);
    });
    ours = ours.map((line) => JSON.stringify(JSON.parse(line)));
  }
  if (ours.length !== theirs.length) {
    fail(where, `mdbtool ${ours.length} rows, mdb-reader ${theirs.length}`);
    return;
  }
  let a = ours;
  let b = theirs;
  if (except("row-order", where)) {
    a = [...ours].sort();
    b = [...theirs].sort();
  }
  for (let i = 0; i < a.length; i++) {
    if (a[i] !== b[i]) {
      fail(where, `row ${i} differs from mdb-reader\n  mdbtool:    ${a[i]}\n  mdb-reader: ${b[i]}`);
      return;
    }
  }
}

function sameNumber(x, y, type) {
  if (x === y) return true;
  const tolerance = type === "Single" ? 1e-6 : 1e-12;
  return Math.abs(x - y) <= tolerance * Math.max(Math.abs(x), Math.abs(y));
}

// One of our values against mdb-json's (its conventions: missing key for null, 1/0 for yes/no,
// dates to the second, {"$binary": base64} for binary, OLE and replication ids).
function sameAsMdbJson(where, column, mine, theirs) {
  if (theirs === undefined) return mine === null;
  if (mine === null) return false;
  const type = column.type;
  if (type === "Boolean") return theirs === (mine ? 1 : 0);
  if (type === "DateTime") {
    // mdbtools prints day 0 of January 1900 for every negative value.
    if (/-00T/.test(theirs) && except("negative-dates", where)) return true;
    return Math.abs(Date.parse(mine + "Z") - Date.parse(theirs + "Z")) <= 1000;
  }
  if (typeof theirs === "object" && theirs.$binary !== undefined) {
    const bytes = Buffer.from(theirs.$binary, "base64");
    if (type !== "Replication ID") return bytes.toString("base64") === mine;
    const text = bytes.toString("latin1");
    if (text === mine) return true;
    return except("mdbtools-guid", where) && text === mine.replace(/-(?=[0-9A-F]{12}\})/, "");
  }
  if (typeof mine === "number") return typeof theirs === "number" && sameNumber(mine, theirs, type);
  if (typeof mine === "string" && mine.includes("\u0000") && except("mdbtools-nul", where)) {
    return theirs === mine.split("\u0000")[0];
  }
  return mine === theirs;
}

function compareWithMdbJson(where, file, table, ours, columns) {
  const iso = "%Y-%m-%dT%H:%M:%S";
  const theirs = lines(run("mdb-json", ["-D", iso, "-T", iso, file, table])).map((l) => JSON.parse(l));
  let mine = ours.map((l) => JSON.parse(l));
  if (mine.length !== theirs.length) {
    fail(where, `mdbtool ${mine.length} rows, mdb-json ${theirs.length}`);
    return;
  }
  if (except("row-order", where)) {
    // mdb-json reads rows in the same page order as mdb-reader.
    const order = lines(run("node", [exportJs, file, table]));
    const position = new Map(order.map((l, i) => [JSON.stringify(JSON.parse(l)), i]));
    mine = [...mine].sort((x, y) => position.get(JSON.stringify(x)) - position.get(JSON.stringify(y)));
  }
  for (let i = 0; i < mine.length; i++) {
    for (const c of columns) {
      if (!sameAsMdbJson(where, c, mine[i][c.name], theirs[i][c.name])) {
        fail(where, `row ${i} column ${c.name}: mdbtool ${JSON.stringify(mine[i][c.name])}, mdb-json ${JSON.stringify(theirs[i][c.name])}`);
        return;
      }
    }
  }
}

function compareSchema(where, file, table, columns) {
  const theirs = mdbtoolsColumns(file, table);
  const mine = columns.map((c) => ({ name: c.name, type: mdbtoolsTypeName(c.type) }));
  if (JSON.stringify(mine) !== JSON.stringify(theirs)) {
    fail(where, `schema differs from mdb-schema\n  mdbtool:    ${JSON.stringify(mine)}\n  mdb-schema: ${JSON.stringify(theirs)}`);
  }
}

const fixtures = readdirSync(fixturesDir).filter((f) => f.endsWith(".mdb")).sort();
let tablesCompared = 0;
for (const name of fixtures) {
  const file = path.join(fixturesDir, name);
  const tables = lines(run(mdbtool, ["tables", file]));
  const refTables = lines(run("node", [exportJs, file]));
  const mdbtoolsTables = lines(run("mdb-tables", ["-1", file]));
  if (JSON.stringify(tables) !== JSON.stringify(refTables)) fail(name, `tables ${tables} vs mdb-reader ${refTables}`);
  if (JSON.stringify(tables) !== JSON.stringify(mdbtoolsTables)) fail(name, `tables ${tables} vs mdb-tables ${mdbtoolsTables}`);
  for (const table of tables) {
    const where = `${name}/${table}`;
    try {
      const columns = ourColumns(file, table);
      const ours = lines(run(mdbtool, ["export", file, table]));
      compareWithMdbReader(where, ours, lines(run("node", [exportJs, file, table])), columns);
      compareWithMdbJson(where, file, table, ours, columns);
      compareSchema(where, file, table, columns);
      tablesCompared++;
    } catch (e) {
      fail(where, e.stderr ? String(e.stderr).trim() : e.message);
    }
  }
}

for (const key of used.keys()) console.log(`exception applied: ${key}`);
for (const [kind, set] of Object.entries(EXCEPTIONS)) {
  for (const where of set) if (!used.has(`${kind} ${where}`)) fail(where, `exception ${kind} no longer needed`);
}
console.log(`${fixtures.length} files, ${tablesCompared} tables compared, ${failures} failures`);
process.exit(failures === 0 ? 0 : 1);
