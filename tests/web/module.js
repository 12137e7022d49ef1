// The page's module under node writes the same bytes as the native
// refldsgn-solve: every study of the golden corpus in CSV, JSON and table,
// and the pictures, surface, GRASP and CAD files of designs of every mode.
//
//   node module.js MODULE_JS NATIVE_SOLVE GOLDEN_DIR
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');

const [modulePath, nativeArg, goldenDir] = process.argv.slice(2);
const nativeSolve = path.resolve(nativeArg);
const create = require(path.resolve(modulePath));
let failures = 0, checks = 0;
function expect(ok, what) {
  checks++;
  if (!ok) {
    failures++;
    if (failures <= 20) console.log('FAIL: ' + what);
  }
}

// Runs the module's command line; returns its status, its error line and
// the files it wrote under /out.
function runner(m, errors) {
  return (args, files) => {
    errors.length = 0;
    try { m.FS.mkdir('/out'); } catch (e) { /* there */ }
    for (const f of m.FS.readdir('/out')) if (f !== '.' && f !== '..') m.FS.unlink('/out/' + f);
    const status = m.callMain(args);
    const out = {};
    for (const f of files || []) {
      try { out[f] = Buffer.from(m.FS.readFile('/out/' + f)); } catch (e) { out[f] = null; }
    }
    return { status, error: errors.join('\n'), files: out };
  };
}

