#!/usr/bin/env node
// Writes data/states.outline, the state outlines the map window draws, from the npm package
// us-atlas (the Census Bureau's cartographic boundary files, 2017, as TopoJSON in longitude and
// latitude), decoded with the package topojson-client. The format is the one map/OutlineFile.h
// reads; the points are the package's own, neither projected nor simplified further.
//
// Usage: node make_states_outline.js [node_modules dir, default ./node_modules] OUTPUT
'use strict';

const fs = require('fs');
const path = require('path');

const [modulesArg, output] = process.argv.length > 3 ? process.argv.slice(2) : ['node_modules', process.argv[2]];
if (!output) {
  process.stderr.write('usage: node make_states_outline.js [node_modules] OUTPUT\n');
  process.exit(2);
}
const modulesDir = path.resolve(modulesArg);
const topojson = require(path.join(modulesDir, 'topojson-client'));
const topology = JSON.parse(fs.readFileSync(path.join(modulesDir, 'us-atlas', 'states-10m.json'), 'utf8'));

// The 50 states, DC and Puerto Rico by FIPS code; the other territories the file holds lie far
// outside any inset the map draws.
const uspsByFips = {
  '01': 'AL', '02': 'AK', '04': 'AZ', '05': 'AR', '06': 'CA', '08': 'CO', '09': 'CT', '10': 'DE',
  '11': 'DC', '12': 'FL', '13': 'GA', '15': 'HI', '16': 'ID', '17': 'IL', '18': 'IN', '19': 'IA',
  '20': 'KS', '21': 'KY', '22': 'LA', '23': 'ME', '24': 'MD', '25': 'MA', '26': 'MI', '27': 'MN',
  '28': 'MS', '29': 'MO', '30': 'MT', '31': 'NE', '32': 'NV', '33': 'NH', '34': 'NJ', '35': 'NM',
  '36': 'NY', '37': 'NC', '38': 'ND', '39': 'OH', '40': 'OK', '41': 'OR', '42': 'PA', '44': 'RI',
  '45': 'SC', '46': 'SD', '47': 'TN', '48': 'TX', '49': 'UT', '50': 'VT', '51': 'VA', '53': 'WA',
  '54': 'WV', '55': 'WI', '56': 'WY', '72': 'PR',
};

const chunks = [Buffer.from('QMOUTLN1', 'latin1')];
const uint32 = (n) => { const b = Buffer.alloc(4); b.writeUInt32LE(n); return b; };
const microdegrees = (d) => Math.round(d * 1e6);

const features = topojson.feature(topology, topology.objects.states).features
  .filter((f) => f.id in uspsByFips)
  .sort((a, b) => a.id.localeCompare(b.id));
if (features.length !== Object.keys(uspsByFips).length) {
  process.stderr.write(`make_states_outline: found ${features.length} of the 52 outlines\n`);
  process.exit(1);
}
chunks.push(uint32(features.length));
let points = 0;
for (const feature of features) {
  const polygons = feature.geometry.type === 'Polygon' ? [feature.geometry.coordinates] : feature.geometry.coordinates;
  const rings = polygons.flat();
  chunks.push(Buffer.from(uspsByFips[feature.id] + feature.id, 'latin1'), uint32(rings.length));
  for (const ring of rings) {
    const body = Buffer.alloc(ring.length * 8);
    ring.forEach(([lon, lat], i) => {
      body.writeInt32LE(microdegrees(lon), i * 8);
      body.writeInt32LE(microdegrees(lat), i * 8 + 4);
    });
    chunks.push(uint32(ring.length), body);
    points += ring.length;
  }
}
fs.writeFileSync(output, Buffer.concat(chunks));
process.stdout.write(`${features.length} outlines, ${points} points written to ${output}\n`);
