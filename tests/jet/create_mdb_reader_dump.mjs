// Prints what the independent reader mdb-reader sees in a .mdb file: one line per user table
// and column, "table|column|type|size" in column order, then one line per table with its row
// count ("table|rows|N"). Usage: node create_mdb_reader_dump.mjs NODE_MODULES_DIR FILE
import { readFileSync } from "node:fs";
import { pathToFileURL } from "node:url";
import path from "node:path";

const [modules, file] = process.argv.slice(2);
const { default: MDBReader } = await import(
  pathToFileURL(path.join(modules, "mdb-reader", "lib", "node", "index.js")).href
);
const reader = new MDBReader(readFileSync(file));
for (const name of reader.getTableNames()) {
  const table = reader.getTable(name);
  for (const c of table.getColumns()) console.log(`${name}|${c.name}|${c.type}|${c.size}`);
  console.log(`${name}|rows|${table.rowCount}|${table.getData().length}`);
}
