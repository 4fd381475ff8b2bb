#!/usr/bin/env node
// Writes the rows of the territories and freely associated states that GeoNames' US file lacks,
// taken from the npm package zipcodes, as a ZIP,City,State,County,Latitude,Longitude CSV for
// tools/make_zipcodes_csv: only this part needs JavaScript, because the package keeps its data as
// code. The package names no county, so that column stays empty.
//
// Usage: node territory_rows.js [node_modules dir, default ./node_modules] > territories.csv
// Only Node's standard library is used.
'use strict';

const fs = require('fs');
const path = require('path');
const vm = require('vm');

const modulesDir = path.resolve(process.argv[2] || 'node_modules');

// Its other extra ZIPs are mostly retired or single-company codes and military duplicates, which
// a lookup of current ZIPs should not list.
const territories = new Set(['PR', 'VI', 'GU', 'AS', 'MP', 'FM', 'MH', 'PW']);
// Evaluated in a bare sandbox so the package's code gets no access to require/process.
const codesJs = path.join(modulesDir, 'zipcodes', 'lib', 'codes.js');
const sandbox = { exports: {} };
vm.runInNewContext(fs.readFileSync(codesJs, 'utf8'), sandbox, { filename: codesJs });
const codes = sandbox.exports.codes;
if (!codes || typeof codes !== 'object') {
  process.stderr.write('territory_rows: codes.js: no exports.codes\n');
  process.exit(1);
}

const csvField = (s) => (/[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s);
// A number as its shortest plain decimal text (the reader takes no exponent); anything else, a
// missing coordinate, as empty.
const degrees = (value) => {
  if (!Number.isFinite(value)) return '';
  const text = String(value);
  return /e/i.test(text) ? value.toFixed(12).replace(/\.?0+$/, '') : text;
};
const lines = ['ZIP,City,State,County,Latitude,Longitude'];
for (const entry of Object.values(codes)) {
  const state = String(entry.state || '').toUpperCase();
  if (territories.has(state))
    lines.push([String(entry.zip), String(entry.city || ''), state, String(entry.county || ''),
                degrees(entry.latitude), degrees(entry.longitude)].map(csvField).join(','));
}
process.stdout.write(lines.join('\n') + '\n');