(async () => {
  const errors = [];
  const m = await create({ print: () => {}, printErr: s => errors.push(s) });
  m.FS.ignorePermissions = true;  // files are written through a temporary of mode 0 here
  const run = runner(m, errors);

  // The golden corpus: "### ARGS" and the output of each study.
  let studies = 0, skipped = 0;
  for (const fmt of ['csv', 'json', 'table']) {
    const text = fs.readFileSync(path.join(goldenDir, 'solve-' + fmt + '.txt'));
    const parts = text.toString('latin1').split(/^### /m).slice(1);
    for (const part of parts) {
      const nl = part.indexOf('\n');
      const args = part.slice(0, nl).split(' ');
      const want = Buffer.from(part.slice(nl + 1), 'latin1');
      if (args.includes('--analyze')) { skipped++; continue; }  // cassbeam runs no program here
      const r = run(args.concat(['-f', fmt, '-o', '/out/o']), ['o']);
      studies++;
      expect(r.status === 0, args.join(' ') + ' -f ' + fmt + ': status ' + r.status + ' ' + r.error);
      expect(r.files.o !== null && r.files.o.equals(want), args.join(' ') + ' -f ' + fmt + ': not the golden bytes');
    }
  }
  console.log(studies + ' golden studies compared' + (skipped ? ', ' + skipped + ' through cassbeam left out (it runs no program here)' : ''));

  // Files of designs of every mode against the native program's.
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'refldsgn-web-'));
  const designs = [
    ['type=cassegrain', 'DM=6', 'FM=2.52', 'DS=0.35', 'TE=2.04624', 'unit=m', 'freq=10'],
    ['type=gregorian', 'DM=10', 'FM=4', 'LM=1', 'DF=0.5', 'unit=mm', 'freq=30', 'taper=12'],
    ['type=cassegrain', 'DM=45', 'FM=38', 'H=40', 'DS=10', 'BETA=6', 'unit=m', 'taper=12', 'freq=2'],
    ['type=gregorian', 'DM=24', 'FM=18', 'H=18', 'DS=10', 'BETA=5.6', 'unit=ft', 'freq=1'],
    ['type=prime', 'DM=1', 'FM=0.4', 'unit=m', 'freq=20'],
    ['type=prime', 'DM=0.6', 'FM=0.35', 'H=0.5', 'unit=in', 'freq=40'],
    ['type=cassegrain', 'DM=6', 'FM=2.4:2.6:0.1', 'DS=0.35', 'TE=2.04624', 'unit=m'],
  ];
  const options = [
    ['--svg', 'p.svg'], ['--html', 'r.html'], ['--plot', 'plot.svg'], ['--sketch', 's.svg'],
    ['--rsf-main', 'm.rsf'], ['--rsf-sub', 's.rsf'], ['--champ-main', 'm.champ'], ['--champ-sub', 's.champ'],
    ['--sfc-main', 'm.sfc'], ['--sfc-sub', 's.sfc'], ['--tor', 'd.tor'], ['--profile', 'p.csv'],
    ['--dxf', 'd.dxf'], ['--stl', 'd.stl'], ['--radiate', null], ['--pattern-svg', 'cuts.svg'],
    ['--pattern', 'cuts.csv'], ['--pattern', 'cuts.cut'],
  ];
  // The cuts are written to every bit of a double, through the C library's
  // sine, cosine and logarithm, whose last bit differs between the two
  // builds' libraries: the fields are compared to 1e-9 of the peak, and the
  // drawing of them to its last printed digit.
  const tokens = b => b.toString('latin1').split(/[\s,"]+/).filter(t => t.length);
  function fields(b, csv) {
    // co and cross of each point, as complex numbers [re, im, re, im]
    const out = [];
    for (const line of b.toString('latin1').split('\n')) {
      const v = line.split(/[\s,]+/).filter(t => t.length).map(t => Number(t.replace('inf', 'Infinity')));
      if (csv && v.length === 6 && !isNaN(v[1])) {
        const co = Math.pow(10, v[2] / 20), cr = Math.pow(10, v[3] / 20), a = v[4] * Math.PI / 180, c = v[5] * Math.PI / 180;
        out.push([v[1], co * Math.cos(a), co * Math.sin(a), cr * Math.cos(c), cr * Math.sin(c)]);
      } else if (!csv && v.length === 4 && v.every(isFinite)) {
        out.push([0].concat(v));
      }
    }
    return out;
  }
  function near(got, want, file) {
    if (file.endsWith('.svg')) {
      const a = tokens(got), b = tokens(want);
      return a.length === b.length && a.every((t, i) => t === b[i] || Math.abs(Number(t) - Number(b[i])) <= 2e-5);
    }
    const a = fields(got, file.endsWith('.csv')), b = fields(want, file.endsWith('.csv'));
    const peak = Math.max(...b.map(p => Math.hypot(p[1], p[2])));
    return a.length === b.length && a.length > 0 &&
           a.every((p, i) => Math.abs(p[0] - b[i][0]) <= 1e-9 && p.slice(1).every((v, k) => Math.abs(v - b[i][k + 1]) <= 1e-9 * peak));
  }
  let files = 0;
  for (const design of designs) {
    for (const [option, file] of options) {
      const args = design.concat(file ? [option, file] : [option]).concat(['-f', 'csv', '-o', 'rows.csv']);
      const nativeDir = fs.mkdtempSync(path.join(work, 'n'));
      let nativeStatus = 0;
      try {
        execFileSync(nativeSolve, args, { cwd: nativeDir, stdio: ['ignore', 'ignore', 'pipe'] });
      } catch (e) { nativeStatus = e.status; }
      if (process.env.WEB_TRACE) console.log(args.join(' '));
      const r = run(args.map(a => (a === file || a === 'rows.csv') ? '/out/' + a : a), file ? [file, 'rows.csv'] : ['rows.csv']);
      expect(r.status === nativeStatus, design.join(' ') + ' ' + option + ': status ' + r.status + ' where the native program gives ' + nativeStatus + ' ' + r.error);
      if (nativeStatus !== 0) continue;
      for (const f of file ? [file, 'rows.csv'] : ['rows.csv']) {
        const want = fs.readFileSync(path.join(nativeDir, f));
        const same = r.files[f] !== null && (option.startsWith('--pattern') && f === file ? near(r.files[f], want, f) : r.files[f].equals(want));
        expect(same, design.join(' ') + ' ' + option + ': ' + f + ' differs from the native program\'s');
        files++;
      }
    }
  }
  fs.rmSync(work, { recursive: true, force: true });

  // Whatever is typed into the page's fields, the module answers with a
  // status and goes on: garbage, huge and tiny numbers, sweeps that never
  // end or have no rows, text in every script.
  const junk = ['', '0', '-0', '1e308', '-1e308', '1e-320', 'nan', 'NaN', 'inf', '-inf', '1..2', '1e', '.', '-', '+5',
                '0x10', '1:2:0', '1:2:-1', '2:1:1', '1:1e9:1e-9', '1:2', '::', '1:2:3:4', 'abc', 'DM', '1,5', ' 6 ',
                '\u00e9\u4e2d', 'x'.repeat(5000), '1'.repeat(400), '1e99999', '0.0000000000000000000001', '7'];
  const names = ['DM', 'FM', 'LM', 'DS', 'LS', 'TE', 'FDE', 'DF', 'LP', 'H', 'HC', 'TH0', 'BETA', 'ALPHA', 'E', 'LSM',
                 'C2', 'DFPR', 'DSRPR', 'root', 'unit', 'freq', 'taper'];
  let seed = 12345;
  const random = n => { seed = (seed * 1103515245 + 12345) % 2147483648; return seed % n; };
  let answered = 0;
  for (let t = 0; t < 400; t++) {
    const args = ['type=' + ['cassegrain', 'gregorian', 'prime', 'x', ''][random(5)]];
    for (const name of names) {
      if (random(3) === 0) args.push(name + '=' + (random(2) ? junk[random(junk.length)] : String(random(40) / 4)));
    }
    let status;
    try {
      status = run(args.concat(['-f', 'csv', '-o', '/out/o', '--at', '1', '--svg', '/out/p.svg']), []).status;
    } catch (e) {
      expect(false, args.join(' ') + ': the module threw ' + String(e).slice(0, 200));
      continue;
    }
    expect([0, 1, 2, 3].includes(status), args.join(' ').slice(0, 200) + ': status ' + status);
    answered++;
  }
  console.log(answered + ' sets of typed garbage answered');
  console.log(files + ' files of ' + designs.length + ' designs compared');
  console.log(checks + ' checks, ' + failures + ' failed');
  process.exit(failures ? 1 : 0);
})().catch(e => { console.log('ERROR ' + String(e).slice(0, 500)); process.exit(1); });
